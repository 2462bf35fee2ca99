#pragma once

#include "grid/gridprofile.h"
#include "grid/layoutfile.h"

#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <vector>

class QLabel;
class QLineEdit;

namespace storage {
class RecordSet;
}

namespace grid {

struct Column;
class ExpandButton;
class FieldLink;
class GridModel;
class TitleHeader;
class IndicatorHeader;

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
// The setters show no box: they throw their failures (storage::Error, or
// what the record set throws) to the caller, and leave the grid in a
// consistent state (see each one).
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // The look and the switches. The grid lays its columns out again; a
    // failure there (a cell control that cannot show its field) is thrown
    // with the new profile in force.
    void setProfile(const GridProfile& profile);
    const GridProfile& profile() const;

    // The data link. May be set before the set opens: the grid follows the
    // set as it opens, closes, changes rows and moves; closed, it shows only
    // its title row. The adopted controls are bound to the new set too; the
    // first failure of a control or of the layout is thrown once all are bound.
    void setRecordSet(storage::RecordSet* recordSet);
    storage::RecordSet* recordSet() const;

    // Holds back laying the view out, bringing the current row into view and
    // placing the cell controls while a command changes many rows one after
    // the other (an import): each row would otherwise lay the whole view out
    // again. The view catches up once, when the last hold ends.
    class ViewHold {
    public:
        explicit ViewHold(DataGrid& grid);
        ~ViewHold();
        ViewHold(const ViewHold&) = delete;
        ViewHold& operator=(const ViewHold&) = delete;

    private:
        DataGrid& grid_;
    };

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
    // A control that cannot show its field is adopted all the same; the
    // first such failure is thrown once every control is in place.
    void adoptControls();
    // The adopted control of a column, or null.
    QWidget* cellControl(int column) const;

    // --- the layout file (grid/layoutfile.h) ------------------------------
    void setIniAttributes(const IniAttributes& ini);
    const IniAttributes& iniAttributes() const { return ini_; }
    // The section: the setting, or the window's name followed by the grid's.
    QString layoutSection() const;
    // Reads the column list from the file and applies it (the controls are
    // adopted again). Returns what the user must be told; throws when a line
    // cannot be applied (a width that is not a whole number), keeping the list.
    LayoutWarning loadLayout();
    // Writes the column list into the file; returns what the user must be told.
    LayoutWarning saveLayout(bool ending = false);

    // --- an expand button column (grid/expandbutton.h) -------------------
    // The adopted expand button, and its column; null without one.
    ExpandButton* expandButton(int* column = nullptr) const;
    // Where a row's sign is drawn, in viewport coordinates (empty when the
    // row is not shown or there is no expand button).
    QRect expandButtonRect(int row) const;
    // One row taller by pixels, to hold what the window shows below it; the
    // row that was taller before gets its height back. Row -1: none.
    void setRowExtraHeight(int row, int pixels);
    // Scrolls up, a row at a time, until the row's bottom is in sight or the
    // row is at the top.
    void scrollToShowRow(int row);

    // --- columns and current cell --------------------------------------
    int columnCount() const;
    QString columnField(int column) const;
    QStringList columnTitleLines(int column) const;
    int columnPixelWidth(int column) const;
    int currentColumn() const { return currentColumn_; }
    // Makes a column current (the row stays); out-of-range columns are clamped.
    // Text typed into the current cell is written into its field first; when
    // it cannot be, that failure is thrown and the cell stays current.
    void setCurrentColumn(int column);
    // Writes the text typed into the current cell (or its control) into the
    // field, as leaving the grid does; nothing is posted. A text the field
    // refuses is thrown and stays in the cell.
    void writeTypedText();

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

