#pragma once

#include "storage/session.h"

#include <QPointer>
#include <QTextEdit>

#include <memory>

namespace storage {
class RecordSet;
}

namespace grid {

class FieldLink;

// The rich-text question control: a data-aware rich-text box that a data grid
// adopts as the cell control of a memo column ("RichEdit" line).
//
// - It holds the current row's field as formatted text: stored rich text is
//   read as such, anything else (and rich text that does not parse) as plain
//   text. While hidden it only notes that a load is due and loads at the
//   latest when it is shown, read or set, so that a row of 100,000 scrolled
//   past costs nothing and its text never belongs to another row.
// - Typing puts the row into edit state; changed content goes into the field
//   as rich text when the control loses the focus and before every post.
// - Its text (questionText) is the content without formatting or pictures, paragraphs
//   separated by CR LF: what the post rule of bank questions stores.
// - Keys: the grid takes Tab, Enter (where it acts as Tab), Up, Down, PageUp,
//   PageDown, Insert, Shift+Insert and the Ctrl navigation keys, Left at the
//   start and Right at the end (keytable.h). Enter never breaks the line
//   here, Esc on changed content loads the field again, F2 does nothing.
// - Pasting takes text, HTML and rich text (Turkish letters of a word
//   processor's rich text included) and keeps line breaks; a bitmap alone
//   is refused.
// - A double-click, also one whose first click showed the control over its
//   cell, opens the "Text" editor window on a copy of the content.
class RichCell : public QTextEdit, public storage::QuestionTextControl {
    Q_OBJECT
public:
    explicit RichCell(QWidget* parent = nullptr);

    FieldLink* fieldLink() const { return link_; }
    // As FieldLink::bind.
    void bindField(storage::RecordSet* recordSet, const QString& field);

    // The content without formatting; a due load happens first. While the
    // set holds its controls back, the current row's field read as this
    // control reads it (the control itself stays as it is).
    QString questionText() const override;
    // Replaces the content (rich text when it begins with "{\rtf", else plain
    // text) after any due load; the content counts as changed.
    void setQuestionText(const QString& text) override;

    // Opens the "Text" editor window. On Yes its content goes into the field
    // (the row into edit state, never posted) and into this control.
    void openEditor();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void loadField();
    void ensureLoaded() const;
    void watchParent();
    static QString questionTextOf(const QTextDocument& document);

    FieldLink* link_;
    bool stale_ = false;
    bool loading_ = false;
    bool editorOpen_ = false;
    bool showsCut_ = false;      // the field's beginning only, read only (longtext::tooLong)
    QPointer<QWidget> watched_;  // the widget the control lies on (a grid's viewport)
    quint64 underPress_ = 0;     // when that widget was last pressed
    quint64 openedByPress_ = 0;  // the press that opened the editor
    // Reads the field while the set holds its controls back.
    mutable std::unique_ptr<QTextDocument> heldRow_;
};

}  // namespace grid
