// The "Text" editor window on its own: its keys, its view toggles and the
// dialogs behind its Format and Edit menus, driven as a user would.
#include "grid/richtext_dialogs.h"
#include "grid/richtext_window.h"
#include "tests/support/box_script.h"
#include "tests/support/keys.h"
#include "tests/support/program_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>

using grid::RichTextWindow;
using msgbox::Button;

namespace {

// A shown window over a copy of the given paragraphs.
struct Window {
    QTextDocument content;
    std::unique_ptr<RichTextWindow> w;
    explicit Window(const QString& text) {
        content.setPlainText(text);
        w = std::make_unique<RichTextWindow>(content, 0, QFont());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    ~Window() {
        // Leave without the save question.
        w->editor()->document()->setModified(false);
        w->close();
    }
    QTextEdit* editor() const { return w->editor(); }
    void select(int from, int to) {
        QTextCursor c = editor()->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        editor()->setTextCursor(c);
    }
    QTextCharFormat charAt(int position) const {
        QTextCursor c(editor()->document());
        c.setPosition(position + 1);  // the format of the character before
        return c.charFormat();
    }
    QTextBlock block(int n) const { return editor()->document()->findBlockByNumber(n); }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(editor(), k, mods); }
};

QPushButton* button(QWidget* dialog, const QString& caption) {
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    qWarning("no button %s", qPrintable(caption));
    return nullptr;
}

// Runs the window's menu item while `answer` drives the modal dialog it opens.
void withDialog(RichTextWindow* w, const QString& item, std::function<void(QDialog*)> answer) {
    bool seen = false;
    whenModal([&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog && dialog != w);
        seen = true;
        answer(dialog);
    });
    QAction* action = w->item(item);
    QVERIFY2(action, qPrintable(item));
    action->trigger();
    QVERIFY2(seen, qPrintable(item));
}

}  // namespace

class TestRichTextWindow : public QObject {
    Q_OBJECT
private slots:
    void menusAndViewToggles() {
        Window t(QStringLiteral("bir"));
        auto captions = [](QMenu* m) {
            QStringList out;
            for (QAction* a : m->actions())
                if (!a->isSeparator()) out << a->text();
            return out;
        };
        QCOMPARE(captions(t.w->FileMenu), QStringList{"E&xit"});
        QCOMPARE(captions(t.w->EditMenu), (QStringList{"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Cle&ar", "Select A&ll",
                                                       "&Find", "Find &Next", "R&eplace"}));
        QCOMPARE(captions(t.w->FormatMenu), (QStringList{"&Font", "&Bullet Style", "&Paragraph", "&Tabs"}));
        // Each View item shows and hides its part and is checked while shown.
        const std::pair<const char*, QWidget*> parts[] = {
            {"&Toolbar", t.w->ToolBar}, {"&Format Bar", t.w->FormatBar}, {"&Status Bar", t.w->StatusBar}, {"&Ruler", t.w->Ruler}};
        for (const auto& [caption, part] : parts) {
            QAction* toggle = t.w->item(QString::fromUtf8(caption));
            QVERIFY(toggle);
            QVERIFY(!toggle->isChecked());
            QVERIFY(!part->isVisible());
            toggle->trigger();
            QVERIFY2(toggle->isChecked() && part->isVisible(), caption);
            toggle->trigger();
            QVERIFY2(!toggle->isChecked() && !part->isVisible(), caption);
        }
        // Shown, the status bar and the ruler follow the caret.
        t.w->item(QStringLiteral("&Status Bar"))->trigger();
        t.key(Qt::Key_End);
        QCOMPARE(t.w->StatusBar->currentMessage(), QStringLiteral("Satır 1, Sütun 4"));
    }

