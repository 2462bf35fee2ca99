#include "grid/richcell.h"

#include "grid/boxes.h"
#include "grid/fieldlink.h"
#include "grid/richtext_window.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "text/long_text.h"
#include "text/rtf.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextList>

namespace grid {

namespace {

// What word processors put on the clipboard as rich text.
const QStringList kRtfFormats{QStringLiteral("text/rtf"), QStringLiteral("text/richtext"), QStringLiteral("application/rtf")};

QString rtfOf(const QMimeData* source) {
    for (const QString& format : kRtfFormats)
        if (source->hasFormat(format)) {
            const QByteArray bytes = source->data(format);
            // Rich text is 7-bit: its letters beyond ASCII are escapes that
            // name their code page, so Latin-1 keeps every byte as it came.
            return QString::fromLatin1(bytes);
        }
    return {};
}

}  // namespace

RichCell::RichCell(QWidget* parent) : QTextEdit(parent), link_(new FieldLink(this)) {
    setLineWrapMode(QTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setAcceptRichText(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    link_->load = [this] {
        // Hidden, the control only notes the load; shown, read or set, it loads.
        stale_ = true;
        if (isVisible()) ensureLoaded();
    };
    link_->commit = [this] { link_->writeText(rtf::toRtf(*document())); };
    link_->storeOnFocusOut(this);
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!loading_) link_->noteUserEdit();
    });
}

void RichCell::bindField(storage::RecordSet* recordSet, const QString& field) { link_->bind(recordSet, field); }

void RichCell::ensureLoaded() const {
    if (stale_) const_cast<RichCell*>(this)->loadField();
}

void RichCell::loadField() {
    const QScopedValueRollback<bool> loading(loading_, true);
    stale_ = false;
    const QString content = link_->text();
    if (content.isEmpty()) {
        // An empty field starts without numbering, left aligned, in the font's colour.
        clear();
        QTextCursor cursor(document());
        QTextBlockFormat block;
        block.setAlignment(Qt::AlignLeft);
        cursor.setBlockFormat(block);
        if (QTextList* list = cursor.currentList()) list->remove(cursor.block());
        QTextCharFormat plain;
        plain.setForeground(palette().color(QPalette::Text));
        cursor.setCharFormat(plain);
        setCurrentCharFormat(plain);
    } else if (longtext::tooLong(content)) {
        // Laying out megabytes takes seconds and gigabytes: the cell shows
        // the beginning, and only for reading, so that the cut never goes
        // back into the field.
        document()->setPlainText(longtext::cut(longtext::plainBeginning(content), longtext::kCellChars, true));
        setReadOnly(true);
        showsCut_ = true;
    } else {
        rtf::readDocument(*document(), content, rtf::Limit::Full);
    }
    if (showsCut_ && !longtext::tooLong(content)) {
        setReadOnly(false);
        showsCut_ = false;
    }
    document()->setModified(false);
}

QString RichCell::questionText() const {
    // A content shown cut is read from the field, whole, and never laid out.
    if (!link_->modified() && longtext::tooLong(link_->text())) return rtf::questionText(link_->text());
    if (link_->held() && !link_->modified()) {
        // Loading the row into the shown document would lay it out; a
        // document of its own, without a layout, reads it the same way.
        if (!heldRow_) heldRow_ = std::make_unique<QTextDocument>();
        rtf::readDocument(*heldRow_, link_->text(), rtf::Limit::Full);
        return questionTextOf(*heldRow_);
    }
    ensureLoaded();
    return questionTextOf(*document());
}

QString RichCell::questionTextOf(const QTextDocument& document) {
    QString text = rtf::questionText(document);
    // A picture pasted or typed in with the text is an object character
    // here; a plain question has no place for it.
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

void RichCell::setQuestionText(const QString& text) {
    ensureLoaded();
    {
        const QScopedValueRollback<bool> loading(loading_, true);
        rtf::readDocument(*document(), text, rtf::Limit::Full);
        if (showsCut_) {
            setReadOnly(false);
            showsCut_ = false;
        }
    }
    // What was set is pending input: a change of another field of the row
    // must not load the field over it.
    link_->setModified(true);
}

void RichCell::showEvent(QShowEvent* event) {
    atEntry([&] { ensureLoaded(); });
    QTextEdit::showEvent(event);
}

bool RichCell::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) watchParent();
    return QTextEdit::event(event);
}

void RichCell::watchParent() {
    if (watched_) watched_->removeEventFilter(this);
    watched_ = parentWidget();
    if (watched_) watched_->installEventFilter(this);
}

