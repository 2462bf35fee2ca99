#include "grid/richtext_window.h"

#include "grid/boxes.h"
#include "grid/richtext_dialogs.h"
#include "ui/msgbox.h"
#include "ui/placement.h"
#include "ui/qtdialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <QVBoxLayout>

namespace grid {

RichTextWindow::RichTextWindow(const QTextDocument& content, int caret, const QFont& font, QWidget* parent)
    : QDialog(parent), menuBar_(new QMenuBar(this)), editor_(new QTextEdit(this)) {
    setObjectName(QStringLiteral("RichTextWindow"));
    setWindowTitle(QStringLiteral("Text"));
    setModal(true);
    editor_->setObjectName(QStringLiteral("Editor"));
    editor_->setFont(font);
    editor_->document()->setDefaultFont(content.defaultFont());
    QTextCursor(editor_->document()).insertFragment(QTextDocumentFragment(&content));
    editor_->setLineWrapMode(QTextEdit::WidgetWidth);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setTabChangesFocus(false);
    editor_->setAccessibleName(QStringLiteral("Text"));
    editor_->document()->clearUndoRedoStacks();
    editor_->document()->setModified(false);
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(std::clamp(caret, 0, editor_->document()->characterCount() - 1));
    editor_->setTextCursor(cursor);

    buildBars();
    buildMenus();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(ToolBar);
    layout->addWidget(FormatBar);
    layout->addWidget(Ruler);
    layout->addWidget(editor_, 1);
    layout->addWidget(StatusBar);

    // The designed size is the window's outer size, its frame included.
    const qreal scale = logicalDpiX() / 96.0;
    ui::setOuterSize(this, QSize(qRound(610 * scale), qRound(455 * scale)));
    ui::centreOnScreen(this);
    editor_->setFocus();
}

RichTextWindow::~RichTextWindow() = default;

QAction* RichTextWindow::add(QMenu* menu, const QString& caption, const QKeySequence& keys) {
    QAction* action = menu->addAction(caption);
    if (!keys.isEmpty()) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

QAction* RichTextWindow::item(const QString& caption) const {
    for (QMenu* menu : {FileMenu, EditMenu, ViewMenu, FormatMenu})
        for (QAction* a : menu->actions())
            if (a->text() == caption) return a;
    return nullptr;
}

void RichTextWindow::buildMenus() {
    auto guarded = [this](QAction* action, std::function<void()> f) {
        connect(action, &QAction::triggered, this, [f = std::move(f)] { atEntry(f); });
    };
    FileMenu = menuBar_->addMenu(QStringLiteral("&File"));
    guarded(add(FileMenu, QStringLiteral("E&xit")), [this] { close(); });

    EditMenu = menuBar_->addMenu(QStringLiteral("&Edit"));
    guarded(add(EditMenu, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z)), [this] { editor_->undo(); });
    guarded(add(EditMenu, QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y)), [this] { editor_->redo(); });
    EditMenu->addSeparator();
    guarded(add(EditMenu, QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X)), [this] { editor_->cut(); });
    guarded(add(EditMenu, QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C)), [this] { editor_->copy(); });
    guarded(add(EditMenu, QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V)), [this] { editor_->paste(); });
    guarded(add(EditMenu, QStringLiteral("Cle&ar")), [this] { editor_->textCursor().removeSelectedText(); });
    EditMenu->addSeparator();
    guarded(add(EditMenu, QStringLiteral("Select A&ll"), QKeySequence(Qt::CTRL | Qt::Key_A)), [this] { editor_->selectAll(); });
    EditMenu->addSeparator();
    guarded(add(EditMenu, QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F)), [this] { showFind(false); });
    guarded(add(EditMenu, QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3)), [this] { findNext(); });
    guarded(add(EditMenu, QStringLiteral("R&eplace"), QKeySequence(Qt::CTRL | Qt::Key_H)), [this] { showFind(true); });

    ViewMenu = menuBar_->addMenu(QStringLiteral("&View"));
    const std::pair<const char*, QWidget*> parts[] = {
        {"&Toolbar", ToolBar}, {"&Format Bar", FormatBar}, {"&Status Bar", StatusBar}, {"&Ruler", Ruler}};
    for (const auto& [caption, part] : parts) {
        QAction* toggle = add(ViewMenu, QString::fromUtf8(caption));
        toggle->setCheckable(true);
        toggle->setChecked(false);
        part->hide();
        connect(toggle, &QAction::toggled, part, &QWidget::setVisible);
    }

    FormatMenu = menuBar_->addMenu(QStringLiteral("F&ormat"));
    guarded(add(FormatMenu, QStringLiteral("&Font")), [this] { chooseFont(); });
    guarded(add(FormatMenu, QStringLiteral("&Bullet Style")), [this] { chooseBullets(); });
    guarded(add(FormatMenu, QStringLiteral("&Paragraph")), [this] { editParagraph(); });
    guarded(add(FormatMenu, QStringLiteral("&Tabs")), [this] { editTabs(); });

    // Bold, italic and underline have keys but no menu items.
    const std::pair<QKeySequence, void (RichTextWindow::*)()> styles[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_B), &RichTextWindow::toggleBold},
        {QKeySequence(Qt::CTRL | Qt::Key_I), &RichTextWindow::toggleItalic},
        {QKeySequence(Qt::CTRL | Qt::Key_U), &RichTextWindow::toggleUnderline}};
    for (const auto& [keys, command] : styles) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, command = command] { (this->*command)(); });
    }
}

