#pragma once

#include <QDialog>

class QAction;
class QFont;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTextDocument;
class QTextEdit;
class QToolBar;

namespace grid {

class FindReplaceDialog;

// "Text": the full editor of a rich-text control's content. Modal, sized
// 610 x 455 at 96 dots per inch and centred on the screen. It starts with a
// copy of the content, caret and font; Enter breaks lines, Tab is text,
// Ctrl+B/I/U switch bold, italic and underline, Esc undoes the last change.
//
// Closing (the close box or "E&xit") unchanged just closes. Changed, it asks
// "Changes have been made!  Do you wish to save your changes?": Yes closes
// and applied() is true, No closes, Cancel stays.
class RichTextWindow : public QDialog {
    Q_OBJECT
public:
    RichTextWindow(const QTextDocument& content, int caret, const QFont& font, QWidget* parent = nullptr);
    ~RichTextWindow() override;

    QTextEdit* editor() const { return editor_; }
    bool applied() const { return applied_; }

    QMenu* FileMenu = nullptr;
    QMenu* EditMenu = nullptr;
    QMenu* ViewMenu = nullptr;
    QMenu* FormatMenu = nullptr;
    // The optional parts, hidden at first.
    QToolBar* ToolBar = nullptr;
    QToolBar* FormatBar = nullptr;
    QWidget* Ruler = nullptr;
    QStatusBar* StatusBar = nullptr;
    // The item of a menu by its caption ("&Find"), or null.
    QAction* item(const QString& caption) const;

    // Format commands, also behind the Format menu's dialogs.
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void buildBars();
    QAction* add(QMenu* menu, const QString& caption, const QKeySequence& keys = {});
    void showFind(bool replace);
    void findNext();
    void chooseFont();
    void chooseColour();
    void chooseBullets();
    void editParagraph();
    void editTabs();
    void updateStatus();

    QMenuBar* menuBar_;
    QTextEdit* editor_;
    FindReplaceDialog* find_ = nullptr;
    bool applied_ = false;
    bool closing_ = false;
};

}  // namespace grid