bool RichCell::eventFilter(QObject* watched, QEvent* event) {
    // The first click of a double-click on a cell lands on the grid, which
    // then shows this control over the cell; the second lands here.
    if (watched == watched_ && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        underPress_ = static_cast<QMouseEvent*>(event)->timestamp();
    return QTextEdit::eventFilter(watched, event);
}

void RichCell::mousePressEvent(QMouseEvent* event) {
    const quint64 t = event->timestamp();
    if (event->button() == Qt::LeftButton && underPress_ != 0 && t >= underPress_ &&
        t - underPress_ < quint64(QApplication::doubleClickInterval())) {
        underPress_ = 0;
        openedByPress_ = t;
        atEntry([&] { openEditor(); });
        return;
    }
    QTextEdit::mousePressEvent(event);
}

void RichCell::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QTextEdit::mouseDoubleClickEvent(event);
    const quint64 t = event->timestamp();
    // The press that came with this double-click opened the editor already.
    if (openedByPress_ != 0 && t >= openedByPress_ && t - openedByPress_ < quint64(QApplication::doubleClickInterval())) {
        openedByPress_ = 0;
        return;
    }
    atEntry([&] { openEditor(); });
}

void RichCell::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
        case Qt::Key_Escape:
            if (link_->modified()) {
                atEntry([&] { link_->reload(); });
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            return;  // no line break in the cell; F2 is nothing here
        case Qt::Key_Insert:
            if (shift) return;  // the grid's key: never a paste in the cell
            break;
        default:
            break;
    }
    QTextEdit::keyPressEvent(event);
    // A cut shown for reading takes no typing; ignored, the keys would go
    // up to the grid, which hands typing back to the cell's control.
    const bool typing = (!event->text().isEmpty() && event->text().at(0).isPrint()) || event->key() == Qt::Key_Backspace ||
                        event->key() == Qt::Key_Delete;
    if (showsCut_ && typing) event->accept();
}

void RichCell::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* cut = menu.addAction(QStringLiteral("Cu&t"), this, &QTextEdit::cut);
    QAction* copy = menu.addAction(QStringLiteral("&Copy"), this, &QTextEdit::copy);
    QAction* paste = menu.addAction(QStringLiteral("&Paste"), this, &QTextEdit::paste);
    const bool selected = textCursor().hasSelection();
    cut->setEnabled(selected && !isReadOnly());
    copy->setEnabled(selected);
    paste->setEnabled(!isReadOnly() && canPaste());
    menu.exec(event->globalPos());
}

bool RichCell::canInsertFromMimeData(const QMimeData* source) const {
    return source && (source->hasText() || source->hasHtml() || !rtfOf(source).isEmpty());
}

void RichCell::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source)) return;  // a bitmap alone
    QTextCursor cursor = textCursor();
    const QString rich = rtfOf(source);
    if (rtf::isValidRichText(rich)) {
        QTextDocument pasted;
        rtf::readDocument(pasted, rich, rtf::Limit::Full);
        cursor.insertFragment(QTextDocumentFragment(&pasted));
    } else if (source->hasHtml()) {
        cursor.insertFragment(QTextDocumentFragment::fromHtml(source->html(), document()));
    } else {
        QString text = source->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        cursor.insertText(text);
    }
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RichCell::openEditor() {
    if (editorOpen_) return;
    const QScopedValueRollback<bool> open(editorOpen_, true);
    ensureLoaded();
    if (showsCut_)
        throw storage::Error(QStringLiteral("Bu sorunun metni çok uzun (%1 karakter); \"Text\" penceresi en çok %2 "
                                            "karakterlik metinleri açar. Metin olduğu gibi duruyor.")
                                 .arg(QLocale(QLocale::Turkish).toString(qint64(link_->text().size())),
                                      QLocale(QLocale::Turkish).toString(qint64(longtext::kWindowChars))));
    RichTextWindow window(*document(), textCursor().position(), font(), this);
    window.exec();
    if (!window.applied()) return;
    // The row takes the window's content as rich text and goes into edit
    // state; it is posted like any other edit.
    const QString content = rtf::toRtf(*window.editor()->document());
    if (!link_->canModify()) return;
    link_->writeText(content);
    {
        const QScopedValueRollback<bool> loading(loading_, true);
        stale_ = false;
        clear();
        QTextCursor(document()).insertFragment(QTextDocumentFragment(window.editor()->document()));
    }
    link_->setModified(true);
}

}  // namespace grid
