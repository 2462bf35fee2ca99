#include "grid/mappedcombo.h"

#include "grid/fieldlink.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace grid {

namespace {
bool isPrintable(const QKeyEvent* event) {
    if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) return false;
    const QString text = event->text();
    return text.size() == 1 && text.at(0).isPrint();
}
}  // namespace

MappedCombo::MappedCombo(QWidget* parent) : QComboBox(parent), link_(new FieldLink(this)) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(8);
    // The text is what the user typed; completing it would change what is stored.
    setCompleter(nullptr);
    link_->load = [this] { showField(); };
    link_->commit = [this] { link_->writeText(storedFor(currentText())); };
    link_->storeOnFocusOut(this);
    connect(this, &QComboBox::activated, link_, &FieldLink::noteUserEdit);
    connect(lineEdit(), &QLineEdit::textEdited, link_, &FieldLink::noteUserEdit);
    view()->installEventFilter(this);
}

void MappedCombo::setMapList(const QStringList& items) {
    mapList_ = items;
    shown_.clear();
    stored_.clear();
    for (const QString& item : items) {
        const qsizetype tab = item.indexOf(QLatin1Char('\t'));
        shown_.append(tab < 0 ? item : item.left(tab));
        stored_.append(tab < 0 ? item : item.mid(tab + 1));
    }
    const QSignalBlocker block(this);
    clear();
    addItems(shown_);
    link_->reload();
}

QString MappedCombo::shownFor(const QString& stored) const {
    const qsizetype i = stored_.indexOf(stored);
    return i < 0 ? QString() : shown_.at(i);
}

QString MappedCombo::storedFor(const QString& shown) const {
    for (qsizetype i = 0; i < shown_.size(); ++i)
        if (shown_.at(i).compare(shown, Qt::CaseInsensitive) == 0) return stored_.at(i);
    return QString();
}

void MappedCombo::bindField(storage::RecordSet* recordSet, const QString& field) { link_->bind(recordSet, field); }

void MappedCombo::showField() {
    const int i = int(stored_.indexOf(link_->text()));
    const QSignalBlocker block(this);
    setCurrentIndex(i);
    if (i < 0) setEditText(QString());
    // A value shown anew is selected whole, so that typing replaces it.
    lineEdit()->selectAll();
}

int MappedCombo::findNextStartingWith(QChar c) const {
    const int n = count();
    if (n == 0) return -1;
    // While the list is open its highlight is the current item.
    const int from = view()->isVisible() && view()->currentIndex().isValid() ? view()->currentIndex().row() : currentIndex();
    const QString key(c);
    for (int step = 1; step <= n; ++step) {
        const int i = ((from < 0 ? -1 : from) + step) % n;
        if (itemText(i).startsWith(key, Qt::CaseInsensitive)) return i;
    }
    return -1;
}

bool MappedCombo::typeCharacter(const QString& text) {
    const int i = findNextStartingWith(text.at(0));
    // Opening the list or selecting an item replaces the text; the typed text stays.
    QLineEdit* edit = lineEdit();
    const QString before = edit->text();
    const int cursor = edit->cursorPosition();
    const int selStart = edit->selectionStart();
    const int selLength = int(edit->selectedText().size());
    if (!view()->isVisible()) showPopup();
    if (i >= 0) {
        {
            const QSignalBlocker block(this);
            setCurrentIndex(i);
        }
        view()->setCurrentIndex(model()->index(i, modelColumn(), rootModelIndex()));
    }
    edit->setText(before);
    if (selStart >= 0)
        edit->setSelection(selStart, selLength);
    else
        edit->setCursorPosition(cursor);
    edit->insert(text);
    link_->noteUserEdit();
    return true;
}

void MappedCombo::keyPressEvent(QKeyEvent* event) {
    if (isPrintable(event)) {
        typeCharacter(event->text());
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool MappedCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isPrintable(key)) return typeCharacter(key->text());
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
            QCoreApplication::sendEvent(lineEdit(), event);
            return true;
        }
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            // Tab leaves the box even while its list is open.
            hidePopup();
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(this, &copy);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

}  // namespace grid
