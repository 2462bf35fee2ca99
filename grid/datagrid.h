#pragma once

#include "text/rtf.h"

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <memory>
#include <vector>

class QLineEdit;

namespace storage {
class RecordSet;
}

namespace grid {

class FieldLink;
class GridModel;
class TitleHeader;
class IndicatorHeader;

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

// Every per-grid setting. Ready-made profiles of the program's grids are in
// grid/profiles.h.
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

    // 8-point "MS Sans Serif"; where that face is missing the system picks its
    // nearest sans-serif, and every size is measured on the font it gives.
    static QFont defaultFont();
};

// The list of rows of a record set that every screen shows: a title row, one
// column per line of the column list, in-place editing where the profile
// allows it, check-box cells, cell controls adopted from the window, and the
// keyboard of a data grid. The grid keeps no data: it reads the record set's
// rows, writes edits into its current row, and moves, posts, cancels,
// inserts and deletes through it, so the set's hooks run as usual.
//
// Every slot and event handler of the grid catches at its entry: failures of
// the record set reach the user in the default error box, a refusal by a
// before-post rule (storage::SilentAbort) ends the key or click quietly.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setProfile(const GridProfile& profile);
    const GridProfile& profile() const { return profile_; }

    // The data link. May be set before the set opens: the grid follows the
    // set as it opens, closes, changes rows and moves; closed, it shows only
    // its title row.
    void setRecordSet(storage::RecordSet* recordSet);
    storage::RecordSet* recordSet() const;

    // The column list (`Selected`). Binding to an open set deletes the lines of
    // fields the set lacks from the list itself (not in field-definition
    // mode). Throws storage::Error "'x' is not a valid integer value" when a
    // width part is not a whole number; the grid then keeps its previous list.
    void setSelected(const QStringList& lines);
    QStringList selected() const { return selected_; }

    // The cell control list (`ControlType`).
    void setControlType(const QStringList& lines);
    QStringList controlType() const { return controlType_; }

    // Looks up the controls that "CustomEdit" and "RichEdit" lines name, by
    // object name among the widgets of the grid's window ("frame.control"
    // names a control inside the widget "frame"), and adopts them: hidden,
    // made children of the grid, bound to the record set and the line's
    // field, flat and in the cell font. Call once the window's controls exist
    // (and again after a layout load); the first showing does it if nobody did.
    void adoptControls();
    // The adopted control of a column, or null.
    QWidget* cellControl(int column) const;

    // --- columns and current cell --------------------------------------
    int columnCount() const;
    QString columnField(int column) const;
    QStringList columnTitleLines(int column) const;
    int columnPixelWidth(int column) const;
    int currentColumn() const { return currentColumn_; }
    // Makes a column current (the row stays); out-of-range columns are clamped.
    void setCurrentColumn(int column);
    // Makes the first column current.
    void setFirstColumnCurrent() { setCurrentColumn(0); }

    // --- sizes, measured on the profile's fonts -------------------------
    // (height of "W" in the cell font + 3) x RowHeightPercent / 100.
    int dataRowHeight() const;
    // TitleLines x height of "W" in the title font + 4; 0 without titles.
    int titleHeight() const;
    // Width of "0" in the cell font, the unit of column widths.
    int zeroWidth() const;
    // A pixel width in characters, as a resized column is written back:
    // (pixels + max(0, d / 2 - 3) - 4) / d with d = zeroWidth().
    int charactersForPixels(int pixels) const;
    // A cell's rectangle in viewport coordinates (empty when not shown).
    QRect cellRect(int row, int column) const;
    // Colour a data row is painted in when not highlighted.
    QColor rowColor(int row) const;
    // The text a data cell shows (empty for check-box cells).
    QString cellText(int row, int column) const;
    // Whether a check-box cell shows a tick.
    bool isChecked(int row, int column) const;

    // The grid's own cell editor and whether it is open.
    QLineEdit* cellEditor() const { return editor_; }
    bool editorVisible() const;

signals:
    // A cell was double-clicked; emitted before the grid's own reaction.
    void dblClicked();
    // The user or the binding changed the column list.
    void selectedChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class GridModel;
    friend class CellPainter;
    friend class TitleHeader;
    friend class IndicatorHeader;
    struct Column;
    struct Adopted;

    // layout
    void rebuildLayout();
    std::vector<Column> buildColumns(QStringList* lines) const;
    void applyColumnSizes();
    void attachControls();
    // The user let go of a title after resizing or moving columns: the
    // column list takes the new widths (in characters) and order.
    void titleGestureFinished();

    // record set signals
    void setReset();
    void setRowInserted(int row);
    void setRowRemoved(int row);
    void setRowChanged(int row);
    void setCurrentChanged();
    void setStateChanged();
    void focusChanged(QWidget* old, QWidget* now);

    // state
    bool active() const;
    int rowCount() const;
    int currentRow() const;
    bool focusWithin() const;
    bool isOurs(const QWidget* widget) const;
    bool showsSelection() const;
    void syncCurrent();
    void placeOverlays();
    void updateIndicator();

    // cells
    const Column* column(int c) const;
    bool columnTakesTab(int c) const;
    bool canEditCell(int c) const;
    bool canToggle(int c) const;
    void toggleCheckBox(int c);
    QString fieldText(int row, int c) const;
    Qt::Alignment cellAlignment(int c) const;
    int wrapFlag() const;
    QRect textRect(const QRect& cell) const;
    QString indicatorText(int row) const;

    // editor
    void showEditor(const QString* typed = nullptr);
    void hideEditor();
    void loadEditor();
    void writePending();
    void editorEdited();

    // keys and moves
    bool handleKey(QKeyEvent* event, QWidget* from);
    // Moves to a row; returns the row it should land on (rows below a dropped
    // new row move up by one), -1 without rows.
    int goToRow(int row);
    void moveRows(int distance);
    void rowDown();
    void rowUp();
    void tab(bool forward);
    void goToColumn(int c);
    void deleteRow();
    void escape();
    void insertRow();
    void enterKey();
    void f2Key();
    bool typeInto(QKeyEvent* event);
    bool mayInsert() const;
    void leaveGrid();
    int visibleRowCount() const;
    int topRow() const;
    int bottomRow() const;

    GridProfile profile_;
    QPointer<storage::RecordSet> recordSet_;
    QStringList selected_;
    QStringList controlType_;
    std::vector<Column> columns_;
    std::vector<Adopted> adopted_;
    bool adoptedOnce_ = false;
    mutable rtf::PlainTextCache richText_;
    GridModel* model_;
    TitleHeader* titles_;
    IndicatorHeader* indicator_;
    QLineEdit* editor_;
    int currentColumn_ = 0;
    int editorColumn_ = -1;  // the column whose field the cell editor was loaded from
    int markedRow_ = -1;     // where the indicator mark was drawn last
    // Whether the cell editor is switched on (F2, Enter, typing); with
    // dgAlwaysShowEditor it is on whenever the grid has the focus.
    bool editing_ = false;
    bool layingOut_ = false;
    bool hidingEditor_ = false;
    bool resizing_ = false;
    bool resized_ = false;
    bool moved_ = false;
    // The second click of a double-click must not toggle a check box again.
    quint64 lastPressTime_ = 0;
    QPoint lastPressCell_{-1, -1};
};

}  // namespace grid
