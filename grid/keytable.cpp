#include "grid/keytable.h"

#include "grid/fieldlink.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace grid {

namespace {

// Where the caret of a text-holding control stands.
struct Caret {
    bool known = false;
    int start = 0, end = 0, length = 0;  // selection (start == end: no selection)
};

Caret caretOf(QWidget* w) {
    Caret c;
    if (QLineEdit* line = lineEditOf(w)) {
        c.known = true;
        c.length = int(line->text().size());
        if (line->hasSelectedText()) {
            c.start = line->selectionStart();
            c.end = line->selectionEnd();
        } else {
            c.start = c.end = line->cursorPosition();
        }
        return c;
    }
    QTextCursor cursor;
    if (auto* te = qobject_cast<QTextEdit*>(w))
        cursor = te->textCursor();
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(w))
        cursor = pe->textCursor();
    else
        return c;
    c.known = true;
    QTextCursor endCursor(cursor);
    endCursor.movePosition(QTextCursor::End);
    c.length = endCursor.position();
    c.start = cursor.selectionStart();
    c.end = cursor.selectionEnd();
    return c;
}

// When a key goes back to the grid.
enum class Rule {
    Never,
    Always,
    WithoutCtrl,
    WithCtrl,
    EnterToTab,  // where Enter acts as Tab
    // A selection is not a caret position: with text selected, Left, Right,
    // Home and End first collapse the selection inside the holder.
    AtStart,      // with Ctrl, or the caret at the very start and nothing selected
    AtEnd,        // with Ctrl, or the caret at the very end and nothing selected
    AllSelected,  // with Ctrl, or the whole text selected
    Unchanged,    // while the control holds no changed content
};

struct KeyRule {
    int key;
    Rule editor;   // in the grid's own cell editor
    Rule control;  // in an adopted cell control, whose Enter, Esc and F2 are its own
    // In a rich-text control: rows move with Up and Down, Home and End stay
    // in the text, Esc undoes changed content before it cancels the row.
    Rule rich;
};

// clang-format off
constexpr KeyRule kKeyTable[] = {
    {Qt::Key_Tab,      Rule::WithoutCtrl, Rule::WithoutCtrl, Rule::WithoutCtrl},
    {Qt::Key_Backtab,  Rule::WithoutCtrl, Rule::WithoutCtrl, Rule::WithoutCtrl},
    {Qt::Key_Return,   Rule::Always,      Rule::EnterToTab,  Rule::EnterToTab},
    {Qt::Key_Enter,    Rule::Always,      Rule::EnterToTab,  Rule::EnterToTab},
    {Qt::Key_Escape,   Rule::Always,      Rule::Never,       Rule::Unchanged},
    {Qt::Key_F2,       Rule::Always,      Rule::Never,       Rule::Never},
    {Qt::Key_Insert,   Rule::Always,      Rule::Always,      Rule::Always},
    {Qt::Key_Delete,   Rule::WithCtrl,    Rule::WithCtrl,    Rule::WithCtrl},
    {Qt::Key_PageUp,   Rule::Always,      Rule::Always,      Rule::Always},
    {Qt::Key_PageDown, Rule::Always,      Rule::Always,      Rule::Always},
    {Qt::Key_Up,       Rule::Always,      Rule::AllSelected, Rule::Always},
    {Qt::Key_Down,     Rule::Always,      Rule::AllSelected, Rule::Always},
    {Qt::Key_Left,     Rule::AtStart,     Rule::AtStart,     Rule::AtStart},
    {Qt::Key_Home,     Rule::AtStart,     Rule::AtStart,     Rule::WithCtrl},
    {Qt::Key_Right,    Rule::AtEnd,       Rule::AtEnd,       Rule::AtEnd},
    {Qt::Key_End,      Rule::WithCtrl,    Rule::WithCtrl,    Rule::WithCtrl},
};
// clang-format on

}  // namespace

KeyHolder holderKind(const QWidget* control) {
    return qobject_cast<const QTextEdit*>(control) ? KeyHolder::RichText : KeyHolder::CellControl;
}

QLineEdit* lineEditOf(QWidget* control) {
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->lineEdit();
    return qobject_cast<QLineEdit*>(control);
}

bool handsBackToGrid(const QKeyEvent* event, QWidget* holder, KeyHolder kind, bool enterToTab) {
    const auto mods = event->modifiers();
    if (mods & Qt::AltModifier) return false;
    // An open drop-down list keeps its keys.
    if (auto* combo = qobject_cast<QComboBox*>(holder); combo && combo->view()->isVisible()) return false;
    const bool ctrl = mods & Qt::ControlModifier;
    for (const KeyRule& entry : kKeyTable) {
        if (entry.key != event->key()) continue;
        const Rule rule = kind == KeyHolder::CellEditor ? entry.editor : kind == KeyHolder::RichText ? entry.rich : entry.control;
        switch (rule) {
            case Rule::Never:
                return false;
            case Rule::Always:
                return true;
            case Rule::WithoutCtrl:
                return !ctrl;
            case Rule::WithCtrl:
                return ctrl;
            case Rule::EnterToTab:
                return enterToTab;
            case Rule::Unchanged: {
                const auto* link = holder->findChild<FieldLink*>(QString(), Qt::FindDirectChildrenOnly);
                return !link || !link->modified();
            }
            default:
                break;
        }
        if (ctrl) return true;
        const Caret c = caretOf(holder);
        if (!c.known) return false;
        switch (rule) {
            case Rule::AtStart:
                return c.start == 0 && c.end == 0;
            case Rule::AtEnd:
                return c.start == c.length && c.end == c.length;
            default:
                return c.start == 0 && c.end == c.length;
        }
    }
    return false;
}

}  // namespace grid
