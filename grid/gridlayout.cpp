#include "grid/datagrid.h"

#include "grid/boxes.h"
#include "ui/msgbox.h"

// The grid's layout file: its column list kept between runs (layoutfile.h).
namespace grid {

void DataGrid::setIniAttributes(const IniAttributes& ini) { ini_ = ini; }

QString DataGrid::layoutSection() const {
    if (!ini_.SectionName.isEmpty()) return ini_.SectionName;
    return window()->objectName() + objectName();
}

LayoutWarning DataGrid::loadLayout() {
    LayoutWarning warning;
    const std::optional<QStringList> lines = grid::loadLayout(selected_, ini_, layoutSection(), &warning);
    if (lines) {
        setSelected(*lines);
        adoptControls();
    }
    return warning;
}

LayoutWarning DataGrid::saveLayout(bool ending) { return grid::saveLayout(selected_, ini_, layoutSection(), ending); }

// A grid that keeps its layout loads it when it first shows and saves it
// when it goes, at the end of the program.
void DataGrid::loadLayoutOnFirstShow() {
    if (!ini_.Enabled || layoutLoadedOnce_) return;
    layoutLoadedOnce_ = true;
    atEntry([&] {
        const LayoutWarning warning = loadLayout();
        if (!warning.isEmpty()) msgbox::warning(warning);
    });
}

void DataGrid::saveLayoutAtEnd() noexcept {
    if (!ini_.Enabled) return;
    try {
        saveLayout(true);
    } catch (...) {
        // Nobody is left to tell: the program is ending.
    }
}

}  // namespace grid
