#pragma once

namespace storage {

class RecordSet;

// The link through which a window's grids and controls reach a record set of
// the main window. Binding through the link, not a copy, is what makes a move
// in any window move the current row for the whole program.
struct DataSource {
    RecordSet* dataSet = nullptr;
};

}  // namespace storage
