#include "app/frm_main_grids.h"
#include "bank/frm_grp_grids.h"
#include "bank/frm_qimport_grids.h"
#include "bank/frm_sgrp_grids.h"
#include "bank/frm_soru_gir_grids.h"
#include "exams/frm_sinav_soru_ekle_grids.h"
#include "grid/columnlist.h"
#include "grid/datagrid.h"
#include "grid/fieldlink.h"
#include "grid/keytable.h"
#include "grid/mappedcombo.h"
#include "grid/profiles.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "tests/grid/grid_harness.h"
#include "tests/support/box_script.h"
#include "tests/support/error_of.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>

using namespace grid;
using storage::RecordSet;
using storage::RecordState;

namespace {

QString line(const QString& field, int width, const QString& title, const QString& flag = QStringLiteral("F")) {
    return field + u'\t' + QString::number(width) + u'\t' + title + u'\t' + flag;
}

// The entry grid's column widths and titles without the window around it.
profiles::GridDeclaration entry() { return bank::questionEntryGrid(); }

const QString kCannotShow = QStringLiteral("Alan gösterilemiyor");

// A data-aware text box, named as the entry grid's answer control, whose
// link cannot show its field while `failing` is set.
struct FailingBox : QLineEdit {
    FieldLink* link;
    bool failing = false;

    explicit FailingBox(QWidget* parent) : QLineEdit(parent), link(new FieldLink(this)) {
        setObjectName(QStringLiteral("tre_ans"));
        link->load = [this] {
            if (failing) throw storage::Error(kCannotShow);
            setText(link->text());
        };
        link->commit = [this] { link->writeText(text()); };
    }
};

}  // namespace

class TestDataGrid : public QObject {
    Q_OBJECT
private slots:
    void init() { QToolTip::hideText(); }

    // ---------------------------------------------------- binding and layout

    void lineOfMissingFieldIsDropped() {
        GridHarness h;
        h.groups(2);
        QSignalSpy changed(h.grid, &DataGrid::selectedChanged);
        profiles::GridDeclaration d = bank::groupsDialogGrid();
        d.selected = {line(QStringLiteral("NOPE"), 5, QStringLiteral("Yok")),
                      line(QStringLiteral("GROUPNAME"), 49, QStringLiteral("Grup Adı"))};
        h.apply(d);
        // Closed: nothing is known of the fields yet, so nothing is dropped.
        QCOMPARE(h.grid->selected().size(), 2);
        h.rs.open();
        QCOMPARE(h.grid->selected(), QStringList{line(QStringLiteral("GROUPNAME"), 49, QStringLiteral("Grup Adı"))});
        QCOMPARE(h.grid->columnCount(), 1);
        QCOMPARE(h.grid->columnField(0), QStringLiteral("GROUPNAME"));
        QCOMPARE(changed.count(), 1);
        // Reopening does not bring it back.
        h.rs.close();
        h.rs.open();
        QCOMPARE(h.grid->selected().size(), 1);
    }

    void fieldNamesMatchIgnoringCase() {
        GridHarness h;
        h.groups(1);
        profiles::GridDeclaration d = bank::groupsDialogGrid();
        d.selected = {line(QStringLiteral("groupname"), 10, QStringLiteral("Ad"), QStringLiteral("F\tkept"))};
        h.open(d);
        QCOMPARE(h.grid->columnCount(), 1);
        // The fifth part survives a rewrite of the width.
        h.grid->horizontalHeader()->resizeSection(0, 200);
        QCOMPARE(h.grid->selected().first().split(u'\t').last(), QStringLiteral("kept"));
    }

