#pragma once

#include <QColor>
#include <QFlags>
#include <QFont>

namespace grid {

// Switches of a data grid.
enum GridOption : unsigned {
    dgEditing = 1u << 0,              // cells may be edited
    dgAlwaysShowEditor = 1u << 1,     // the current cell is always in edit mode
    dgTitles = 1u << 2,               // title row shown
    dgIndicator = 1u << 3,            // indicator column: current row, editing, inserting
    dgColumnResize = 1u << 4,         // columns resized and moved by the user
    dgColLines = 1u << 5,             // vertical cell lines
    dgRowLines = 1u << 6,             // horizontal cell lines
    dgTabs = 1u << 7,                 // Tab moves between cells
    dgRowSelect = 1u << 8,            // whole rows highlighted; no cell editing, no cell controls
    dgAlwaysShowSelection = 1u << 9,  // the highlight stays without the focus
    dgConfirmDelete = 1u << 10,       // Ctrl+Delete asks first
    dgCancelOnExit = 1u << 11,        // leaving the grid drops an unchanged new row
    dgWordWrap = 1u << 12,            // cell text wraps at word boundaries
    dgShowCellHint = 1u << 13,        // a hint shows a cell's whole text when it does not fit
};
Q_DECLARE_FLAGS(GridOptions, GridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(GridOptions)

enum KeyOption : unsigned {
    dgEnterToTab = 1u << 0,   // Enter acts as Tab
    dgAllowDelete = 1u << 1,  // Ctrl+Delete deletes the current row
    dgAllowInsert = 1u << 2,  // Insert, and Down or Tab past the last row, start a new row
};
Q_DECLARE_FLAGS(KeyOptionSet, KeyOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(KeyOptionSet)

enum MemoAttribute : unsigned {
    mGridShow = 1u << 0,       // memo cells show their text instead of "(Memo)"
    mDisableDialog = 1u << 1,  // no memo window
    mViewOnly = 1u << 2,       // the memo window does not edit
    mSizeable = 1u << 3,
    mWordWrap = 1u << 4,
};
Q_DECLARE_FLAGS(MemoAttributeSet, MemoAttribute)
Q_DECLARE_OPERATORS_FOR_FLAGS(MemoAttributeSet)

enum EditControlOption : unsigned {
    ecoCheckboxSingleClick = 1u << 0,  // one click toggles a check box (else a double-click)
    ecoSearchOwnerForm = 1u << 1,      // cell controls are looked up in the grid's window
};
Q_DECLARE_FLAGS(EditControlOptionSet, EditControlOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(EditControlOptionSet)

// Every per-grid setting. The profiles the program's grids are made from are in
// grid/profiles.h; each window declares its grids beside itself.
struct GridProfile {
    GridOptions Options =
        GridOptions(dgEditing | dgTitles | dgColumnResize | dgTabs | dgConfirmDelete | dgCancelOnExit | dgWordWrap);
    KeyOptionSet KeyOptions;
    MemoAttributeSet MemoAttributes = MemoAttributeSet(mSizeable | mWordWrap);
    EditControlOptionSet EditControlOptions = EditControlOptionSet(ecoCheckboxSingleClick | ecoSearchOwnerForm);
    bool ReadOnly = false;                         // never edits, inserts, deletes or toggles
    int RowHeightPercent = 100;                    // data row height in percent of one text line
    int TitleLines = 1;                            // text lines of the title row
    Qt::Alignment TitleAlignment = Qt::AlignLeft;  // AlignLeft or AlignHCenter
    QFont CellFont = defaultFont();
    QColor CellFontColor = Qt::black;
    QFont TitleFont = defaultFont();
    QColor TitleFontColor = Qt::black;
    QColor GridColor = Qt::white;                  // data cells
    QColor TitleColor = QColor(0xD4, 0xD0, 0xC8);  // title row and indicator column
    QColor AlternatingColor;                       // every second data row; invalid: none
    bool Flat = false;                             // no 3-D border
    bool LoadAllRTF = false;                       // rich-text cells read the whole stored text
    bool UseTFields = false;                       // field-definition mode

    bool has(GridOption o) const { return Options.testFlag(o); }
    bool has(KeyOption o) const { return KeyOptions.testFlag(o); }
    bool has(MemoAttribute o) const { return MemoAttributes.testFlag(o); }
    bool has(EditControlOption o) const { return EditControlOptions.testFlag(o); }
    // Whether the grid edits cells at all: dgEditing, not read-only, no dgRowSelect.
    bool editsCells() const { return has(dgEditing) && !ReadOnly && !has(dgRowSelect); }

    // 8-point "MS Sans Serif", the face the layouts were drawn with; where
    // it is missing the program's stand-in face takes its place.
    static QFont defaultFont();

    // Sizes. For the design face at its design size they use the figures the
    // layouts were drawn for (a 6-pixel "0", a 13-pixel text height), so that
    // designed pixel sizes hold whatever face stands in for it; other fonts
    // are measured.
    // Width of "0" in the cell font, the unit of column widths.
    int zeroWidth() const;
    // (height of "W" in the cell font + 3) x RowHeightPercent / 100.
    int dataRowHeight() const;
    // TitleLines x height of "W" in the title font + 4; 0 without titles.
    int titleHeight() const;
};

}  // namespace grid
