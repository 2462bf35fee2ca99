#pragma once

#include <QDialog>
#include <QList>
#include <QTextListFormat>
#include <QTextOption>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTextBlockFormat;
class QTextEdit;

// The dialogs behind the "Text" editor window's Format and Edit menus.
namespace grid {

// Find and replace in a text editor; modeless, it works on the editor's
// text from the caret on, wrapping round at the end once.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    FindReplaceDialog(QTextEdit* editor, QWidget* parent = nullptr);

    // Shows the replace part or hides it.
    void setReplaceMode(bool replace);

    QLineEdit* FindEdit;
    QLineEdit* ReplaceEdit;
    QCheckBox* MatchCase;
    QCheckBox* WholeWord;
    QPushButton* FindButton;
    QPushButton* ReplaceButton;
    QPushButton* ReplaceAllButton;

    // Selects the next match; false (and a note) when there is none.
    bool findNext();
    // Replaces the selected match, then finds the next one.
    bool replaceOne();
    // Replaces every match as one undo step; returns how many.
    int replaceAll();

private:
    bool findFrom(int position, bool wrap);
    bool selectionMatches() const;
    QTextEdit* editor_;
};

// The list style of the selected paragraphs; false when cancelled.
// QTextListFormat::ListStyleUndefined means no bullets.
bool chooseBulletStyle(QWidget* parent, QTextListFormat::Style* style);

// Alignment and indents of the selected paragraphs; false when cancelled.
bool editParagraphFormat(QWidget* parent, QTextBlockFormat* format);

// Tab stops of the selected paragraphs, positions in points; false when cancelled.
bool editTabStops(QWidget* parent, QList<QTextOption::Tab>* tabs);

}  // namespace grid
