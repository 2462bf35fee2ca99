#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A grid's column list kept in an INI file between runs: one section per
// grid, one key per column in column order, the key the field, the value the
// line's width, title and read-only flag (and a fifth part when the line has
// one) joined by the delimiter.
namespace grid {

// The layout-file settings of a grid.
struct IniAttributes {
    bool Enabled = false;  // load when the grid is first shown, save when it goes
    QString FileName;      // empty: no file, nothing is read or written
    QString SectionName;   // empty: the window's name followed by the grid's
    QString Delimiter = QStringLiteral(";;");
    bool CheckNewFields = false;  // columns the file does not name come back at the end
};

// What a save or load has to tell the user; empty when nothing.
using LayoutWarning = QString;

// Writes the column list into the file's section, replacing it; the rest of
// the file stays byte for byte. Nothing is written for an empty list or an
// empty file name. A folder that does not exist gives the warning "Directory
// does not exist" (none while the program ends: ending). A file marked
// read-only keeps its content silently; a file that cannot be written (a
// full disk, a link, no regular file, too large to be a layout) keeps its old
// content and gives a Turkish warning saying why (none while ending).
LayoutWarning saveLayout(const QStringList& columnList, const IniAttributes& ini, const QString& section, bool ending);

// The column list the file's section holds, or nothing when there is no file,
// no section or an empty one. A key named twice counts by its first line. A
// value without the delimiter gives the warning "Key Delimiter Not Found" and
// nothing; a file that cannot be read, is no regular file or is too large
// (IniFile::kMaxBytes) gives a Turkish warning saying so, and nothing.
std::optional<QStringList> loadLayout(const QStringList& current, const IniAttributes& ini, const QString& section,
                                      LayoutWarning* warning);

}  // namespace grid