    void titleLinesAndWidths_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("chars");
        QTest::addColumn<bool>("titles");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("two lines, widened") << QStringLiteral("Doğru~Cevap") << 1 << true
                                            << QStringList{QStringLiteral("Doğru"), QStringLiteral("Cevap")};
        QTest::newRow("long title line") << QStringLiteral("Soru / Resimli Soru {resim.uzantı} / ~<?>Soru Grup Başlığı") << 5
                                         << true
                                         << QStringList{QStringLiteral("Soru / Resimli Soru {resim.uzantı} / "),
                                                        QStringLiteral("<?>Soru Grup Başlığı")};
        QTest::newRow("wide enough") << QStringLiteral("A") << 20 << true << QStringList{QStringLiteral("A")};
        QTest::newRow("no title row, no widening")
            << QStringLiteral("Doğru~Cevap") << 1 << false << QStringList{QStringLiteral("Doğru"), QStringLiteral("Cevap")};
        QTest::newRow("empty title") << QString() << 3 << true << QStringList{QString()};
    }
    void titleLinesAndWidths() {
        QFETCH(QString, title);
        QFETCH(int, chars);
        QFETCH(bool, titles);
        QFETCH(QStringList, lines);
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        profiles::GridDeclaration d = entry();
        if (!titles) d.profile.Options &= ~GridOptions(dgTitles);
        d.selected = {line(QStringLiteral("true_answer"), chars, title)};
        d.controlType.clear();
        h.open(d);
        QCOMPARE(h.grid->columnTitleLines(0), lines);
        int expected = chars * 6 + 4;  // the design font's 6-pixel "0", whatever face stands in
        if (titles)
            for (const QString& l : lines)
                expected = std::max(expected, QFontMetrics(d.profile.TitleFont).horizontalAdvance(l) + 4);
        QCOMPARE(h.grid->columnPixelWidth(0), expected);
        QCOMPARE(h.grid->horizontalHeader()->isVisibleTo(h.grid), titles);
    }

    void rowAndTitleHeightsFollowTheFont_data() {
        QTest::addColumn<profiles::GridDeclaration>("declaration");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("titleLines");
        QTest::newRow("entry 260 %") << entry() << 260 << 2;
        QTest::newRow("groups 125 %") << app::mainGroupsGrid() << 125 << 1;
        QTest::newRow("exam questions 120 %") << app::mainExamQuestionsGrid() << 120 << 1;
        QTest::newRow("groups dialog 100 %") << bank::groupsDialogGrid() << 100 << 1;
    }
    void rowAndTitleHeightsFollowTheFont() {
        QFETCH(profiles::GridDeclaration, declaration);
        QFETCH(int, percent);
        QFETCH(int, titleLines);
        GridHarness h;
        h.groups(3);
        declaration.selected = {line(QStringLiteral("GROUPNAME"), 20, QStringLiteral("Ad"))};
        h.open(declaration);
        const int text = 13;  // the design font's text height, whatever face stands in
        QCOMPARE(h.grid->dataRowHeight(), (text + 3) * percent / 100);
        QCOMPARE(h.grid->verticalHeader()->sectionSize(1), h.grid->dataRowHeight());
        const int titleText = 13;
        QCOMPARE(h.grid->titleHeight(), titleLines * titleText + 4);
        QVERIFY(h.show());
        QCOMPARE(h.grid->horizontalHeader()->height(), h.grid->titleHeight());
        QCOMPARE(h.grid->cellRect(1, 0).top() - h.grid->cellRect(0, 0).top(), h.grid->dataRowHeight());
    }

    // The design font gives the designed sizes on every machine; any other
    // font is measured.
    void sizesOfTheDesignFontAndOfOthers() {
        GridProfile p = bank::questionEntryGrid().profile;
        DataGrid grid;
        grid.setProfile(p);
        QCOMPARE(grid.zeroWidth(), 6);
        QCOMPARE(grid.dataRowHeight(), 41);
        QCOMPARE(grid.titleHeight(), 30);
        for (auto [percent, height] : {std::pair{125, 20}, {120, 19}, {100, 16}}) {
            p.RowHeightPercent = percent;
            p.TitleLines = 1;
            grid.setProfile(p);
            QCOMPARE(grid.dataRowHeight(), height);
            QCOMPARE(grid.titleHeight(), 17);
        }
        QFont big = p.CellFont;
        big.setPointSize(20);
        p.CellFont = p.TitleFont = big;
        grid.setProfile(p);
        QCOMPARE(grid.zeroWidth(), QFontMetrics(big).horizontalAdvance(u'0'));
        QCOMPARE(grid.titleHeight(), QFontMetrics(big).height() + 4);
    }

    void widthThatIsNotANumberIsAConversionError() {
        GridHarness h;
        h.groups(1);
        h.open(bank::groupsDialogGrid());
        const QStringList before = h.grid->selected();
        QString message;
        try {
            h.grid->setSelected({QStringLiteral("GROUPNAME\t12x\tAd\tF")});
        } catch (const storage::Error& e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("'12x' is not a valid integer value"));
        QCOMPARE(h.grid->selected(), before);
        QCOMPARE(h.grid->columnCount(), 1);
    }

    // ------------------------------------------------------------- setters

    // Windows call the setters while they are built: a failure reaches the
    // caller as an exception, never as a box (BoxScript fails on any), and the
    // grid stands as the setter left it, ready for use once the control can
    // show its field again.
    void gridSettersThrowWhatACellControlCannotShow_data() {
        QTest::addColumn<QString>("setter");
        for (const char* setter : {"adoptControls", "setRecordSet", "setProfile", "setControlType"})
            QTest::newRow(setter) << QString::fromLatin1(setter);
    }
    void gridSettersThrowWhatACellControlCannotShow() {
        QFETCH(QString, setter);
        BoxScript boxes;
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        auto* box = new FailingBox(&h.window);
        h.open(entry());
        if (setter == QLatin1String("adoptControls")) {
            box->failing = true;
            QCOMPARE(errorOf([&] { h.grid->adoptControls(); }), kCannotShow);
            QVERIFY(h.show());
        } else {
            h.grid->adoptControls();
            QVERIFY(h.show());
            h.click(0, 5);
            QVERIFY(box->hasFocus());
            box->failing = true;
        }
        const QStringList answerOnly{QStringLiteral("true_answer;CustomEdit;tre_ans;F")};
        GridProfile taller = entry().profile;
        taller.RowHeightPercent = 150;
        if (setter == QLatin1String("setRecordSet")) {
            QCOMPARE(errorOf([&] { h.grid->setRecordSet(&h.rs); }), kCannotShow);
            QCOMPARE(box->link->recordSet(), &h.rs);
            QCOMPARE(h.grid->model()->rowCount(), 2);
        } else if (setter == QLatin1String("setProfile")) {
            QCOMPARE(errorOf([&] { h.grid->setProfile(taller); }), kCannotShow);
            QCOMPARE(h.grid->verticalHeader()->sectionSize(0), taller.dataRowHeight());
        } else if (setter == QLatin1String("setControlType")) {
            QCOMPARE(errorOf([&] { h.grid->setControlType(answerOnly); }), kCannotShow);
            QCOMPARE(h.grid->controlType(), answerOnly);
            QVERIFY(!h.grid->model()->index(0, 6).data(Qt::CheckStateRole).isValid());  // sts is no check box now
        }
        // Adopted, bound and placed all the same.
        QCOMPARE(h.grid->cellControl(5), box);
        QCOMPARE(box->parentWidget(), h.grid->viewport());
        box->failing = false;
        h.click(1, 5);
        QVERIFY(box->isVisible());
        QCOMPARE(box->text(), QStringLiteral("2"));
    }

    void setCurrentColumnThrowsTextItCannotWrite() {
        BoxScript boxes;
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        profiles::GridDeclaration d = entry();
        d.selected = QStringList{QStringLiteral("rid\t5\tNo\tF"), QStringLiteral("answer1\t20\tCevap A\tF")};
        d.controlType.clear();
        QVERIFY(h.start(d));
        h.click(0, 0);
        h.type(QStringLiteral("abc"));
        QCOMPARE(errorOf([&] { h.grid->setCurrentColumn(1); }), QStringLiteral("rs: '1abc' is not a valid integer value"));
        // The text waits in its cell to be corrected.
        QCOMPARE(h.grid->currentColumn(), 0);
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("1abc"));
    }

    // What a setter writes reaches other controls through the record set's
    // signals: a control that then fails to show its field fails the setter.
    void setterThrowsWhatItsWriteMakesAnotherControlFail() {
        BoxScript boxes;
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        profiles::GridDeclaration d = entry();
        d.selected = QStringList{QStringLiteral("answer1\t20\tCevap A\tF"), QStringLiteral("answer2\t20\tCevap B\tF")};
        d.controlType.clear();
        h.open(d);
        auto* other = new FailingBox(&h.window);  // the same field, elsewhere in the window
        h.window.layout()->addWidget(other);
        other->link->bind(&h.rs, QStringLiteral("answer1"));
        QVERIFY(h.show());
        h.click(0, 0);
        h.type(QStringLiteral("yeni"));
        const QString typed = h.grid->cellEditor()->text();
        other->failing = true;
        QCOMPARE(errorOf([&] { h.grid->setCurrentColumn(1); }), kCannotShow);
        QCOMPARE(h.rs.field(QStringLiteral("answer1")).asString(), typed);
        QCOMPARE(h.grid->currentColumn(), 1);
    }

    void controlSettersThrowWhatTheyCannotShow() {
        BoxScript boxes;
        GridHarness h;
        h.questions({{QStringLiteral("'3'"), QStringLiteral("0")}});
        h.rs.open();
        auto* text = new FailingBox(&h.window);
        text->failing = true;
        QCOMPARE(errorOf([&] { text->link->bind(&h.rs, QStringLiteral("answer1")); }), kCannotShow);
        QCOMPARE(text->link->recordSet(), &h.rs);  // bound all the same
        QCOMPARE(text->link->fieldName(), QStringLiteral("answer1"));

        auto* combo = new MappedCombo(&h.window);
        combo->bindField(&h.rs, QStringLiteral("true_answer"));
        combo->fieldLink()->load = [] { throw storage::Error(kCannotShow); };
        QCOMPARE(errorOf([&] { combo->setMapList({QStringLiteral("A\t1"), QStringLiteral("C\t3")}); }), kCannotShow);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->shownFor(QStringLiteral("3")), QStringLiteral("C"));
    }

    // ------------------------------------------------------------ cell text

    // The grid's model is a correct item model through all that its record
    // set does; rows added or dropped in the middle included, whose
    // neighbours the model must report as they were until it has announced
    // the change.
    void modelStaysAValidItemModel() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 1)"), QStringLiteral("('Final', NULL)"), QStringLiteral("('Bütünleme', 0)")});
        h.apply(app::mainExamsGrid());
        QAbstractItemModel* model = h.grid->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        h.rs.open();
        QCOMPARE(model->rowCount(), 3);
        h.rs.append();
        h.rs.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("Ek"));
        h.rs.post();
        QCOMPARE(model->rowCount(), 4);
        h.rs.first();
        h.rs.next();
        h.rs.insert();  // before "Final"
        QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("Final"));
        h.rs.cancel();
        QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("Final"));
        h.rs.edit();
        h.rs.field(QStringLiteral("DRM")).setAsString(QStringLiteral("True"));
        h.rs.post();
        QCOMPARE(model->index(1, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        h.rs.remove();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("Bütünleme"));
        h.db.exec(QStringLiteral("INSERT INTO qgroup (GROUPNAME, DRM) VALUES ('Dışarıdan', 0)"));
        h.rs.refresh();
        QCOMPARE(model->rowCount(), 4);
        h.rs.moveBy(2);
        h.rs.last();
        h.rs.close();
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->columnCount(), 3);
    }

    void cellTextRules() {
        GridHarness h;
        h.db.exec(QStringLiteral("INSERT INTO tqmaster VALUES (7, 'Uzun soru', 'x', NULL, NULL, NULL, '3', 1, 1)"));
        h.db.exec(QStringLiteral("INSERT INTO tqmaster VALUES (8, NULL, NULL, NULL, NULL, NULL, '9', 0, 1)"));
        h.rs.setCommandText(QStringLiteral("Select * from tqmaster Order By rid"));
        profiles::GridDeclaration d = bank::importQuestionsGrid();
        d.profile.UseTFields = false;
        h.open(d);
        // rid, question, answer1..4, true_answer, sts, qgrp
        QCOMPARE(h.grid->cellText(0, 0), QStringLiteral("7"));
        QVERIFY(h.grid->model()->index(0, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QVERIFY(h.grid->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
        // A memo without mGridShow, and the rich-text control absent.
        QCOMPARE(h.grid->cellText(0, 1), QStringLiteral("(Memo)"));
        QCOMPARE(h.grid->cellText(0, 6), QStringLiteral("3"));
        QCOMPARE(h.grid->cellText(0, 7), QStringLiteral("True"));
        QCOMPARE(h.grid->cellText(1, 7), QStringLiteral("False"));
        QCOMPARE(h.grid->cellText(1, 2), QString());

        GridProfile shown = h.grid->profile();
        shown.MemoAttributes |= mGridShow;
        h.grid->setProfile(shown);
        QCOMPARE(h.grid->cellText(0, 1), QStringLiteral("Uzun soru"));
    }

    void richTextCellsShowPlainText() {
        GridHarness h;
        const QString rich = QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0 Birinci\\par ikinci}");
        h.db.exec(QStringLiteral("INSERT INTO tqmaster VALUES (1, '%1', 'a', 'b', 'c', 'd', '1', 0, 1)").arg(rich));
        h.db.exec(QStringLiteral("INSERT INTO tqmaster VALUES (2, '{\\rtfoo plain', 'a', 'b', 'c', 'd', '1', 0, 1)"));
        h.rs.setCommandText(QStringLiteral("Select * from tqmaster Order By rid"));
        auto* richEdit = new QLineEdit(&h.window);
        richEdit->setObjectName(QStringLiteral("wwDBRichEdit1"));
        h.open(entry());
        // No control adopted yet: an ordinary memo, which shows text, not codes, too.
        QCOMPARE(h.grid->cellText(0, 0), QStringLiteral("Birinci\r\nikinci"));
        h.grid->adoptControls();
        QCOMPARE(h.grid->cellControl(0), richEdit);
        QCOMPARE(h.grid->cellText(0, 0), QStringLiteral("Birinci\r\nikinci"));
        QCOMPARE(h.grid->cellText(1, 0), QStringLiteral("{\\rtfoo plain"));
    }

    void checkBoxCells() {
        GridHarness h;
        h.exams({QStringLiteral("('A', NULL)"), QStringLiteral("('B', 1)"), QStringLiteral("('C', 0)")});
        h.open(app::mainExamsGrid());
        QVERIFY(!h.grid->isChecked(0, 2));
        QVERIFY(h.grid->isChecked(1, 2));
        QVERIFY(!h.grid->isChecked(2, 2));
        QCOMPARE(h.grid->cellText(1, 2), QString());
        QCOMPARE(h.grid->model()->index(1, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }

    // ---------------------------------------------------------------- look

    void rowColoursAlternateAndStayWithTheRow() {
        GridHarness h;
        h.groups(60);
        QVERIFY(h.start(bank::groupsDialogGrid()));
        // Well right of the text, inside the cell.
        auto sample = [&](int row) {
            const QRect r = h.grid->cellRect(row, 0);
            return h.pixel(QPoint(r.right() - 6, r.center().y()));
        };
        h.grid->clearFocus();
        h.window.setFocus();
        QCOMPARE(sample(1), QColor(0xE9, 0xE7, 0xD1));
        QCOMPARE(sample(2), QColor(0xF4, 0xF3, 0xEA));
        QCOMPARE(h.grid->rowColor(0), QColor(0xF4, 0xF3, 0xEA));
        h.grid->verticalScrollBar()->setValue(1);
        QCOMPARE(h.grid->rowAt(0), 1);
        QCOMPARE(sample(1), QColor(0xE9, 0xE7, 0xD1));  // now first on screen, same colour
        QCOMPARE(sample(2), QColor(0xF4, 0xF3, 0xEA));
    }

    void titleRowKeepsItsColourRightOfTheLastColumn() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 0)")});
        const profiles::GridDeclaration d = app::mainExamsGrid();
        QVERIFY(h.start(d));
        QHeaderView* titles = h.grid->horizontalHeader();
        const int end = titles->length();
        QVERIFY(end + 10 < titles->viewport()->width());
        const QImage image = titles->viewport()->grab().toImage();
        QCOMPARE(image.pixelColor(end + 5, titles->height() / 2), d.profile.TitleColor);
        QCOMPARE(image.pixelColor(titles->viewport()->width() - 2, titles->height() / 2), d.profile.TitleColor);
    }

    void selectionColours_data() {
        QTest::addColumn<profiles::GridDeclaration>("declaration");
        QTest::addColumn<bool>("otherCellHighlighted");  // row select
        QTest::addColumn<bool>("highlightedWithoutFocus");
        QTest::newRow("row select, always shown") << app::mainGroupsGrid() << true << true;
        QTest::newRow("cells, always shown") << app::mainExamsGrid() << false << true;
        QTest::newRow("cells, only with focus") << bank::groupsDialogGrid() << false << false;
    }
    void selectionColours() {
        QFETCH(profiles::GridDeclaration, declaration);
        QFETCH(bool, otherCellHighlighted);
        QFETCH(bool, highlightedWithoutFocus);
        GridHarness h;
        h.exams({QStringLiteral("('A', 0)"), QStringLiteral("('B', 0)"), QStringLiteral("('C', 0)")});
        declaration.selected = {line(QStringLiteral("ID"), 3, QString()),
                                line(QStringLiteral("GROUPNAME"), 20, QStringLiteral("Ad"))};
        h.open(declaration);
        auto* other = new QLineEdit(&h.window);
        h.window.layout()->addWidget(other);
        QVERIFY(h.show());
        h.click(1, 1);
        const QColor highlight = h.grid->palette().color(QPalette::Active, QPalette::Highlight);
        auto at = [&](int row, int column) {
            const QRect r = h.grid->cellRect(row, column);
            return h.pixel(QPoint(r.right() - 3, r.bottom() - 3));
        };
        QCOMPARE(at(1, 1), highlight);
        QCOMPARE(at(1, 0) == highlight, otherCellHighlighted);
        QVERIFY(at(0, 1) != highlight);
        other->setFocus();
        QCOMPARE(at(1, 1) == highlight, highlightedWithoutFocus);
    }

    void indicatorMarksTheRowState() {
        GridHarness h;
        h.groups(2);
        h.open(bank::groupsDialogGrid());
        QVERIFY(h.grid->verticalHeader()->isVisibleTo(h.grid));
        auto mark = [&](int row) { return h.grid->model()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString(); };
        QCOMPARE(mark(0), QStringLiteral(">"));
        QCOMPARE(mark(1), QString());
        h.rs.edit();
        QCOMPARE(mark(0), QStringLiteral("I"));
        h.rs.cancel();
        h.rs.append();
        QCOMPARE(mark(2), QStringLiteral("*"));
        // Grids without the indicator have none.
        h.grid->setProfile(app::mainGroupsGrid().profile);
        QVERIFY(!h.grid->verticalHeader()->isVisibleTo(h.grid));
    }

    void cellHintOnlyForTextThatDoesNotFit() {
        GridHarness h;
        h.db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('kısa'), ('%1')").arg(QString(60, u'w')));
        h.rs.setTableName(QStringLiteral("tqgroup"));
        profiles::GridDeclaration d = app::mainGroupsGrid();
        d.selected = {line(QStringLiteral("GROUPNAME"), 10, QStringLiteral("Ad"))};
        QVERIFY(h.start(d));
        auto hintAt = [&](int row) {
            QToolTip::hideText();
            if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); })) return QStringLiteral("<still shown>");
            const QPoint p = h.center(row, 0);
            QHelpEvent e(QEvent::ToolTip, p, h.grid->viewport()->mapToGlobal(p));
            QApplication::sendEvent(h.grid->viewport(), &e);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(hintAt(0), QString());
        QCOMPARE(hintAt(1), QString(60, u'w'));
        h.grid->setProfile(bank::groupsDialogGrid().profile);  // no cell hints there
        QCOMPARE(hintAt(1), QString());
    }

    void accessibleCellsReportTextAndState() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 1)"), QStringLiteral("('Final', NULL)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(h.grid);
        QVERIFY(table && table->tableInterface());
        QAccessibleTableInterface* t = table->tableInterface();
        QCOMPARE(t->rowCount(), 2);
        QCOMPARE(t->columnCount(), 3);
        QCOMPARE(t->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("Final"));
        QCOMPARE(t->columnDescription(1), QStringLiteral("Sınav Adı"));
        QAccessibleInterface* box = t->cellAt(0, 2);
        QVERIFY(box->state().checkable);
        QVERIFY(box->state().checked);
        // A check box is named by its column, not by its stored value.
        QCOMPARE(box->text(QAccessible::Name), QStringLiteral("Sınav Pasif"));
        QVERIFY(!t->cellAt(1, 2)->state().checked);
        QCOMPARE(t->cellAt(1, 2)->text(QAccessible::Name), QStringLiteral("Sınav Pasif"));
        // Row headers say in words what the indicator's sign means.
        // (the table's own, cached row headers: a cell's header list is new
        // objects nobody can free)
        auto rowHeader = [&](int row) {
            for (int i = 0, seen = 0; i < table->childCount(); ++i)
                if (table->child(i)->role() == QAccessible::RowHeader && seen++ == row) return table->child(i);
            return static_cast<QAccessibleInterface*>(nullptr);
        };
        QVERIFY(rowHeader(0));
        QCOMPARE(rowHeader(0)->text(QAccessible::Name), QStringLiteral("Satır 1, geçerli"));
        QCOMPARE(rowHeader(1)->text(QAccessible::Name), QStringLiteral("Satır 2"));
        h.click(0, 1);
        h.type(QStringLiteral("x"));
        QCOMPARE(rowHeader(0)->text(QAccessible::Name), QStringLiteral("Satır 1, düzenleniyor"));
    }

    // --------------------------------------------------------- check boxes

    void checkBoxToggles_data() {
        QTest::addColumn<bool>("singleClick");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("expected");  // stored DRM of the first exam, null before
        QTest::newRow("single-click grid, one click") << true << false << "1";
        QTest::newRow("single-click grid, double-click toggles once") << true << true << "1";
        QTest::newRow("double-click grid, one click") << false << false << "";
        QTest::newRow("double-click grid, double-click") << false << true << "1";
    }
    void checkBoxToggles() {
        QFETCH(bool, singleClick);
        QFETCH(bool, doubleClick);
        QFETCH(QString, expected);
        GridHarness h;
        h.exams({QStringLiteral("('A', NULL)"), QStringLiteral("('B', 0)")});
        profiles::GridDeclaration d = app::mainExamsGrid();
        if (!singleClick) d.profile.EditControlOptions &= ~EditControlOptionSet(ecoCheckboxSingleClick);
        QVERIFY(h.start(d));
        QSignalSpy dbl(h.grid, &DataGrid::dblClicked);
        if (doubleClick)
            h.doubleClick(0, 2);
        else
            h.click(0, 2);
        QCOMPARE(dbl.count(), doubleClick ? 1 : 0);
        QCOMPARE(h.rs.state(), expected.isEmpty() ? RecordState::Browse : RecordState::Edit);
        QCOMPARE(h.rs.field(QStringLiteral("DRM")).asString(), expected.isEmpty() ? QString() : QStringLiteral("True"));
        QCOMPARE(h.grid->isChecked(0, 2), !expected.isEmpty());
        // Posted when the row is left, like any edit.
        h.click(1, 1);
        QCOMPARE(h.dbText(QStringLiteral("select DRM from qgroup where GROUPNAME = 'A'")), expected);
    }

    void checkBoxClickThenSpace() {
        GridHarness h;
        h.exams({QStringLiteral("('A', 1)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        h.click(0, 2);
        QCOMPARE(h.rs.field(QStringLiteral("DRM")).asString(), QStringLiteral("False"));
        QTest::keyClick(h.grid, Qt::Key_Space);
        QCOMPARE(h.rs.field(QStringLiteral("DRM")).asString(), QStringLiteral("True"));
        QTest::keyClick(h.grid, Qt::Key_X);  // other characters are ignored
        QCOMPARE(h.rs.field(QStringLiteral("DRM")).asString(), QStringLiteral("True"));
        QVERIFY(!h.grid->editorVisible());
    }

    // In an empty set Space in a check-box cell starts the first row, where
    // the grid may insert.
    void spaceInAnEmptySet_data() {
        QTest::addColumn<profiles::GridDeclaration>("declaration");
        QTest::addColumn<bool>("exams");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("entry grid inserts") << entry() << false << 1;
        QTest::newRow("exam grid does not") << app::mainExamsGrid() << true << 0;
    }
    void spaceInAnEmptySet() {
        QFETCH(profiles::GridDeclaration, declaration);
        QFETCH(bool, exams);
        QFETCH(int, rowsAfter);
        GridHarness h;
        if (exams)
            h.exams({});
        else
            h.questions({});
        QVERIFY(h.start(declaration));
        h.grid->setFocus();
        h.grid->setCurrentColumn(h.grid->columnCount() - 1);
        QCOMPARE(h.rs.recordCount(), 0);
        QTest::keyClick(h.grid, Qt::Key_Space);
        QCOMPARE(h.rs.recordCount(), rowsAfter);
        if (rowsAfter == 0) return;
        QCOMPARE(h.rs.state(), RecordState::Insert);
        QCOMPARE(h.rs.field(QStringLiteral("sts")).asString(), QStringLiteral("True"));
    }

    void checkBoxTogglesOnlyWhereEditsAreAllowed_data() {
        QTest::addColumn<int>("variant");
        QTest::newRow("read-only grid") << 0;
        QTest::newRow("no dgEditing") << 1;
        QTest::newRow("read-only column") << 2;
        QTest::newRow("set cannot change") << 3;
    }
    void checkBoxTogglesOnlyWhereEditsAreAllowed() {
        QFETCH(int, variant);
        GridHarness h;
        h.exams({QStringLiteral("('A', 0)")});
        profiles::GridDeclaration d = app::mainExamsGrid();
        if (variant == 0) d.profile.ReadOnly = true;
        if (variant == 1) d.profile.Options &= ~GridOptions(dgEditing);
        if (variant == 2) d.selected.last().replace(QStringLiteral("\tF"), QStringLiteral("\tT"));
        if (variant == 3) h.rs.setCommandText(QStringLiteral("select GROUPNAME, DRM, 1 as ID from qgroup"));
        QVERIFY(h.start(d));
        QCOMPARE(h.grid->columnField(2), QStringLiteral("DRM"));
        h.click(0, 2);
        QTest::keyClick(h.grid, Qt::Key_Space);
        QCOMPARE(h.rs.state(), RecordState::Browse);
        QCOMPARE(h.rs.field(QStringLiteral("DRM")).asString(), QStringLiteral("False"));
    }

    // ------------------------------------------------------- in-place edits

    void examNameEditedInPlaceAndPostedWhenTheRowIsLeft() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 0)"), QStringLiteral("('Final', 0)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        h.click(0, 1);
        h.type(QStringLiteral("Ara"));
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("Ara"));
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QCOMPARE(h.dbText(QStringLiteral("select GROUPNAME from qgroup where ID = 1")), QStringLiteral("Vize"));
        h.click(1, 1);
        QCOMPARE(h.dbText(QStringLiteral("select GROUPNAME from qgroup where ID = 1")), QStringLiteral("Ara"));
        QCOMPARE(h.rs.recNo(), 2);
        QVERIFY(!h.grid->editorVisible());
        // The ID column is an auto-number: clicking it and typing changes nothing.
        h.click(1, 0);
        h.type(QStringLiteral("9"));
        QCOMPARE(h.rs.state(), RecordState::Browse);
    }

    void editorTakesAtMostTheFieldSize() {
        GridHarness h;
        h.groups(1);
        QVERIFY(h.start(bank::groupsDialogGrid()));
        h.click(0, 0);
        h.type(QString(60, u'k'));
        QCOMPARE(h.grid->cellEditor()->text(), QString(50, u'k'));
    }

    void rowSelectGridNeitherEditsNorShowsControls() {
        GridHarness h;
        h.groups(2);
        auto* control = new QLineEdit(&h.window);
        control->setObjectName(QStringLiteral("wwExpandButton1"));
        h.open(app::mainGroupsGrid());
        h.grid->adoptControls();
        QVERIFY(h.show());
        QCOMPARE(h.grid->cellControl(0), control);
        h.click(1, 1);
        QCOMPARE(h.rs.recNo(), 2);
        h.type(QStringLiteral("abc"));
        h.click(1, 0);
        QVERIFY(!control->isVisible());
        QVERIFY(!h.grid->editorVisible());
        QCOMPARE(h.rs.state(), RecordState::Browse);
    }

    // -------------------------------------------------------- cell controls

    void controlIsAdoptedAndFollowsTheCurrentCell() {
        GridHarness h;
        h.questions({{QStringLiteral("'3'"), QStringLiteral("0")}, {QStringLiteral("'1'"), QStringLiteral("0")}});
        auto* box = h.answerBox();
        h.window.layout()->addWidget(box);
        h.open(entry());
        h.grid->adoptControls();
        QCOMPARE(box->parentWidget(), h.grid->viewport());
        QVERIFY(box->isHidden());
        QCOMPARE(h.grid->cellControl(5), box);
        QCOMPARE(box->accessibleName(), QStringLiteral("Doğru Cevap"));
        QVERIFY(h.show());
        h.click(0, 5);
        QVERIFY(box->isVisible());
        QCOMPARE(box->geometry().topLeft(), h.grid->cellRect(0, 5).topLeft());
        QCOMPARE(box->currentText(), QStringLiteral("C"));
        QVERIFY(box->hasFocus());  // the entry grid always shows its editor
        h.click(1, 5);
        QCOMPARE(box->geometry().topLeft(), h.grid->cellRect(1, 5).topLeft());
        QCOMPARE(box->currentText(), QStringLiteral("A"));
        h.click(1, 1);
        QVERIFY(box->isHidden());
    }

    // A window may delete a control the grid adopted; the grid goes on
    // without it, as an ordinary column.
    void deletedControlLeavesAnOrdinaryColumn() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        auto* box = h.answerBox({QStringLiteral("A\t1"), QStringLiteral("B\t2")});
        h.open(entry());
        h.grid->adoptControls();
        QVERIFY(h.show());
        h.click(0, 5);
        QVERIFY(box->hasFocus());
        delete box;
        h.click(0, 5);
        QVERIFY(h.grid->editorVisible());
        h.type(QStringLiteral("3"));
        h.key(Qt::Key_Escape);
        h.grid->setRecordSet(&h.rs);
        h.click(1, 5);
        QCOMPARE(h.grid->cellText(0, 5), QStringLiteral("1"));
        QCOMPARE(h.rs.field(QStringLiteral("true_answer")).asString(), QStringLiteral("2"));
    }

    void mappedComboShowsAndStores_data() {
        QTest::addColumn<QString>("stored");  // SQL literal
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("storedAfter");
        // clang-format off
        QTest::newRow("3 shows C") << "'3'" << "C" << "" << "3";
        QTest::newRow("empty shows nothing") << "''" << "" << "" << "";
        QTest::newRow("null shows nothing") << "NULL" << "" << "" << "";
        QTest::newRow("other value shows nothing") << "'7'" << "" << "" << "7";
        QTest::newRow("typing b stores 2") << "'1'" << "A" << "b" << "2";
        QTest::newRow("typing C stores 3") << "NULL" << "" << "C" << "3";
        QTest::newRow("typing x stores empty") << "'4'" << "D" << "x" << "";
        // clang-format on
    }
    void mappedComboShowsAndStores() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(QString, storedAfter);
        GridHarness h;
        h.questions({{stored, QStringLiteral("0")}, {QStringLiteral("'1'"), QStringLiteral("0")}});
        auto* box = h.answerBox();
        h.open(entry());
        h.grid->adoptControls();
        QCOMPARE(h.grid->cellText(0, 5), shown);
        QVERIFY(h.show());
        h.click(0, 5);
        QCOMPARE(box->currentText(), shown);
        if (!typed.isEmpty()) {
            // A first letter opens the list and selects the item it begins.
            h.type(typed);
            QVERIFY(box->view()->isVisible());
            QCOMPARE(box->currentText(), typed);
            QCOMPARE(h.rs.state(), RecordState::Edit);
            h.key(Qt::Key_Tab);  // leaves the cell
            QVERIFY(!box->view()->isVisible());
            QCOMPARE(h.grid->currentColumn(), 6);
        }
        QCOMPARE(h.rs.field(QStringLiteral("true_answer")).asString(), storedAfter);
    }

    void mappedComboTypingSelectsNextItemWithTheLetter() {
        MappedCombo box;
        box.setMapList(
            {QStringLiteral("Elma\t1"), QStringLiteral("Armut\t2"), QStringLiteral("erik\t3"), QStringLiteral("Ayva\t4")});
        QCOMPARE(box.storedFor(QStringLiteral("ERIK")), QStringLiteral("3"));
        QCOMPARE(box.storedFor(QStringLiteral("Er")), QString());
        QCOMPARE(box.shownFor(QStringLiteral("4")), QStringLiteral("Ayva"));
        QCOMPARE(box.shownFor(QStringLiteral(" 4")), QString());
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QTest::keyClick(&box, 'e');
        QVERIFY(box.view()->isVisible());
        QCOMPARE(box.view()->currentIndex().row(), 0);
        QTest::keyClick(box.view(), 'e');
        QCOMPARE(box.view()->currentIndex().row(), 2);
        QTest::keyClick(box.view(), 'e');
        QCOMPARE(box.view()->currentIndex().row(), 0);  // wraps around
        QCOMPARE(box.currentText(), QStringLiteral("eee"));
        QTest::keyClick(box.view(), Qt::Key_Escape);
        QVERIFY(!box.view()->isVisible());
        QTest::keyClick(&box, Qt::Key_Backspace);
        QVERIFY(!box.view()->isVisible());  // Backspace does not open the list
    }

    void answerColumnShowsTheDigitWithoutThePicker() {
        GridHarness h;
        h.questions({{QStringLiteral("'3'"), QStringLiteral("1")}});
        h.open(exams::addQuestionsGrid());
        h.grid->adoptControls();
        QCOMPARE(h.grid->columnField(6), QStringLiteral("true_answer"));
        QVERIFY(!h.grid->cellControl(6));
        QCOMPARE(h.grid->cellText(0, 6), QStringLiteral("3"));
    }

    // ------------------------------------------------- resizing and moving

    void writeBackFormula_data() {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("zero");
        QTest::addColumn<int>("chars");
        QTest::newRow("exact, small digit") << 5 * 7 + 4 << 7 << 5;
        QTest::newRow("one short rounds down") << 5 * 7 + 3 << 7 << 4;
        QTest::newRow("wide digit gets slack") << 5 * 10 + 4 - 2 << 10 << 5;
        QTest::newRow("wide digit, beyond slack") << 5 * 10 + 4 - 3 << 10 << 4;
        QTest::newRow("narrow column") << 4 << 6 << 0;
    }
    void writeBackFormula() {
        QFETCH(int, pixels);
        QFETCH(int, zero);
        QFETCH(int, chars);
        QCOMPARE(charsForPixels(pixels, zero), chars);
        QCOMPARE(charsForPixels(pixelsForChars(chars, zero), zero), chars);
    }

    void resizingAColumnWritesEveryWidthBack() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        QHeaderView* titles = h.grid->horizontalHeader();
        const int d = h.grid->zeroWidth();
        // Drag the right border of answer1 40 pixels to the right.
        const int edge = titles->sectionViewportPosition(1) + titles->sectionSize(1) - 1;
        const int before = titles->sectionSize(1);
        const QPoint start(edge, titles->height() / 2);
        QTest::mousePress(titles->viewport(), Qt::LeftButton, {}, start);
        QTest::mouseMove(titles->viewport(), start + QPoint(20, 0));
        QTest::mouseMove(titles->viewport(), start + QPoint(40, 0));
        QTest::mouseRelease(titles->viewport(), Qt::LeftButton, {}, start + QPoint(40, 0));
        const QStringList lines = h.grid->selected();
        QCOMPARE(ColumnLine(lines[1]).widthChars(), h.grid->charactersForPixels(before + 40));
        QCOMPARE(lines[1].section(u'\t', 2), QStringLiteral("Cevap A\tF"));
        // Every other line is rewritten from its pixel width too: the columns
        // widened to their titles now keep that width in characters.
        for (int c : {0, 2, 5, 6}) QCOMPARE(ColumnLine(lines[c]).widthChars(), charsForPixels(titles->sectionSize(c), d));
        QCOMPARE(titles->sectionSize(1), std::max(pixelsForChars(ColumnLine(lines[1]).widthChars(), d), before));
    }

    void draggingATitleMovesTheColumn() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("1")}});
        QVERIFY(h.start(entry()));
        QSignalSpy changed(h.grid, &DataGrid::selectedChanged);
        QHeaderView* titles = h.grid->horizontalHeader();
        QVERIFY(!titles->sectionsClickable());  // a title click selects no column
        titles->resizeSection(0, 120);          // keep everything on screen
        changed.clear();
        const QStringList before = h.grid->selected();
        const int y = titles->height() / 2;
        const QPoint from(titles->sectionViewportPosition(6) + titles->sectionSize(6) / 2, y);
        const QPoint to(titles->sectionViewportPosition(0) + 5, y);
        QTest::mousePress(titles->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(titles->viewport(), from - QPoint(30, 0));
        QTest::mouseMove(titles->viewport(), to);
        QTest::mouseRelease(titles->viewport(), Qt::LeftButton, {}, to);
        QCOMPARE(changed.count(), 1);
        const QStringList after = h.grid->selected();
        QCOMPARE(after.first().section(u'\t', 0, 0), QStringLiteral("sts"));
        QCOMPARE(after.mid(1).size(), 6);
        QCOMPARE(h.grid->columnField(0), QStringLiteral("sts"));
        QCOMPARE(h.grid->columnField(1), QStringLiteral("question"));
        QCOMPARE(h.grid->horizontalHeader()->logicalIndex(0), 0);
        QVERIFY(h.grid->isChecked(0, 0));
    }

    // A title dragged while a name is being typed rebuilds the layout: the
    // typed text stays in its cell, and the cell, the row and its state stay
    // where they were (no Tab to the next cell, no post, no new row).
    void typedTextSurvivesATitleGesture_data() {
        QTest::addColumn<profiles::GridDeclaration>("declaration");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("move");
        QTest::newRow("exam grid, resize") << app::mainExamsGrid() << "qgroup" << false;
        QTest::newRow("exam grid, move the typed column") << app::mainExamsGrid() << "qgroup" << true;
        QTest::newRow("groups dialog, last cell of the last row") << bank::groupsDialogGrid() << "tqgroup" << false;
    }
    void typedTextSurvivesATitleGesture() {
        QFETCH(profiles::GridDeclaration, declaration);
        QFETCH(QString, table);
        QFETCH(bool, move);
        GridHarness h;
        if (table == QLatin1String("qgroup"))
            h.exams({QStringLiteral("('Vize', 0)"), QStringLiteral("('Final', 0)")});
        else
            h.groups(2);
        QVERIFY(h.start(declaration));
        const int name = declaration.selected.indexOf(QRegularExpression(QStringLiteral("^GROUPNAME\t.*")));
        h.click(1, name);
        h.type(QStringLiteral("Ara"));
        QHeaderView* titles = h.grid->horizontalHeader();
        const int y = titles->height() / 2;
        QPoint from, to;
        if (move) {  // the name's title dropped to the right of the check box
            from = QPoint(titles->sectionViewportPosition(1) + titles->sectionSize(1) / 2, y);
            to = QPoint(titles->sectionViewportPosition(2) + titles->sectionSize(2) - 2, y);
        } else {  // the right border of the first column, 30 pixels to the right
            from = QPoint(titles->sectionViewportPosition(0) + titles->sectionSize(0) - 1, y);
            to = from + QPoint(30, 0);
        }
        QTest::mousePress(titles->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(titles->viewport(), (from + to) / 2);
        QTest::mouseMove(titles->viewport(), to);
        QTest::mouseRelease(titles->viewport(), Qt::LeftButton, {}, to);
        if (move) QCOMPARE(h.grid->columnField(2), QStringLiteral("GROUPNAME"));
        QCOMPARE(h.grid->columnField(h.grid->currentColumn()), QStringLiteral("GROUPNAME"));
        QCOMPARE(h.rs.currentRow(), 1);
        QCOMPARE(h.rs.recordCount(), 2);
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("Ara"));
        h.key(Qt::Key_Up);
        QCOMPARE(h.dbText(QStringLiteral("select GROUPNAME from %1 where ID = 2").arg(table)), QStringLiteral("Ara"));
    }

    // -------------------------------------------------- field definitions

    void fieldDefinitionModeShowsTheListedFieldsInListOrder() {
        GridHarness h;
        h.questions({{QStringLiteral("'2'"), QStringLiteral("1")}});
        profiles::GridDeclaration d = bank::importQuestionsGrid();
        d.selected = {line(QStringLiteral("answer2"), 10, QStringLiteral("B")),
                      line(QStringLiteral("nope"), 5, QStringLiteral("X")), line(QStringLiteral("rid"), 4, QStringLiteral("No"))};
        h.open(d);
        QCOMPARE(h.grid->columnCount(), 2);
        QCOMPARE(h.grid->columnField(0), QStringLiteral("answer2"));
        QCOMPARE(h.grid->columnField(1), QStringLiteral("rid"));
        QCOMPARE(h.grid->columnTitleLines(1), QStringList{QStringLiteral("No")});
        QCOMPARE(h.grid->cellText(0, 0), QStringLiteral("b"));
        QCOMPARE(h.grid->selected().size(), 3);  // lines of absent fields stay in this mode
    }

    // ------------------------------------------------------------ keyboard

    void downAppendsThenDoesNothingThenUpDrops() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        h.click(1, 1);
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.state(), RecordState::Insert);
        QCOMPARE(h.rs.currentRow(), 2);
        QCOMPARE(h.grid->currentColumn(), 1);
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.currentRow(), 2);
        QCOMPARE(h.rs.state(), RecordState::Insert);
        h.key(Qt::Key_Up);
        QCOMPARE(h.rs.recordCount(), 2);
        QCOMPARE(h.rs.currentRow(), 1);
        QCOMPARE(h.rs.state(), RecordState::Browse);
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqmaster")), 2);
    }

    void downOnTheLastRowAppendsOnlyWhereAllowed_data() {
        QTest::addColumn<profiles::GridDeclaration>("declaration");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("groups dialog") << bank::groupsDialogGrid() << 3;
        QTest::newRow("exam grid: no insert key option") << app::mainExamsGrid() << 2;
        QTest::newRow("row select") << app::mainGroupsGrid() << 2;
        QTest::newRow("group picker") << profiles::GridDeclaration{bank::groupPickerGrid().profile, {}, {}} << 2;
    }
    void downOnTheLastRowAppendsOnlyWhereAllowed() {
        QFETCH(profiles::GridDeclaration, declaration);
        QFETCH(int, rowsAfter);
        BoxScript boxes;
        GridHarness h;
        h.groups(2);
        declaration.selected = {line(QStringLiteral("GROUPNAME"), 20, QStringLiteral("Ad"))};
        QVERIFY(h.start(declaration));
        h.click(1, 0);
        h.key(Qt::Key_Down);
        h.key(Qt::Key_Insert);  // and Insert neither, where the grid may not insert
        QCOMPARE(h.rs.recordCount(), rowsAfter);
        QVERIFY(boxes.shown().isEmpty());
    }

    void insertAddsARowBeforeTheCurrentOne() {
        GridHarness h;
        h.groups(3);
        QVERIFY(h.start(bank::groupsDialogGrid()));
        h.click(1, 0);
        h.key(Qt::Key_Insert);
        QCOMPARE(h.rs.recordCount(), 4);
        QCOMPARE(h.rs.currentRow(), 1);
        QVERIFY(h.rs.isNewRow(1));
        QCOMPARE(h.grid->cellText(2, 0), QStringLiteral("Grup 2"));
        QCOMPARE(h.grid->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("*"));
        // Down drops the unchanged row and stands on the row that was below it.
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Grup 2"));
        // Up drops it and goes to the row above.
        h.key(Qt::Key_Insert);
        h.key(Qt::Key_Up);
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Grup 1"));
        // A typed name makes it a row that is posted when left.
        h.key(Qt::Key_Insert);
        h.type(QStringLiteral("Yeni"));
        h.key(Qt::Key_Down);
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqgroup")), 4);
        QCOMPARE(h.grid->cellText(0, 0), QStringLiteral("Yeni"));
    }

    // A click below an unchanged new row drops it, which moves the clicked
    // row up by one: the click still reaches the cell that was clicked.
    void clickBelowAnUnchangedNewRow() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")},
                     {QStringLiteral("'2'"), QStringLiteral("0")},
                     {QStringLiteral("'3'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        h.click(0, 1);
        h.key(Qt::Key_Insert);
        QCOMPARE(h.rs.recordCount(), 4);
        h.click(2, 6);  // the check box of the second question
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.field(QStringLiteral("rid")).asString(), QStringLiteral("2"));
        QCOMPARE(h.grid->currentColumn(), 6);
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QCOMPARE(h.rs.field(QStringLiteral("sts")).asString(), QStringLiteral("True"));
    }

    void tabMovesBetweenCellsAndRows() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        h.click(0, 5);
        h.key(Qt::Key_Tab);
        QCOMPARE(h.grid->currentColumn(), 6);
        h.key(Qt::Key_Tab);
        QCOMPARE(h.rs.currentRow(), 1);
        QCOMPARE(h.grid->currentColumn(), 0);
        h.key(Qt::Key_Backtab);
        QCOMPARE(h.rs.currentRow(), 0);
        QCOMPARE(h.grid->currentColumn(), 6);
        // From the last cell of the last row Tab appends.
        h.click(1, 6);
        h.key(Qt::Key_Tab);
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.state(), RecordState::Insert);
        QCOMPARE(h.grid->currentColumn(), 0);
        // Enter acts as Tab in this grid.
        h.key(Qt::Key_Return);
        QCOMPARE(h.grid->currentColumn(), 1);
        h.key(Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(h.grid->currentColumn(), 0);
    }

    void tabSkipsReadOnlyColumns() {
        GridHarness h;
        h.exams({QStringLiteral("('A', 0)"), QStringLiteral("('B', 0)")});
        profiles::GridDeclaration d = app::mainExamsGrid();
        d.selected.append(line(QStringLiteral("GROUPPASS"), 5, QStringLiteral("Şifre"), QStringLiteral("T")));
        QVERIFY(h.start(d));
        h.click(0, 2);
        h.key(Qt::Key_Tab);  // over the read-only password and the auto-numbered ID
        QCOMPARE(h.rs.currentRow(), 1);
        QCOMPARE(h.grid->currentColumn(), 1);
        h.key(Qt::Key_Backtab);
        QCOMPARE(h.rs.currentRow(), 0);
        QCOMPARE(h.grid->currentColumn(), 2);
        // The last row of a grid that may not insert: Tab wraps to its first cell.
        h.click(1, 2);
        h.key(Qt::Key_Tab);
        QCOMPARE(h.rs.recordCount(), 2);
        QCOMPARE(h.grid->currentColumn(), 1);
        // Left and Right visit every column.
        h.key(Qt::Key_Left);
        QCOMPARE(h.grid->currentColumn(), 0);
        h.key(Qt::Key_End);
        QCOMPARE(h.grid->currentColumn(), 3);
        h.key(Qt::Key_Home);
        QCOMPARE(h.grid->currentColumn(), 0);
        h.key(Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(h.grid->currentColumn(), 3);
    }

    void enterWithoutEnterToTabSwitchesTheEditor() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 0)"), QStringLiteral("('Final', 0)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        h.click(0, 1);
        QVERIFY(!h.grid->editorVisible());
        h.key(Qt::Key_Return);
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("Vize"));
        h.type(QStringLiteral("Ara"));
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QCOMPARE(h.rs.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Vize"));
        h.key(Qt::Key_Return);  // writes the text, closes the editor, does not post
        QVERIFY(!h.grid->editorVisible());
        QCOMPARE(h.rs.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Ara"));
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QCOMPARE(h.rs.currentRow(), 0);
        h.key(Qt::Key_F2);
        QVERIFY(h.grid->editorVisible());
        h.key(Qt::Key_Down);  // leaving the row posts
        QCOMPARE(h.dbText(QStringLiteral("select GROUPNAME from qgroup where ID = 1")), QStringLiteral("Ara"));
        QVERIFY(!h.grid->editorVisible());
    }

    // The entry grid keeps its editor open from cell to cell: each cell it
    // comes to shows that cell's field, and typing there changes only it.
    void alwaysShownEditorFollowsTheCurrentCell() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        h.click(0, 1);
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("a"));
        h.key(Qt::Key_Tab);
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("b"));
        QCOMPARE(h.grid->cellEditor()->accessibleName(), QStringLiteral("Cevap B"));
        h.type(QStringLiteral("yeni"));
        h.key(Qt::Key_Right);  // the caret at the end: the next cell
        QCOMPARE(h.grid->currentColumn(), 3);
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("c"));
        h.key(Qt::Key_Down);
        QCOMPARE(h.dbText(QStringLiteral("select answer1 || '|' || answer2 || '|' || answer3 from tqmaster where rid = 1")),
                 QStringLiteral("a|yeni|c"));
    }

    void rowSelectGridsMoveRowsWithEveryArrow() {
        BoxScript boxes;
        GridHarness h;
        h.groups(4);
        QVERIFY(h.start(app::mainGroupsGrid()));
        h.click(1, 1);
        h.key(Qt::Key_Right);
        QCOMPARE(h.rs.currentRow(), 2);
        h.key(Qt::Key_Left);
        QCOMPARE(h.rs.currentRow(), 1);
        h.key(Qt::Key_End);
        QCOMPARE(h.rs.currentRow(), 3);
        h.key(Qt::Key_Home);
        QCOMPARE(h.rs.currentRow(), 0);
        h.key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), 3);
        for (Qt::Key k : {Qt::Key_F2, Qt::Key_Return, Qt::Key_A, Qt::Key_Insert, Qt::Key_Escape}) h.key(k);
        h.key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(h.rs.state(), RecordState::Browse);
        QCOMPARE(h.rs.recordCount(), 4);
        QVERIFY(!h.grid->editorVisible());
        QVERIFY(boxes.shown().isEmpty());
    }

    void pagesAndVisibleRows() {
        GridHarness h;
        h.groups(80);
        QVERIFY(h.start(bank::groupsDialogGrid()));
        h.click(0, 0);
        const int top = h.grid->rowAt(0);
        const int bottomShown = h.grid->rowAt(h.grid->viewport()->height() - 1);
        QVERIFY(bottomShown > 5);
        h.key(Qt::Key_Down, Qt::ControlModifier);
        const int bottom = h.rs.currentRow();
        QVERIFY(bottom == bottomShown || bottom == bottomShown - 1);  // the last row shown whole
        h.key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), top);
        h.key(Qt::Key_PageDown);
        QCOMPARE(h.rs.currentRow(), bottom - top + 1);
        h.key(Qt::Key_PageUp);
        QCOMPARE(h.rs.currentRow(), 0);
        h.key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), 79);
        QCOMPARE(h.grid->rowAt(h.grid->cellRect(79, 0).center().y()), 79);  // scrolled into view
        h.key(Qt::Key_PageDown);                                            // past the end: no new row
        QCOMPARE(h.rs.recordCount(), 80);
        h.key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), 0);
    }

    // The entry grid over a group larger than a block of keys: the set reads
    // its rows' keys as the grid reaches them, from either end; the grid's
    // row numbers and count stay those of the open and each row shows its
    // own question.
    void largeGroupReadInBlocks() {
        GridHarness h;
        h.questions({});
        h.db.exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                           "INSERT INTO tqmaster SELECT i, 'Soru ' || i, 'a', 'b', 'c', 'd', '1', 0, 1 FROM n"));
        QAbstractItemModel* model = h.grid->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(h.start(entry()));
        auto shows = [&](int row) {
            for (int c = 0; c < model->columnCount(); ++c)
                if (model->index(row, c).data().toString() == QStringLiteral("Soru %1").arg(row + 1)) return true;
            return false;
        };
        h.click(0, 1);
        h.key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), 1499);
        QCOMPARE(model->rowCount(), 1500);
        QVERIFY(shows(1499));
        QVERIFY(shows(h.grid->rowAt(0)));  // the top of the last screen
        h.key(Qt::Key_PageUp);
        QVERIFY(h.rs.currentRow() < 1499);
        QVERIFY(shows(h.rs.currentRow()));
        h.rs.setRecNo(700);  // the unread middle
        QVERIFY(shows(699));
        QCOMPARE(model->rowCount(), 1500);
        for (int row : {256, 257, 1100, 1242, 1243}) QVERIFY2(shows(row), qPrintable(QString::number(row)));
        h.key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), 0);
        QVERIFY(shows(0));
    }

    void ctrlDelete_data() {
        QTest::addColumn<profiles::GridDeclaration>("declaration");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("groups dialog, OK") << bank::groupsDialogGrid() << true << int(msgbox::Button::OK) << 2;
        QTest::newRow("groups dialog, Cancel") << bank::groupsDialogGrid() << true << int(msgbox::Button::Cancel) << 3;
        QTest::newRow("group picker, OK") << profiles::GridDeclaration{bank::groupPickerGrid().profile, {}, {}} << true
                                          << int(msgbox::Button::OK) << 2;
        QTest::newRow("exam grid") << app::mainExamsGrid() << false << 0 << 3;
        QTest::newRow("row select") << app::mainGroupsGrid() << false << 0 << 3;
        QTest::newRow("read-only") << app::mainExamQuestionsGrid() << false << 0 << 3;
    }
    void ctrlDelete() {
        QFETCH(profiles::GridDeclaration, declaration);
        QFETCH(bool, asks);
        QFETCH(int, answer);
        QFETCH(int, rowsAfter);
        BoxScript boxes;
        if (asks) boxes.expect(msgbox::Button(answer));
        GridHarness h;
        h.groups(3);
        declaration.selected = {line(QStringLiteral("GROUPNAME"), 20, QStringLiteral("Ad"))};
        QVERIFY(h.start(declaration));
        h.click(1, 0);
        h.key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(boxes.shown().size(), asks ? 1 : 0);
        if (asks) {
            const msgbox::Box& box = boxes.last();
            QCOMPARE(box.caption, QStringLiteral("Confirm"));
            QCOMPARE(box.text, QStringLiteral("Delete record?"));
            QCOMPARE(box.icon, msgbox::Icon::Question);
            QCOMPARE(box.buttons, (QList<msgbox::Button>{msgbox::Button::OK, msgbox::Button::Cancel}));
            QCOMPARE(box.defaultButton, msgbox::Button::OK);
            QCOMPARE(box.escapeButton, msgbox::Button::Cancel);
        }
        QCOMPARE(h.rs.recordCount(), rowsAfter);
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqgroup")), rowsAfter);
    }

    void ctrlDeleteOfTheEntryGridDeletesTheQuestion() {
        BoxScript boxes;
        boxes.expect(msgbox::Button::OK);
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        h.click(0, 2);
        h.key(Qt::Key_Delete, Qt::ControlModifier);  // from inside the cell editor
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqmaster")), 1);
        QCOMPARE(h.grid->cellText(0, 0), QStringLiteral("Soru 2"));
        QVERIFY(h.grid->editorVisible());  // this grid always shows its editor
    }

    void escapeStepByStep() {
        BoxScript boxes;
        GridHarness h;
        h.groups(2);
        QVERIFY(h.start(bank::groupsDialogGrid()));
        h.click(0, 0);
        // 1. Text typed and not yet written: the cell shows the field again.
        h.type(QStringLiteral("Yeni ad"));
        QCOMPARE(h.rs.state(), RecordState::Edit);
        h.key(Qt::Key_Escape);
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("Grup 1"));
        QVERIFY(!h.grid->editorVisible());
        // 3. An unchanged row in edit state is cancelled without a question.
        QCOMPARE(h.rs.state(), RecordState::Edit);
        h.key(Qt::Key_Escape);
        QCOMPARE(h.rs.state(), RecordState::Browse);
        QVERIFY(boxes.shown().isEmpty());
        // 2. A changed row: the question; No keeps everything.
        h.type(QStringLiteral("Yeni ad"));
        h.key(Qt::Key_Return);  // written into the field
        boxes.expect(msgbox::Button::No);
        h.key(Qt::Key_Escape);
        QCOMPARE(boxes.shown().size(), 1);
        const msgbox::Box box = boxes.last();
        QCOMPARE(box.caption, QStringLiteral("Confirm"));
        QCOMPARE(box.text, QStringLiteral("Discard changes to this record?"));
        QCOMPARE(box.icon, msgbox::Icon::Question);
        QCOMPARE(box.buttons, (QList<msgbox::Button>{msgbox::Button::Yes, msgbox::Button::No}));
        QCOMPARE(box.defaultButton, msgbox::Button::Yes);
        QCOMPARE(box.escapeButton, msgbox::Button::No);
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QCOMPARE(h.rs.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Yeni ad"));
        boxes.expect(msgbox::Button::Yes);
        h.key(Qt::Key_Escape);
        QCOMPARE(h.rs.state(), RecordState::Browse);
        QCOMPARE(h.rs.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Grup 1"));
        // A changed new row is removed on Yes.
        h.key(Qt::Key_Insert);
        h.type(QStringLiteral("x"));
        h.key(Qt::Key_Return);
        boxes.expect(msgbox::Button::Yes);
        h.key(Qt::Key_Escape);
        QCOMPARE(h.rs.recordCount(), 2);
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqgroup")), 2);
    }

    // The grid's questions run a nested event loop in which anything may
    // happen to the record set; what is gone by the answer is left alone.
    void setClosedWhileTheGridAsks_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete) << int(msgbox::Button::OK);
        QTest::newRow("Esc on a changed row") << int(Qt::Key_Escape) << int(msgbox::Button::Yes);
    }
    void setClosedWhileTheGridAsks() {
        QFETCH(int, key);
        QFETCH(int, answer);
        GridHarness h;
        h.groups(2);
        QVERIFY(h.start(bank::groupsDialogGrid()));
        h.click(0, 0);
        h.type(QStringLiteral("Yeni"));
        h.key(Qt::Key_Return);
        QList<msgbox::Box> shown;
        msgbox::setInterceptor([&](const msgbox::Box& box) {
            shown.append(box);
            h.rs.close();
            return msgbox::Button(answer);
        });
        h.key(Qt::Key(key), key == Qt::Key_Delete ? Qt::ControlModifier : Qt::NoModifier);
        msgbox::setInterceptor({});
        QCOMPARE(shown.size(), 1);  // the question, and no error after it
        QVERIFY(!h.rs.active());
        QCOMPARE(h.grid->model()->rowCount(), 0);
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqgroup")), 2);
    }

    // The cell editor draws a cell's text where the painted cell drew it:
    // opening it does not make the text jump.
    void editorTextStaysWhereTheCellShowedIt() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        QVERIFY(h.start(entry()));
        h.db.exec(QStringLiteral("update tqmaster set answer1 = 'Tam'"));
        h.rs.refresh();
        // The top left of the text's dark pixels in the cell, the caret's columns left out.
        const auto textAt = [&](const QRect& cell) {
            const QImage image = h.grid->viewport()->grab().toImage().copy(cell);
            QPoint topLeft(image.width(), image.height());
            int right = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 100) right = std::max(right, x);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < right - 2; ++x)
                    if (qGray(image.pixel(x, y)) < 100) topLeft = QPoint(std::min(topLeft.x(), x), std::min(topLeft.y(), y));
            return topLeft;
        };
        h.click(0, 2);
        const QRect cell = h.grid->cellRect(0, 1);
        const QPoint painted = textAt(cell);
        QVERIFY(painted.y() < cell.height() / 2);
        h.key(Qt::Key_Backtab);
        QVERIFY(h.grid->editorVisible());
        h.key(Qt::Key_End);  // the text no longer selected
        QCOMPARE(textAt(cell), painted);
    }

    void leavingTheGrid() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        h.open(entry());
        auto* other = new QLineEdit(&h.window);
        h.window.layout()->addWidget(other);
        QVERIFY(h.show());
        h.click(0, 1);
        // An unchanged new row is dropped.
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.recordCount(), 2);
        other->setFocus();
        QCOMPARE(h.rs.recordCount(), 1);
        QCOMPARE(h.rs.state(), RecordState::Browse);
        // Text typed into a new row is written into the field, and nothing is posted.
        h.click(0, 1);
        h.key(Qt::Key_Down);
        h.type(QStringLiteral("cevap"));
        other->setFocus();
        QCOMPARE(h.rs.recordCount(), 2);
        QCOMPARE(h.rs.state(), RecordState::Insert);
        QCOMPARE(h.rs.field(QStringLiteral("answer1")).asString(), QStringLiteral("cevap"));
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqmaster")), 1);
        // A message box taking the focus is not leaving the grid.
        h.click(1, 2);
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.recordCount(), 3);
        QMessageBox box(&h.window);
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QCOMPARE(h.rs.recordCount(), 3);
        box.close();
        // Text typed and then left for another window (the grid's own window
        // may be closed from there) is written into the field; the row and
        // its editor stay, nothing is posted.
        h.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        h.grid->setFocus();
        h.type(QStringLiteral("yeni"));
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        QCOMPARE(h.rs.state(), RecordState::Insert);
        QCOMPARE(h.rs.recordCount(), 3);
        QCOMPARE(h.rs.field(QStringLiteral("answer2")).asString(), QStringLiteral("yeni"));
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.db.scalar(QStringLiteral("select count(*) from tqmaster")), 2);  // the "cevap" row
    }

    void refusedPostStopsEveryMoveKey_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("column");
        QTest::newRow("Down") << int(Qt::Key_Down) << 0 << 1;
        QTest::newRow("Up") << int(Qt::Key_Up) << 0 << 1;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 0 << 1;
        QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 0 << 1;
        QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << 1;
        QTest::newRow("Ctrl+End") << int(Qt::Key_End) << int(Qt::ControlModifier) << 1;
        QTest::newRow("Ctrl+PageDown") << int(Qt::Key_PageDown) << int(Qt::ControlModifier) << 1;
        QTest::newRow("Ctrl+PageUp") << int(Qt::Key_PageUp) << int(Qt::ControlModifier) << 1;
        QTest::newRow("Tab past the last cell") << int(Qt::Key_Tab) << 0 << 6;
        QTest::newRow("Shift+Tab before the first") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 0;
        QTest::newRow("Insert") << int(Qt::Key_Insert) << 0 << 1;
    }
    void refusedPostStopsEveryMoveKey() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, column);
        GridHarness h;
        QList<QPair<QString, QString>> rows;
        for (int i = 0; i < 30; ++i) rows.append({QStringLiteral("'1'"), QStringLiteral("0")});
        h.questions(rows);
        int refusals = 0;
        h.rs.beforePost = [&](RecordSet&) {
            ++refusals;
            throw storage::SilentAbort();
        };
        QVERIFY(h.start(entry()));
        h.click(3, 1);
        h.grid->verticalScrollBar()->setValue(2);  // row 2 on top, so Ctrl+PageUp has somewhere to go
        h.type(QStringLiteral("değişti"));
        h.click(3, column);  // the typed text goes into the field
        QCOMPARE(h.grid->currentColumn(), column);
        h.key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(refusals >= 1);
        QCOMPARE(h.rs.currentRow(), 3);
        QCOMPARE(h.rs.recordCount(), 30);
        QCOMPARE(h.rs.state(), RecordState::Edit);
        QCOMPARE(h.rs.field(QStringLiteral("answer1")).asString(), QStringLiteral("değişti"));
        QCOMPARE(h.grid->currentColumn(), column);
    }

    // Typed text that does not fit its field stops the move that would write
    // it: the box says why, and the text waits in the cell to be corrected.
    void unwritableTextStopsTheMove() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        profiles::GridDeclaration d = entry();
        d.selected = QStringList{QStringLiteral("rid\t5\tNo\tF"), QStringLiteral("answer1\t20\tCevap A\tF")};
        d.controlType.clear();
        QVERIFY(h.start(d));
        h.click(0, 0);
        h.type(QStringLiteral("abc"));
        BoxScript boxes;
        boxes.expect(msgbox::Button::OK);
        h.key(Qt::Key_Down);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("rs: '1abc' is not a valid integer value."));
        QCOMPARE(h.rs.currentRow(), 0);
        QVERIFY(h.grid->editorVisible());
        QCOMPARE(h.grid->cellEditor()->text(), QStringLiteral("1abc"));
        QCOMPARE(h.dbText(QStringLiteral("select group_concat(rid) from tqmaster")), QStringLiteral("1,2"));
        h.grid->cellEditor()->selectAll();
        h.type(QStringLiteral("7"));
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.currentRow(), 1);
        QCOMPARE(h.dbText(QStringLiteral("select rid from tqmaster where question = 'Soru 1'")), QStringLiteral("7"));
    }

    // Which caret keys a cell's holder hands back to the grid, for the caret
    // or selection in "abc": at the start, in the middle, at the end, all of
    // it selected, its head ("a") selected, its tail ("c") selected. With Ctrl
    // every one of them goes back.
    void caretKeysHandedBack_data() {
        QTest::addColumn<int>("holder");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");  // start middle end all head tail
        const int editor = int(KeyHolder::CellEditor), control = int(KeyHolder::CellControl), rich = int(KeyHolder::RichText);
        const QList<std::tuple<const char*, int, int, const char*>> rows = {
            {"editor Left", editor, Qt::Key_Left, "100000"},
            {"editor Home", editor, Qt::Key_Home, "100000"},
            {"editor Right", editor, Qt::Key_Right, "001000"},
            {"editor End", editor, Qt::Key_End, "000000"},
            {"editor Up", editor, Qt::Key_Up, "111111"},
            {"editor Down", editor, Qt::Key_Down, "111111"},
            {"control Left", control, Qt::Key_Left, "100000"},
            {"control Home", control, Qt::Key_Home, "100000"},
            {"control Right", control, Qt::Key_Right, "001000"},
            {"control End", control, Qt::Key_End, "000000"},
            {"control Up", control, Qt::Key_Up, "000100"},
            {"control Down", control, Qt::Key_Down, "000100"},
            {"rich Left", rich, Qt::Key_Left, "100000"},
            {"rich Home", rich, Qt::Key_Home, "000000"},
            {"rich Right", rich, Qt::Key_Right, "001000"},
            {"rich End", rich, Qt::Key_End, "000000"},
            {"rich Up", rich, Qt::Key_Up, "111111"},
            {"rich Down", rich, Qt::Key_Down, "111111"},
        };
        for (const auto& [name, holder, key, expected] : rows)
            QTest::newRow(name) << holder << key << QString::fromLatin1(expected);
    }

    void caretKeysHandedBack() {
        QFETCH(int, holder);
        QFETCH(int, key);
        QFETCH(QString, expected);
        const auto kind = KeyHolder(holder);
        QLineEdit line;
        QComboBox combo;
        combo.setEditable(true);
        QTextEdit rich;
        QWidget* widget = kind == KeyHolder::CellEditor ? static_cast<QWidget*>(&line)
                          : kind == KeyHolder::RichText ? static_cast<QWidget*>(&rich)
                                                        : static_cast<QWidget*>(&combo);
        const QList<QPair<int, int>> carets = {{0, 0}, {1, 1}, {3, 3}, {0, 3}, {0, 1}, {2, 3}};
        for (int i = 0; i < carets.size(); ++i) {
            const auto [anchor, position] = carets[i];
            if (kind == KeyHolder::RichText) {
                rich.setPlainText(QStringLiteral("abc"));
                QTextCursor c = rich.textCursor();
                c.setPosition(anchor);
                c.setPosition(position, QTextCursor::KeepAnchor);
                rich.setTextCursor(c);
            } else {
                QLineEdit* edit = kind == KeyHolder::CellEditor ? &line : combo.lineEdit();
                edit->setText(QStringLiteral("abc"));
                edit->setSelection(anchor, position - anchor);
                if (anchor == position) edit->setCursorPosition(position);
            }
            const QKeyEvent plain(QEvent::KeyPress, key, Qt::NoModifier);
            const QKeyEvent withCtrl(QEvent::KeyPress, key, Qt::ControlModifier);
            QVERIFY2(handsBackToGrid(&plain, widget, kind, false) == (expected[i] == u'1'), qPrintable(QString::number(i)));
            QVERIFY2(handsBackToGrid(&withCtrl, widget, kind, false), qPrintable(QString::number(i)));
        }
    }

    // F2 selects the whole exam name; End then moves the caret to its end
    // and what is typed extends the name: nothing reaches the next cell.
    void endAfterF2ExtendsTheExamName() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 0)"), QStringLiteral("('Final', 0)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        h.click(0, 1);
        h.key(Qt::Key_F2);
        QVERIFY(h.grid->editorVisible());
        QLineEdit* editor = h.grid->cellEditor();
        QCOMPARE(editor->selectedText(), QStringLiteral("Vize"));
        h.key(Qt::Key_End);
        QCOMPARE(h.grid->currentColumn(), 1);
        QCOMPARE(editor->cursorPosition(), 4);
        h.type(QStringLiteral(" (Güncel)"));
        QCOMPARE(editor->text(), QStringLiteral("Vize (Güncel)"));
        editor->selectAll();
        h.key(Qt::Key_Home);  // as End: a selection is not a caret at the start
        QCOMPARE(h.grid->currentColumn(), 1);
        QCOMPARE(editor->cursorPosition(), 0);
        h.click(1, 1);
        QCOMPARE(h.dbText(QStringLiteral("select GROUPNAME from qgroup where ID = 1")), QStringLiteral("Vize (Güncel)"));
        QCOMPARE(h.dbText(QStringLiteral("select DRM from qgroup where ID = 1")), QStringLiteral("0"));
    }

    void controlKeysAndTheKeysTheGridTakesBack() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")},
                     {QStringLiteral("'3'"), QStringLiteral("0")},
                     {QStringLiteral("'4'"), QStringLiteral("0")}});
        auto* box = h.answerBox();
        h.open(entry());
        h.grid->adoptControls();
        QVERIFY(h.show());
        h.click(1, 5);
        QVERIFY(box->hasFocus());
        QCOMPARE(box->lineEdit()->selectedText(), QStringLiteral("C"));
        // All of the text selected: Up and Down move rows, the box follows.
        h.key(Qt::Key_Down);
        QCOMPARE(h.rs.currentRow(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("D"));
        QVERIFY(box->hasFocus());
        h.key(Qt::Key_Up);
        QCOMPARE(h.rs.currentRow(), 1);
        // The caret at the end: Left stays in the box, Right moves on.
        box->lineEdit()->setCursorPosition(1);
        h.key(Qt::Key_Left);
        QCOMPARE(h.grid->currentColumn(), 5);
        QCOMPARE(box->lineEdit()->cursorPosition(), 0);
        h.key(Qt::Key_Right);
        QCOMPARE(h.grid->currentColumn(), 5);
        h.key(Qt::Key_Right);
        QCOMPARE(h.grid->currentColumn(), 6);
        QVERIFY(box->isHidden());
        h.key(Qt::Key_Backtab);
        QCOMPARE(h.grid->currentColumn(), 5);
        QVERIFY(box->hasFocus());
        h.key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(h.rs.currentRow(), 0);
        QCOMPARE(box->currentText(), QStringLiteral("A"));
        h.key(Qt::Key_Tab);
        QCOMPARE(h.grid->currentColumn(), 6);
        // A letter typed in the box's cell goes to the box.
        h.key(Qt::Key_Backtab);
        h.type(QStringLiteral("d"));
        QCOMPARE(box->currentText(), QStringLiteral("d"));
        QCOMPARE(h.rs.state(), RecordState::Edit);
        h.key(Qt::Key_Tab);
        QCOMPARE(h.rs.field(QStringLiteral("true_answer")).asString(), QStringLiteral("4"));
    }

    void controlTakesKeysTypedInItsCell() {
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}});
        auto* box = h.answerBox();
        profiles::GridDeclaration d = entry();
        d.profile.Options &= ~GridOptions(dgAlwaysShowEditor);  // the grid keeps the focus
        h.open(d);
        h.grid->adoptControls();
        QVERIFY(h.show());
        h.click(0, 5);
        QVERIFY(box->isVisible());
        QVERIFY(h.grid->hasFocus());
        // F2 hands the focus to the control.
        h.key(Qt::Key_F2);
        QVERIFY(box->hasFocus());
        // Alt+Down from the grid opens the list; picking an item edits the row.
        h.click(0, 4);
        h.click(0, 5);
        QVERIFY(h.grid->hasFocus());
        h.key(Qt::Key_Down, Qt::AltModifier);
        QVERIFY(box->view()->isVisible());
        QCOMPARE(h.rs.state(), RecordState::Browse);
        QTest::keyClick(box->view(), Qt::Key_Down);
        QTest::keyClick(box->view(), Qt::Key_Return);
        QVERIFY(!box->view()->isVisible());
        QCOMPARE(box->currentText(), QStringLiteral("B"));
        QCOMPARE(h.rs.state(), RecordState::Edit);
        // A character typed while the grid has the focus goes to the control.
        h.click(0, 4);
        h.click(0, 5);
        QVERIFY(h.grid->hasFocus());
        h.type(QStringLiteral("c"));
        QVERIFY(box->view()->isVisible());
        QCOMPARE(box->currentText(), QStringLiteral("c"));
        QTest::keyClick(box->view(), Qt::Key_Escape);
        h.click(0, 1);  // leaving the cell stores the box's value
        QCOMPARE(h.rs.field(QStringLiteral("true_answer")).asString(), QStringLiteral("3"));
    }

    // A cell control or the cell editor hidden while another window is
    // active (a box) hands the window's focus to the grid: when the window
    // comes back the keys go to the current cell, not to the window's first
    // control.
    void focusComesBackToTheCellAfterAnotherWindow_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("cell control") << 5;
        QTest::newRow("cell editor") << 1;
    }
    void focusComesBackToTheCellAfterAnotherWindow() {
        QFETCH(int, column);
        GridHarness h;
        h.questions({{QStringLiteral("'1'"), QStringLiteral("0")}, {QStringLiteral("'2'"), QStringLiteral("0")}});
        h.answerBox();
        h.open(entry());
        h.grid->adoptControls();
        QVERIFY(h.show());
        h.click(0, column);
        QWidget* cell = QApplication::focusWidget();
        QVERIFY(cell && cell != h.grid && h.grid->isAncestorOf(cell));
        QWidget other;
        other.show();
        other.activateWindow();
        QApplication::setActiveWindow(&other);
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        h.rs.next();
        QVERIFY(!cell->isVisible());
        QCOMPARE(h.window.focusWidget(), h.grid);
        h.window.activateWindow();
        QApplication::setActiveWindow(&h.window);
        QTRY_COMPARE(QApplication::focusWidget(), cell);
        QVERIFY(cell->isVisible());
    }

    void closedSetShowsOnlyTitles() {
        GridHarness h;
        h.groups(3);
        h.open(bank::groupsDialogGrid());
        QCOMPARE(h.grid->model()->rowCount(), 3);
        h.rs.close();
        QCOMPARE(h.grid->model()->rowCount(), 0);
        QCOMPARE(h.grid->columnCount(), 1);
        h.rs.open();
        QCOMPARE(h.grid->model()->rowCount(), 3);
    }
};

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