void RichTextWindow::buildBars() {
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    for (auto [caption, slot] :
         {std::pair{"Kes", &QTextEdit::cut}, {"Kopyala", &QTextEdit::copy}, {"Yapıştır", &QTextEdit::paste}})
        ToolBar->addAction(QString::fromUtf8(caption), editor_, slot);
    ToolBar->addAction(QStringLiteral("Geri Al"), editor_, &QTextEdit::undo);
    ToolBar->addAction(QStringLiteral("Bul"), this, [this] { atEntry([&] { showFind(false); }); });

    FormatBar = new QToolBar(this);
    FormatBar->setObjectName(QStringLiteral("FormatBar"));
    FormatBar->addAction(QStringLiteral("Yazı Tipi"), this, [this] { atEntry([&] { chooseFont(); }); });
    FormatBar->addAction(QStringLiteral("Renk"), this, [this] { atEntry([&] { chooseColour(); }); });
    FormatBar->addAction(QStringLiteral("K"), this, &RichTextWindow::toggleBold)->setToolTip(QStringLiteral("Kalın"));
    FormatBar->addAction(QStringLiteral("İ"), this, &RichTextWindow::toggleItalic)->setToolTip(QStringLiteral("İtalik"));
    FormatBar->addAction(QStringLiteral("A"), this, &RichTextWindow::toggleUnderline)->setToolTip(QStringLiteral("Altı çizili"));
    for (auto [caption, align] : {std::pair{"Sola", Qt::AlignLeft}, {"Ortaya", Qt::AlignHCenter}, {"Sağa", Qt::AlignRight}})
        FormatBar->addAction(QString::fromUtf8(caption), this, [this, align = align] { editor_->setAlignment(align); });

    // The ruler shows the current paragraph's indents.
    auto* ruler = new QLabel(this);
    ruler->setObjectName(QStringLiteral("Ruler"));
    ruler->setFrameShape(QFrame::StyledPanel);
    Ruler = ruler;
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    connect(editor_, &QTextEdit::cursorPositionChanged, this, &RichTextWindow::updateStatus);
    updateStatus();
}

void RichTextWindow::updateStatus() {
    const QTextCursor c = editor_->textCursor();
    StatusBar->showMessage(QStringLiteral("Satır %1, Sütun %2").arg(c.blockNumber() + 1).arg(c.positionInBlock() + 1));
    const QTextBlockFormat f = c.blockFormat();
    static_cast<QLabel*>(Ruler)->setText(
        QStringLiteral("Sol %1 pt   İlk satır %2 pt   Sağ %3 pt").arg(f.leftMargin()).arg(f.textIndent()).arg(f.rightMargin()));
}