    void keysFormatBreakAndUndo() {
        Window t(QStringLiteral("bir iki"));
        t.select(0, 3);
        struct Style {
            Qt::Key key;
            std::function<bool(const QTextCharFormat&)> on;
        };
        const Style styles[] = {
            {Qt::Key_B, [](const QTextCharFormat& f) { return f.fontWeight() >= QFont::Bold; }},
            {Qt::Key_I, [](const QTextCharFormat& f) { return f.fontItalic(); }},
            {Qt::Key_U, [](const QTextCharFormat& f) { return f.fontUnderline(); }},
        };
        for (const Style& s : styles) {
            t.key(s.key, Qt::ControlModifier);
            QVERIFY(s.on(t.charAt(0)) && s.on(t.charAt(2)));
            QVERIFY(!s.on(t.charAt(4)));  // outside the selection
            t.key(s.key, Qt::ControlModifier);
            QVERIFY(!s.on(t.charAt(0)));
            t.key(s.key, Qt::ControlModifier);  // left on for the undo below
        }
        QVERIFY(t.editor()->document()->isModified());
        // Esc undoes the last change only, and the window stays.
        t.key(Qt::Key_Escape);
        QVERIFY(t.w->isVisible());
        QVERIFY(!t.charAt(0).fontUnderline());
        QVERIFY(t.charAt(0).fontItalic());
        // Enter breaks the line, Tab is text.
        t.editor()->moveCursor(QTextCursor::End);
        t.key(Qt::Key_Return);
        t.key(Qt::Key_Tab);
        typeText(t.editor(), QStringLiteral("üç"));
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("bir iki\n\tüç"));
        QCOMPARE(QApplication::focusWidget(), t.editor());
        // The typing since the line break is one change, as for Ctrl+Z.
        t.key(Qt::Key_Escape);
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("bir iki\n"));
    }

    void fontAndColourDialogs() {
        Window t(QStringLiteral("bir iki"));
        t.select(4, 7);
        QFont chosen(QStringLiteral("DejaVu Serif"), 20);
        chosen.setBold(true);
        {
            DialogScript dialogs;
            dialogs.chooseFont(chosen);
            t.w->item(QStringLiteral("&Font"))->trigger();
            QCOMPARE(dialogs.shown(), QList<QString>{QStringLiteral("Yazı Tipi")});
        }
        QCOMPARE(t.charAt(5).fontPointSize(), 20.0);
        QCOMPARE(t.charAt(5).fontWeight(), int(QFont::Bold));
        QCOMPARE(t.charAt(5).font().family(), chosen.family());
        QVERIFY(t.charAt(0).fontPointSize() != 20.0);
        // Cancelled, nothing changes.
        t.select(0, 3);
        {
            DialogScript dialogs;
            dialogs.cancel(qtdialog::Kind::Font);
            t.w->item(QStringLiteral("&Font"))->trigger();
        }
        QVERIFY(t.charAt(0).fontPointSize() != 20.0);

        // The colour sits on the format bar.
        QAction* colour = nullptr;
        for (QAction* a : t.w->FormatBar->actions())
            if (a->text() == QStringLiteral("Renk")) colour = a;
        QVERIFY(colour);
        {
            DialogScript dialogs;
            dialogs.chooseColour(QColor(0xC0, 0x10, 0x20));
            colour->trigger();
        }
        QCOMPARE(t.charAt(1).foreground().color(), QColor(0xC0, 0x10, 0x20));
        QVERIFY(t.charAt(5).foreground().color() != QColor(0xC0, 0x10, 0x20));
        {
            DialogScript dialogs;
            dialogs.cancel(qtdialog::Kind::Colour);
            colour->trigger();
        }
        QCOMPARE(t.charAt(1).foreground().color(), QColor(0xC0, 0x10, 0x20));
    }

    void bulletStyleDialog() {
        Window t(QStringLiteral("bir\niki\nüç"));
        t.select(0, t.block(1).position() + 1);  // the first two paragraphs
        auto pick = [&](const QString& choice, bool ok = true) {
            withDialog(t.w.get(), QStringLiteral("&Bullet Style"), [&](QDialog* d) {
                auto* list = d->findChild<QListWidget*>();
                QVERIFY(list);
                const auto items = list->findItems(choice, Qt::MatchExactly);
                QCOMPARE(items.size(), 1);
                list->setCurrentItem(items.first());
                QTest::mouseClick(button(d, ok ? QStringLiteral("Tamam") : QStringLiteral("İptal")), Qt::LeftButton);
            });
        };
        pick(QStringLiteral("1. 2. 3."));
        QTextList* list = t.block(0).textList();
        QVERIFY(list);
        QCOMPARE(list->format().style(), QTextListFormat::ListDecimal);
        QCOMPARE(t.block(1).textList(), list);
        QVERIFY(!t.block(2).textList());
        // The dialog starts on the list's style; a new style changes the list.
        withDialog(t.w.get(), QStringLiteral("&Bullet Style"), [&](QDialog* d) {
            QCOMPARE(d->findChild<QListWidget*>()->currentItem()->text(), QStringLiteral("1. 2. 3."));
            d->reject();
        });
        pick(QStringLiteral("■ Kare"));
        QCOMPARE(t.block(0).textList()->format().style(), QTextListFormat::ListSquare);
        pick(QStringLiteral("Yok"), false);  // cancelled
        QVERIFY(t.block(1).textList());
        // "Yok" takes the paragraphs out of the list, back to the margin.
        pick(QStringLiteral("Yok"));
        for (int n : {0, 1}) {
            QVERIFY(!t.block(n).textList());
            QCOMPARE(t.block(n).blockFormat().indent(), 0);
        }
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("bir\niki\nüç"));
    }

    void paragraphDialog() {
        Window t(QStringLiteral("bir\niki"));
        t.select(0, t.block(1).position());  // both paragraphs
        withDialog(t.w.get(), QStringLiteral("&Paragraph"), [&](QDialog* d) {
            auto* alignment = d->findChild<QComboBox*>();
            const auto spins = d->findChildren<QDoubleSpinBox*>();
            QCOMPARE(alignment->currentText(), QStringLiteral("Sola"));
            QCOMPARE(spins.size(), 3);  // left, right, first line
            alignment->setCurrentIndex(alignment->findText(QStringLiteral("Ortaya")));
            spins[0]->setValue(18);
            spins[1]->setValue(9);
            spins[2]->setValue(-6);
            QTest::mouseClick(button(d, QStringLiteral("Tamam")), Qt::LeftButton);
        });
        for (int n : {0, 1}) {
            const QTextBlockFormat f = t.block(n).blockFormat();
            QCOMPARE(f.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
            QCOMPARE(f.leftMargin(), 18.0);
            QCOMPARE(f.rightMargin(), 9.0);
            QCOMPARE(f.textIndent(), -6.0);
        }
        // Reopened, it shows the paragraph as it is; cancelled, it changes nothing.
        withDialog(t.w.get(), QStringLiteral("&Paragraph"), [&](QDialog* d) {
            QCOMPARE(d->findChild<QComboBox*>()->currentText(), QStringLiteral("Ortaya"));
            const auto spins = d->findChildren<QDoubleSpinBox*>();
            QCOMPARE(spins[0]->value(), 18.0);
            spins[0]->setValue(0);
            QTest::mouseClick(button(d, QStringLiteral("İptal")), Qt::LeftButton);
        });
        QCOMPARE(t.block(0).blockFormat().leftMargin(), 18.0);
    }

    void tabsDialog() {
        Window t(QStringLiteral("a\tb"));
        auto positions = [&] {
            QList<qreal> out;
            for (const QTextOption::Tab& tab : t.block(0).blockFormat().tabPositions()) out << tab.position;
            return out;
        };
        withDialog(t.w.get(), QStringLiteral("&Tabs"), [&](QDialog* d) {
            auto* at = d->findChild<QDoubleSpinBox*>();
            for (qreal p : {72.0, 36.0, 72.0}) {  // the second 72 is not added again
                at->setValue(p);
                QTest::mouseClick(button(d, QStringLiteral("&Ekle")), Qt::LeftButton);
            }
            QCOMPARE(d->findChild<QListWidget*>()->count(), 2);
            QTest::mouseClick(button(d, QStringLiteral("Tamam")), Qt::LeftButton);
        });
        QCOMPARE(positions(), (QList<qreal>{36, 72}));
        // Removing one stop, then all of them.
        withDialog(t.w.get(), QStringLiteral("&Tabs"), [&](QDialog* d) {
            auto* list = d->findChild<QListWidget*>();
            QCOMPARE(list->count(), 2);
            list->setCurrentRow(0);
            QTest::mouseClick(button(d, QStringLiteral("&Sil")), Qt::LeftButton);
            QTest::mouseClick(button(d, QStringLiteral("Tamam")), Qt::LeftButton);
        });
        QCOMPARE(positions(), QList<qreal>{72});
        withDialog(t.w.get(), QStringLiteral("&Tabs"), [&](QDialog* d) {
            QTest::mouseClick(button(d, QStringLiteral("&Tümünü Sil")), Qt::LeftButton);
            QTest::mouseClick(button(d, QStringLiteral("Tamam")), Qt::LeftButton);
        });
        QCOMPARE(positions(), QList<qreal>{});
    }

    void findFindsNextAndWraps() {
        Window t(QStringLiteral("Elma armut elma ELMA elmalar"));
        t.key(Qt::Key_F, Qt::ControlModifier);
        auto* find = t.w->findChild<grid::FindReplaceDialog*>();
        QVERIFY(find && find->isVisible());
        QCOMPARE(find->windowTitle(), QStringLiteral("Bul"));
        QVERIFY(!find->ReplaceEdit->isVisible());
        QVERIFY(!find->ReplaceAllButton->isVisible());
        QTest::keyClicks(find->FindEdit, QStringLiteral("elma"));
        auto selected = [&] {
            return std::pair{t.editor()->textCursor().selectionStart(), t.editor()->textCursor().selectedText()};
        };
        QTest::keyClick(find->FindEdit, Qt::Key_Return);  // the default button
        QCOMPARE(selected(), std::pair(0, QStringLiteral("Elma")));
        QTest::mouseClick(find->FindButton, Qt::LeftButton);
        QCOMPARE(selected().first, 11);
        // F3 in the editor goes on, wrapping round to the start.
        t.w->activateWindow();
        t.editor()->setFocus();
        const int expected[] = {16, 21, 0};
        for (int at : expected) {
            t.key(Qt::Key_F3);
            QCOMPARE(selected().first, at);
        }
        struct Case {
            bool matchCase, wholeWord;
            QList<int> hits;
        };
        const Case cases[] = {{true, false, {11, 21}}, {false, true, {0, 11, 16}}, {true, true, {11}}};
        for (const Case& c : cases) {
            find->MatchCase->setChecked(c.matchCase);
            find->WholeWord->setChecked(c.wholeWord);
            t.editor()->moveCursor(QTextCursor::Start);
            QList<int> hits;
            for (qsizetype n = 0; n < c.hits.size(); ++n) {
                QTest::mouseClick(find->FindButton, Qt::LeftButton);
                hits << selected().first;
            }
            QCOMPARE(hits, c.hits);
        }
        // Nothing found: a note, and the selection stays.
        BoxScript boxes;
        boxes.expect(Button::OK);
        find->FindEdit->setText(QStringLiteral("kiraz"));
        QTest::mouseClick(find->FindButton, Qt::LeftButton);
        QCOMPARE(boxes.last().text, QStringLiteral("\r\n\"kiraz\" bulunamadı."));
        QCOMPARE(selected().first, 11);
        QVERIFY(!t.editor()->document()->isModified());
    }

    void replaceOneAndAll() {
        Window t(QStringLiteral("elma armut Elma elma"));
        t.key(Qt::Key_H, Qt::ControlModifier);
        auto* find = t.w->findChild<grid::FindReplaceDialog*>();
        QVERIFY(find && find->isVisible());
        QCOMPARE(find->windowTitle(), QStringLiteral("Değiştir"));
        QVERIFY(find->ReplaceEdit->isVisible());
        find->FindEdit->setText(QStringLiteral("elma"));
        find->ReplaceEdit->setText(QStringLiteral("erik"));
        // Replace: first finds, then replaces the match and finds the next.
        QTest::mouseClick(find->ReplaceButton, Qt::LeftButton);
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("elma armut Elma elma"));
        QTest::mouseClick(find->ReplaceButton, Qt::LeftButton);
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("erik armut Elma elma"));
        QCOMPARE(t.editor()->textCursor().selectionStart(), 11);

        // Replace all: every match at once, even when the new text holds the
        // old one, and one undo takes it all back.
        BoxScript boxes;
        boxes.expect(Button::OK);
        find->ReplaceEdit->setText(QStringLiteral("elmalar"));
        QTest::mouseClick(find->ReplaceAllButton, Qt::LeftButton);
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("erik armut elmalar elmalar"));
        QCOMPARE(boxes.last().text, QStringLiteral("\r\n2 yer değiştirildi."));
        t.w->activateWindow();
        t.editor()->setFocus();
        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("erik armut Elma elma"));
        // Nothing to replace: told so, nothing changes.
        boxes.expect(Button::OK);
        find->FindEdit->setText(QStringLiteral("kiraz"));
        QTest::mouseClick(find->ReplaceAllButton, Qt::LeftButton);
        QCOMPARE(boxes.last().text, QStringLiteral("\r\n0 yer değiştirildi."));
        QCOMPARE(t.editor()->toPlainText(), QStringLiteral("erik armut Elma elma"));
    }
};

QTEST_MAIN(TestRichTextWindow)
#include "tst_richtext_window.moc"