    // What an assistive tool asks of a data cell, done as a click does: the
    // cell becomes current (the grid takes the focus), and then Toggle ticks
    // or clears its check box, Press reports a click on its expand sign.
    // An entry point: failures are shown.
    enum class CellAction { Focus, Toggle, Press };
    void actOnCell(int row, int column, CellAction action);

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
    // A control adopted from the window (cellcontrols.cpp).
    struct Adopted {
        QString name;  // as the control list names it
        QPointer<QWidget> widget;
        QPointer<FieldLink> link;
        // A label never shown that names the control by its column's caption,
        // for platforms that read a drop-down box's name from its label.
        QPointer<QLabel> caption;
    };

    // settings and layout
    void applyLook();
    // Builds the columns of both lists; the grid takes the lists only once
    // the columns are built.
    void rebuildLayout(const QStringList& selected, const QStringList& controlType);
    void rebuildLayout() { rebuildLayout(selected_, controlType_); }
    // Gives the columns of "CustomEdit" and "RichEdit" lines their adopted controls.
    void attachControls(std::vector<Column>& columns);
    void applyColumnSizes();
    // The user resized or moved columns: the column list takes the new
    // widths (in characters) and order.
    void titleGestureFinished(bool resized, bool moved);

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
    const Column* column(int c) const;
    bool focusWithin() const;
    // A control about to be hidden passes the window's focus to the grid.
    void keepFocusFrom(QWidget* leaving);
    bool isOurs(const QWidget* widget) const;
    bool showsSelection() const;
    bool highlights(int row, int c) const;
    void syncCurrent();
    void placeOverlays();
    QRect overlayRect(const QRect& cell) const;
    void updateIndicator();

    // cell editor (gridcommands.cpp)
    void showEditor(const QString* typed = nullptr);
    void hideEditor();
    void loadEditor();
    void writePending();
    void editorEdited();

    // key dispatch
    bool handleKey(QKeyEvent* event, QWidget* from);

    // commands of keys and clicks (gridcommands.cpp)
    // Moves to a column; typed text is written first (a failure keeps the cell).
    void selectColumn(int c);
    // Moves to a row; returns the row it should land on (rows below a dropped
    // new row move up by one), -1 without rows.
    int goToRow(int row);
    void moveRows(int distance);
    void rowDown();
    void rowUp();
    void tab(bool forward);
    void toggleCheckBox(int c);
    void deleteRow();
    void escape();
    void insertRow();
    void enterKey();
    void f2Key();
    bool typeInto(QKeyEvent* event);
    // Hands a key to the current cell's control (cellcontrols.cpp), which takes the focus;
    // false when the cell shows none (or the key comes from it).
    bool passToControl(QKeyEvent* event, QWidget* from);
    // A click on an expand sign: the button reports it (cellcontrols.cpp).
    bool clickExpandSign(const QPoint& pos);
    // The layout file's own moments (gridlayout.cpp).
    void loadLayoutOnFirstShow();
    void saveLayoutAtEnd() noexcept;
    bool mayInsert() const;
    void leaveGrid();
    int visibleRowCount() const;
    int topRow() const;
    int bottomRow() const;

    QStringList selected_;
    QStringList controlType_;
    std::vector<Adopted> adopted_;
    bool adoptedOnce_ = false;
    GridModel* model_;
    TitleHeader* titles_;
    IndicatorHeader* indicator_;
    QLineEdit* editor_;
    int currentColumn_ = 0;
    int editorColumn_ = -1;  // the column whose field the cell editor was loaded from
    int markedRow_ = -1;     // where the indicator mark was drawn last
    int extraRow_ = -1;      // the row made taller by setRowExtraHeight
    IniAttributes ini_;
    bool layoutLoadedOnce_ = false;
    // Whether the cell editor is switched on (F2, Enter, typing); with
    // dgAlwaysShowEditor it is on whenever the grid has the focus.
    bool editing_ = false;
    bool hidingEditor_ = false;
    int viewHolds_ = 0;
    bool viewDue_ = false;
    // The second click of a double-click must not toggle a check box again.
    quint64 lastPressTime_ = 0;
    QPoint lastPressCell_{-1, -1};
};

}  // namespace grid