void RichTextWindow::toggleBold() {
    editor_->setFontWeight(editor_->fontWeight() >= QFont::DemiBold ? QFont::Normal : QFont::Bold);
}
void RichTextWindow::toggleItalic() { editor_->setFontItalic(!editor_->fontItalic()); }
void RichTextWindow::toggleUnderline() { editor_->setFontUnderline(!editor_->fontUnderline()); }

void RichTextWindow::showFind(bool replace) {
    if (!find_) find_ = new FindReplaceDialog(editor_, this);
    find_->setReplaceMode(replace);
    const QString selected = editor_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) find_->FindEdit->setText(selected);
    find_->show();
    find_->raise();
    find_->FindEdit->setFocus();
}

void RichTextWindow::findNext() {
    if (!find_ || find_->FindEdit->text().isEmpty()) return showFind(false);
    find_->findNext();
}

void RichTextWindow::chooseFont() {
    QFont font = editor_->currentFont();
    if (qtdialog::font(this, QStringLiteral("Yazı Tipi"), &font)) editor_->setCurrentFont(font);
}

void RichTextWindow::chooseColour() {
    QColor colour = editor_->textColor();
    if (qtdialog::colour(this, QStringLiteral("Renk"), &colour)) editor_->setTextColor(colour);
}

void RichTextWindow::chooseBullets() {
    QTextCursor cursor = editor_->textCursor();
    QTextListFormat::Style style =
        cursor.currentList() ? cursor.currentList()->format().style() : QTextListFormat::ListStyleUndefined;
    if (!chooseBulletStyle(this, &style)) return;
    cursor.beginEditBlock();
    if (style == QTextListFormat::ListStyleUndefined) {
        // Every selected paragraph leaves its list.
        for (QTextBlock b = editor_->document()->findBlock(cursor.selectionStart());
             b.isValid() && b.position() <= cursor.selectionEnd(); b = b.next())
            if (QTextList* list = b.textList()) {
                list->remove(b);
                QTextCursor at(b);
                QTextBlockFormat plain = at.blockFormat();
                plain.setIndent(0);
                at.setBlockFormat(plain);
            }
    } else if (QTextList* list = cursor.currentList()) {
        QTextListFormat f = list->format();
        f.setStyle(style);
        list->setFormat(f);
    } else {
        cursor.createList(style);
    }
    cursor.endEditBlock();
}

void RichTextWindow::editParagraph() {
    QTextCursor cursor = editor_->textCursor();
    QTextBlockFormat format = cursor.blockFormat();
    if (editParagraphFormat(this, &format)) cursor.mergeBlockFormat(format);
    updateStatus();
}

void RichTextWindow::editTabs() {
    QTextCursor cursor = editor_->textCursor();
    QList<QTextOption::Tab> tabs = cursor.blockFormat().tabPositions();
    if (!editTabStops(this, &tabs)) return;
    QTextBlockFormat format;
    format.setTabPositions(tabs);
    cursor.mergeBlockFormat(format);
}

void RichTextWindow::keyPressEvent(QKeyEvent* event) {
    // Esc undoes the last change; it never closes the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        editor_->undo();
        return;
    }
    QDialog::keyPressEvent(event);
}

void RichTextWindow::done(int result) {
    if (closing_) return;
    if (editor_->document()->isModified()) {
        msgbox::Box box;
        box.caption = QStringLiteral("Confirm");
        box.text = QStringLiteral("Changes have been made!  Do you wish to save your changes?");
        box.icon = msgbox::Icon::Question;
        box.buttons = {msgbox::Button::Yes, msgbox::Button::No, msgbox::Button::Cancel};
        box.defaultButton = msgbox::Button::Yes;
        box.escapeButton = msgbox::Button::Cancel;
        box.owner = this;
        const msgbox::Button answer = msgbox::show(box);
        if (answer == msgbox::Button::Cancel) return;
        applied_ = answer == msgbox::Button::Yes;
    }
    closing_ = true;
    if (find_) find_->hide();
    QDialog::done(result);
    closing_ = false;
}

}  // namespace grid
