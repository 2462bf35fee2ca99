#include "app/frm_main.h"
#include "exams/booklet_plan.h"
#include "exams/booklet_render.h"
#include "exams/frm_sik_sirasi.h"
#include "exams/frm_yazdir.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_db.h"
#include "text/inifile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace exams::booklet;
using msgbox::Button;

namespace {

const QString kTurkish = QStringLiteral("ığüşöç İĞÜŞÖÇ");
const QString kBoldRtf = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0 Tahoma;}}\\f0 Soru%1 \\b kal\\'fdn yaz\\'fd\\b0  \\{r1.png\\}\\par}");

// Exam 1: a question before any heading, two sections with headings, a
// cancelled question, a rich-text question with a picture, an entry whose
// bank question is gone; entry keys out of insertion order. Question i has
// the answers "c<i>a" to "c<i>d"; the correct one is (i mod 4) + 1.
QString seed(int questions = 12) {
    QString sql = QStringLiteral(
        "INSERT INTO tqgroup (GROUPNAME) VALUES ('Türkçe');"
        "INSERT INTO qgroup (GROUPNAME) VALUES ('Türkçe Sınavı'), ('Boş'), ('İptaller');");
    const auto id = [](int i) { return QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')); };
    for (int i = 1; i <= questions; ++i) {
        QString text = QStringLiteral("Soru%1 %2 sorusu").arg(id(i), kTurkish);
        if (i == 9) text = kBoldRtf.arg(id(i)).replace(u'\'', QStringLiteral("''"));
        sql += QStringLiteral(
                   "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) "
                   "VALUES (%1, '%2', 'c%3a', 'c%3b', 'c%3c', 'c%3d', '%4', %5, 1);")
                   .arg(i)
                   .arg(text, id(i))
                   .arg(i % 4 + 1)
                   .arg(i == 5 ? 1 : 0);
    }
    sql += QStringLiteral(
        "INSERT INTO tqmaster (rid, question, true_answer, sts, qgrp) VALUES"
        " (101, '<?>Birinci Bölüm: Dilbilgisi', '1', 0, 1), (102, '<?>İkinci Bölüm: Şiir', '1', 0, 1);");
    // Exam order: 1, heading 101, 2..6, heading 102, 7..12; qqIDs descend by
    // insertion so that only the order by qqID gives this order.
    QList<int> order{1, 101, 2, 3, 4, 5, 6, 102};
    for (int i = 7; i <= questions; ++i) order.append(i);
    order.insert(4, 999);  // a deleted bank question
    int qq = 1000;
    for (int k = int(order.size()) - 1; k >= 0; --k)
        sql += QStringLiteral("INSERT INTO qquestion VALUES (%1, 1, %2);").arg(qq - (int(order.size()) - k)).arg(order[k]);
    sql += QStringLiteral("INSERT INTO qquestion VALUES (2000, 3, 5);");
    return sql;
}

// Question ids of a text in the order they appear.
QList<int> questionIds(const QString& text) {
    static const QRegularExpression re(QStringLiteral("Soru(\\d\\d)"));
    QList<int> ids;
    for (auto it = re.globalMatch(text); it.hasNext();) ids.append(it.next().captured(1).toInt());
    return ids;
}

QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        qWarning("pdftotext failed on %s: %s", qPrintable(path), p.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The booklet's questions as printed: id -> the letter printed before the
// correct answer, read from "X) c<id><answer>".
QMap<int, QChar> printedCorrect(const QString& text) {
    static const QRegularExpression re(QStringLiteral("([A-D])\\) c(\\d\\d)([a-d])"));
    QMap<int, QChar> correct;
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const int id = m.captured(2).toInt();
        if (m.captured(3).at(0).unicode() - u'a' == id % 4) correct[id] = m.captured(1).at(0);
    }
    return correct;
}

// The key's letters as the key page prints them, in order.
QString keyLetters(const QString& page) {
    QString letters;
    for (const QString& line : page.split(u'\n')) {
        if (line.contains(QStringLiteral("Cevap Anahtarı")) || line.contains(QStringLiteral("Sınav"))) continue;
        for (const QString& token : line.split(u' ', Qt::SkipEmptyParts))
            if (token.size() == 1 && QStringLiteral("ABCD-").contains(token)) letters += token;
    }
    return letters;
}

// Types text as a keyboard would, letters outside ASCII too.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void writePng(const QString& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(path));
}

}  // namespace

class TestBooklet : public QObject {
    Q_OBJECT
private slots:
    void splitmixIsTheReferenceGenerator();
    void loadsExamOrderLeavingOutCancelledAndDeleted();
    void loadSurvivesForeignValues();
    void plansKeepSectionsAndKeys_data();
    void plansKeepSectionsAndKeys();
    void aSeedPrintsTheSameBookletsAsBefore();
    void answersThatNameOthersKeepTheirPlace_data();
    void answersThatNameOthersKeepTheirPlace();
    void keptOrdersBelongToTheAnswers();
    void dialogChoosesKeptOrdersAndCountsThem();
    void pdfPrintsEveryQuestionOnceInOrderWithKeys();
    void tallQuestionsStartOnANewPage();
    void dialogSavesPdfFilesAndRemembersChoices();
    void dialogAsksBeforeReplacingFiles();
    void dialogRefusesExamsWithNothingToPrint();
    void previewShowsBookletsAndKeys();
};

void TestBooklet::splitmixIsTheReferenceGenerator() {
    // The first outputs of splitmix64 from state 0, as published with it.
    SplitMix64 r(0);
    QCOMPARE(r.next(), 0xE220A8397B1DCDAFULL);
    QCOMPARE(r.next(), 0x6E789E6AA1B965F4ULL);
    QCOMPARE(r.next(), 0x06C45D188009454FULL);
    SplitMix64 bounded(42);
    for (int i = 0; i < 1000; ++i) QVERIFY(bounded.below(7) < 7);
}

void TestBooklet::loadsExamOrderLeavingOutCancelledAndDeleted() {
    TempDb db;
    db.exec(seed());
    const ExamContent content = loadExam(db.connection(), 1);
    QStringList got;
    for (const Item& item : content.items) got.append(item.heading ? QLatin1Char('H') + item.headingText : item.content.left(6));
    const QStringList expected{QStringLiteral("Soru01"),
                               QStringLiteral("HBirinci Bölüm: Dilbilgisi"),
                               QStringLiteral("Soru02"),
                               QStringLiteral("Soru03"),
                               QStringLiteral("Soru04"),
                               QStringLiteral("Soru06"),
                               QStringLiteral("Hİkinci Bölüm: Şiir"),
                               QStringLiteral("Soru07"),
                               QStringLiteral("Soru08"),
                               QStringLiteral("{\\rtf1"),
                               QStringLiteral("Soru10"),
                               QStringLiteral("Soru11"),
                               QStringLiteral("Soru12")};
    QCOMPARE(got, expected);
    QCOMPARE(content.cancelled, 1);
    QCOMPARE(content.orphaned, 1);
    QCOMPARE(content.questionCount(), 11);
    QCOMPARE(content.items[0].correct, 1);  // question 1: "2", B
    QCOMPARE(loadExam(db.connection(), 2).items.size(), size_t(0));
}

void TestBooklet::loadSurvivesForeignValues() {
    TempDb db;
    db.exec(
        QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('X');"
                       "INSERT INTO tqmaster (rid, question, answer1, true_answer, sts, qgrp) VALUES"
                       " (1, 'a', 'x', 'B', 'belki', 1), (2, X'C7FD6B', 'y', '7', 'True', 1), (3, 'c', 5, '', NULL, 1);"
                       "INSERT INTO qquestion VALUES (1,1,1),(2,1,2),(3,1,3);"));
    const ExamContent content = loadExam(db.connection(), 1);
    QCOMPARE(content.items.size(), size_t(2));  // 'True' is cancelled; 'belki' is printed
    QCOMPARE(content.items[0].correct, -1);
    QCOMPARE(content.items[1].answers[0], QStringLiteral("5"));
    QCOMPARE(content.cancelled, 1);
    const auto variants = plan(content, {2, true, 9});
    QCOMPARE(variants[1].key(), QStringLiteral("--"));
}

void TestBooklet::plansKeepSectionsAndKeys_data() {
    QTest::addColumn<int>("variants");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<quint64>("seed");
    QTest::newRow("one booklet") << 1 << true << quint64(1);
    QTest::newRow("four, questions only") << 4 << false << quint64(123456);
    QTest::newRow("four, answers too") << 4 << true << quint64(987654);
    QTest::newRow("seed zero") << 3 << true << quint64(0);
}

void TestBooklet::plansKeepSectionsAndKeys() {
    QFETCH(int, variants);
    QFETCH(bool, answers);
    QFETCH(quint64, seed);
    ExamContent content;
    // Every fifth question has two answers only (true or false).
    const auto add = [&](const QString& text, int correct) {
        const bool two = content.items.size() % 5 == 4;
        content.items.push_back(makeItem(0, text,
                                         {QStringLiteral("a"), QStringLiteral("b"), two ? QString() : QStringLiteral("c"),
                                          two ? QStringLiteral(" ") : QStringLiteral("d")},
                                         QString::number(two ? correct % 2 + 1 : correct + 1)));
    };
    for (int i = 0; i < 3; ++i) add(QStringLiteral("pre%1").arg(i), i % 4);
    add(QStringLiteral("<?>H1"), 0);
    for (int i = 0; i < 20; ++i) add(QStringLiteral("one%1").arg(i), i % 4);
    add(QStringLiteral("<?>H2"), 0);
    for (int i = 0; i < 20; ++i) add(QStringLiteral("two%1").arg(i), (i + 1) % 4);

    const Options options{variants, answers, seed};
    const auto planned = plan(content, options);
    QCOMPARE(int(planned.size()), variants);
    QCOMPARE(plan(content, options).back().key(), planned.back().key());  // the same seed, the same booklets
    for (const Variant& v : planned) {
        QCOMPARE(v.items.size(), content.items.size());
        QString sections;
        std::vector<int> seen;
        int number = 0;
        for (const PlannedItem& p : v.items) {
            const Item& item = content.items[size_t(p.item)];
            seen.push_back(p.item);
            // Every item stays in its own section: its text's prefix names it.
            const QString section = item.heading ? item.headingText : item.content.left(3);
            if (!sections.endsWith(section)) sections += section;
            if (item.heading) continue;
            QCOMPARE(p.number, ++number);
            QVERIFY(answers || p.answerOrder == (std::array<int, 4>{0, 1, 2, 3}));
            if (item.answers[2].isEmpty()) QVERIFY(p.answerOrder[2] == 2 && p.answerOrder[3] == 3);
            QCOMPARE(p.answerOrder[size_t(p.correctPlace)], item.correct);
            QCOMPARE(v.key().at(p.number - 1), QChar(u'A' + p.correctPlace));
        }
        QCOMPARE(sections, QStringLiteral("preH1oneH2two"));
        std::sort(seen.begin(), seen.end());
        QVERIFY(std::adjacent_find(seen.begin(), seen.end()) == seen.end());
        if (v.letter == u'A') {
            QVERIFY(std::is_sorted(v.items.begin(), v.items.end(), [](auto& a, auto& b) { return a.item < b.item; }));
        } else {
            QVERIFY(!std::is_sorted(v.items.begin(), v.items.end(), [](auto& a, auto& b) { return a.item < b.item; }));
        }
    }
    if (variants == 4) {
        QVERIFY(planned[1].key() != planned[2].key() || planned[1].items[5].item != planned[2].items[5].item);
        // Booklet B does not depend on how many booklets there are.
        const auto two = plan(content, {2, answers, seed});
        QCOMPARE(two[1].key(), planned[1].key());
    }
}

// A booklet as text: per item its exam index, then the stored answers at the
// printed places A to D ("H" for a heading).
QString layout(const Variant& v, const ExamContent& content) {
    QStringList parts;
    for (const PlannedItem& p : v.items) {
        if (content.items[size_t(p.item)].heading) {
            parts << QStringLiteral("H");
            continue;
        }
        QString order;
        for (int a : p.answerOrder) order += QString::number(a);
        parts << QStringLiteral("%1:%2").arg(p.item).arg(order);
    }
    return parts.join(u' ');
}

ExamContent plainExam() {
    ExamContent content;
    const auto add = [&](const QString& text, bool two = false) {
        content.items.push_back(
            makeItem(0, text,
                     {text + QStringLiteral(" a"), text + QStringLiteral(" b"), two ? QString() : text + QStringLiteral(" c"),
                      two ? QString() : text + QStringLiteral(" d")},
                     QStringLiteral("2")));
    };
    add(QStringLiteral("q0"));
    add(QStringLiteral("<?>Bölüm 1"));
    for (int i = 2; i < 8; ++i) add(QStringLiteral("q%1").arg(i), i == 4);
    add(QStringLiteral("<?>Bölüm 2"));
    for (int i = 9; i < 13; ++i) add(QStringLiteral("q%1").arg(i));
    return content;
}

void TestBooklet::aSeedPrintsTheSameBookletsAsBefore() {
    // Booklets are printed again from their seed (a lost key, a late
    // student): a seed must give these booklets for as long as the program
    // lives. Written down from the printing that teachers have used.
    const QStringList before{
        QStringLiteral("0:0123 H 2:0123 3:0123 4:0123 5:0123 6:0123 7:0123 H 9:0123 10:0123 11:0123 12:0123"),
        QStringLiteral("0:0123 H 4:0123 6:1230 7:3210 3:2310 5:1023 2:3012 H 10:0132 11:0231 9:0213 12:3120"),
        QStringLiteral("0:2301 H 2:2301 5:3012 3:3210 7:2103 6:0123 4:1023 H 11:0312 9:1320 12:1320 10:1023"),
        QStringLiteral("0:1230 H 6:2310 5:3210 3:2301 4:0123 7:0123 2:1032 H 9:3102 10:0123 12:0321 11:0213")};
    ExamContent content = plainExam();
    const auto planned = plan(content, {4, true, 20261211});
    for (int v = 0; v < 4; ++v) QCOMPARE(layout(planned[size_t(v)], content), before[v]);

    // Answers that stay in place change nothing for the other questions:
    // each question draws as many numbers as before.
    const auto answers = [&](int item, const QString& d, const QString& c = {}) {
        Item& i = content.items[size_t(item)];
        i = makeItem(0, i.content, {i.answers[0], i.answers[1], c.isEmpty() ? i.answers[2] : c, d}, QStringLiteral("4"));
    };
    answers(3, QStringLiteral("Hepsi"));
    answers(10, QStringLiteral("Yukarıdakilerin hiçbiri."));
    answers(6, QStringLiteral("B ve C"));
    answers(12, QStringLiteral("Hiçbiri"), QStringLiteral("A ve B"));
    const auto fixed = plan(content, {4, true, 20261211});
    for (int v = 0; v < 4; ++v) {
        const QStringList was = before[v].split(u' ');
        const QStringList now = layout(fixed[size_t(v)], content).split(u' ');
        QCOMPARE(now.size(), was.size());
        for (int k = 0; k < was.size(); ++k) {
            QCOMPARE(now[k].section(u':', 0, 0), was[k].section(u':', 0, 0));  // the same question order
            const QString item = now[k].section(u':', 0, 0), order = now[k].section(u':', 1);
            if (item == u'3' || item == QStringLiteral("10"))  // D stays, the rest keep their drawn order
                QCOMPARE(order, was[k].section(u':', 1).remove(u'3') + u'3');
            else if (item == u'6' || item == QStringLiteral("12"))
                QCOMPARE(order, QStringLiteral("0123"));
            else
                QCOMPARE(now[k], was[k]);
        }
    }
}

void TestBooklet::answersThatNameOthersKeepTheirPlace_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("place");  // AnswerPlace
    const int free = int(AnswerPlace::Free), stays = int(AnswerPlace::Stays), all = int(AnswerPlace::HoldsAll);
    const std::pair<const char*, int> cases[] = {
        {"Hepsi", stays},
        {"HEPSİ", stays},
        {"  hepsi doğrudur. ", stays},
        {"Hiçbiri", stays},
        {"Hiç biri", stays},
        {"Tümü", stays},
        {"Her ikisi de", stays},
        {"Yukarıdakilerin hepsi", stays},
        {"Yukarıdakilerin hiçbiri.", stays},
        {"Yukarıdakilerden hiçbiri", stays},
        {"A ve B", all},
        {"a ile c", all},
        {"A, B ve C", all},
        {"B ve D doğru", all},
        {"Yalnız C", all},
        {"Ankara", free},
        {"Hepsinden önce", free},  // a word that begins alike
        {"Tümüyle yanlış", free},
        {"I ve II", free},  // statements of the question, not places
        {"A vitamini", free},
        {"", free},
    };
    for (const auto& [text, place] : cases) QTest::newRow(text[0] ? text : "empty") << QString::fromUtf8(text) << place;
}

void TestBooklet::answersThatNameOthersKeepTheirPlace() {
    QFETCH(QString, answer);
    QFETCH(int, place);
    QCOMPARE(int(answerPlace(answer)), place);
}

void TestBooklet::keptOrdersBelongToTheAnswers() {
    TempDb db;
    db.exec(seed());
    // Question 8 gets the answers of question 3: a choice for one holds for both.
    db.exec(QStringLiteral(
        "UPDATE tqmaster SET answer1 = 'c03a', answer2 = 'c03b', answer3 = 'c03c', answer4 = 'c03d' WHERE rid = 8"));
    const auto keptIds = [&] {
        QList<int> ids;
        for (const Item& i : loadExam(db.connection(), 1).items)
            if (i.orderKept) ids << questionIds(i.content).value(0);
        return ids;
    };
    QVERIFY(keptOrders(db.connection()).isEmpty());  // a file without the table
    QCOMPARE(keptIds(), QList<int>{});
    const qint64 three =
        answersKey({QStringLiteral("c03a"), QStringLiteral("c03b"), QStringLiteral("c03c"), QStringLiteral("c03d")});
    setKeptOrders(db.connection(), {three}, {});
    QCOMPARE(keptIds(), (QList<int>{3, 8}));
    QCOMPARE(loadExam(db.connection(), 1).keptInPlaceCount(), 2);
    // Reordering the bank exchanges numbers, not answers: the choice stays.
    db.exec(
        QStringLiteral("UPDATE tqmaster SET rid = -3 WHERE rid = 3; UPDATE tqmaster SET rid = 3 WHERE rid = 2;"
                       "UPDATE tqmaster SET rid = 2 WHERE rid = -3"));
    QCOMPARE(keptIds(), (QList<int>{3, 8}));
    // Their answers keep their order in every booklet.
    const ExamContent content = loadExam(db.connection(), 1);
    for (const Variant& v : plan(content, {4, true, 99}))
        for (const PlannedItem& p : v.items)
            if (content.items[size_t(p.item)].orderKept) QCOMPARE(p.answerOrder, (std::array<int, 4>{0, 1, 2, 3}));
    setKeptOrders(db.connection(), {}, {three});
    QCOMPARE(keptIds(), QList<int>{});
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM quorvel_kept_order")), 0);
}

void TestBooklet::dialogChoosesKeptOrdersAndCountsThem() {
    ProgramFixture f(seed() + QStringLiteral("UPDATE tqmaster SET answer4 = 'Hepsi' WHERE rid = 1;"
                                             "UPDATE tqmaster SET answer3 = 'A ve B' WHERE rid = 2;"));
    f.show();
    f.clickTab(1);
    QStringList counted;
    QList<bool> checkable;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        counted << d->LabelSabit->text();
        for (const bool accept : {false, true}) {
            whenModal([&] {
                auto* pick = qobject_cast<Tsik_sirasi*>(QApplication::activeModalWidget());
                QVERIFY(pick);
                QCOMPARE(pick->ListBox1->count(), 11);
                checkable.clear();
                for (int row : {0, 1, 2}) checkable << bool(pick->ListBox1->item(row)->flags() & Qt::ItemIsUserCheckable);
                // The third question by the keyboard, as a teacher ticks it.
                pick->ListBox1->setFocus();
                pick->ListBox1->setCurrentRow(2);
                QTest::keyClick(pick->ListBox1, Qt::Key_Space);
                QCOMPARE(pick->ListBox1->item(2)->checkState(), Qt::Checked);
                QTest::mouseClick(accept ? pick->ButtonTamam : pick->ButtonIptal, Qt::LeftButton);
            });
            QTest::mouseClick(d->ButtonSira, Qt::LeftButton);
            counted << d->LabelSabit->text();
        }
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    // "Hepsi" and "A ve B" need no choice; "A ve B" cannot be unticked.
    QCOMPARE(checkable, (QList<bool>{true, false, true}));
    QVERIFY2(counted.value(0).contains(QStringLiteral(" 2 sorunun")), qPrintable(counted.value(0)));
    QCOMPARE(counted.value(1), counted.value(0));  // "İptal" keeps nothing
    QVERIFY2(counted.value(2).contains(QStringLiteral(" 3 sorunun")), qPrintable(counted.value(2)));
    QCOMPARE(f.db.scalar(QStringLiteral("SELECT count(*) FROM quorvel_kept_order")), 1);
}

void TestBooklet::pdfPrintsEveryQuestionOnceInOrderWithKeys() {
    TempDb db;
    db.exec(seed());
    QDir(db.folder()).mkpath(QStringLiteral("Pictures"));
    writePng(db.folder() + QStringLiteral("Pictures/r1.png"), QSize(3000, 400));
    const ExamContent content = loadExam(db.connection(), 1);
    const auto variants = plan(content, {4, true, 4242});

    const auto render = [&](const QString& stem, QStringList& texts) {
        Renderer renderer(content,
                          {QStringLiteral("Atatürk Lisesi"), QStringLiteral("Türkçe Sınavı"), QStringLiteral("10.12.2026"),
                           QStringLiteral("40 dakika"), 4242},
                          db.folder() + QStringLiteral("Pictures"));
        int lastDone = 0;
        renderer.progress = [&](int done, int total) {
            QVERIFY(done > lastDone && done <= total);
            lastDone = done;
        };
        renderer.resetProgress(Renderer::steps(content, 4));
        for (const Variant& v : variants) {
            const QString path = db.folder() + stem + v.letter + QStringLiteral(".pdf");
            QPdfWriter writer(path);
            writer.setResolution(300);
            Renderer::preparePage(writer);
            QPainter painter(&writer);
            renderer.drawBooklet(painter, writer, v, false);
            painter.end();
            texts.append(pdfText(path));
        }
        const QString keyPath = db.folder() + stem + QStringLiteral("key.pdf");
        {
            QPdfWriter writer(keyPath);
            Renderer::preparePage(writer);
            QPainter painter(&writer);
            renderer.drawKeys(painter, writer, variants, false);
        }
        texts.append(pdfText(keyPath));
        QCOMPARE(lastDone, Renderer::steps(content, 4));
        QCOMPARE(renderer.missingPictures(), 0);
    };
    QStringList first;
    render(QStringLiteral("first"), first);
    const QStringList keyPages = first.last().split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(keyPages.size(), 4);

    for (int v = 0; v < 4; ++v) {
        const QString& text = first[v];
        const Variant& variant = variants[size_t(v)];
        // The questions, each once, in the booklet's order.
        QList<int> expected;
        for (const PlannedItem& p : variant.items) {
            const Item& item = content.items[size_t(p.item)];
            if (!item.heading) expected.append(questionIds(item.content).value(0));
        }
        QCOMPARE(questionIds(text), expected);
        QCOMPARE(text.count(kTurkish), 10);  // every plain question, letters intact
        QVERIFY2(text.contains(QStringLiteral("kalın yazı")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("{r1.png}")));  // the picture is shown instead
        QVERIFY(text.contains(QStringLiteral("Atatürk Lisesi")));
        QVERIFY(text.contains(QStringLiteral("Kitapçık %1 · Tohum 4242").arg(variant.letter)));
        // Headings keep their questions: section one holds 2, 3, 4, 6; section two 7 to 12.
        const int h1 = text.indexOf(QStringLiteral("Birinci Bölüm: Dilbilgisi"));
        const int h2 = text.indexOf(QStringLiteral("İkinci Bölüm: Şiir"));
        QVERIFY(h1 > text.indexOf(QStringLiteral("Soru01")) && h2 > h1);
        for (int id : {2, 3, 4, 6}) {
            const int at = text.indexOf(QStringLiteral("Soru%1").arg(id, 2, 10, QLatin1Char('0')));
            QVERIFY2(at > h1 && at < h2, qPrintable(QString::number(id)));
        }
        for (int id = 7; id <= 12; ++id) QVERIFY(text.indexOf(QStringLiteral("Soru%1").arg(id, 2, 10, QLatin1Char('0'))) > h2);
        // The key page lists the letter printed before each correct answer.
        const QMap<int, QChar> printed = printedCorrect(text);
        QString fromBooklet;
        for (int id : expected) fromBooklet += printed.value(id);
        QCOMPARE(keyLetters(keyPages[v]), variant.key());
        QCOMPARE(fromBooklet, variant.key());
    }
    QVERIFY(variants[1].key() != variants[0].key());

    // The same seed prints the same text again.
    QStringList again;
    render(QStringLiteral("again"), again);
    QCOMPARE(again, first);

    // Every font is embedded.
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {db.folder() + QStringLiteral("firstA.pdf")});
    QVERIFY(fonts.waitForFinished(30000));
    const QStringList lines = QString::fromUtf8(fonts.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).mid(2);
    QVERIFY(!lines.isEmpty());
    for (const QString& line : lines) QVERIFY2(line.contains(QStringLiteral(" yes ")), qPrintable(line));
}

void TestBooklet::tallQuestionsStartOnANewPage() {
    // Questions of many lines: none may be split between two pages.
    ExamContent content;
    for (int i = 1; i <= 14; ++i) {
        QString text = QStringLiteral("Soru%1 başı").arg(i, 2, 10, QLatin1Char('0'));
        for (int line = 0; line < 6; ++line) text += QStringLiteral("\r\nsatır %1").arg(line);
        text += QStringLiteral("\r\nSon%1").arg(i, 2, 10, QLatin1Char('0'));
        content.items.push_back(makeItem(
            i, text, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}, QStringLiteral("1")));
    }
    // One taller than a page runs on over the pages after it, every line once.
    QString huge = QStringLiteral("Dev");
    for (int line = 0; line < 150; ++line) huge += QStringLiteral("\r\nuzun%1").arg(line, 3, 10, QLatin1Char('0'));
    content.items.insert(content.items.begin() + 7, makeItem(99, huge, {}, QStringLiteral("1")));
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tall.pdf"));
    {
        QPdfWriter writer(path);
        Renderer::preparePage(writer);
        QPainter painter(&writer);
        Renderer(content, {}, dir.path()).drawBooklet(painter, writer, plan(content, {}).front(), false);
    }
    const QString text = pdfText(path);
    static const QRegularExpression longLine(QStringLiteral("uzun(\\d+)"));
    QList<int> lines;
    for (auto it = longLine.globalMatch(text); it.hasNext();) lines.append(it.next().captured(1).toInt());
    QCOMPARE(lines.size(), 150);
    QVERIFY(std::is_sorted(lines.begin(), lines.end()) && lines.last() == 149);
    QCOMPARE(questionIds(text).size(), 14);
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    QVERIFY(pages.size() > 4);
    for (const QString& page : pages) {
        const QList<int> starts = questionIds(page);
        static const QRegularExpression end(QStringLiteral("Son(\\d\\d)"));
        QList<int> ends;
        for (auto it = end.globalMatch(page); it.hasNext();) ends.append(it.next().captured(1).toInt());
        QCOMPARE(ends, starts);
    }
}

void TestBooklet::dialogSavesPdfFilesAndRemembersChoices() {
    ProgramFixture f(seed());
    f.show();
    f.clickTab(1);
    const QString stem = f.db.folder() + QStringLiteral("çıktı/Sınav");
    QDir(f.db.folder()).mkpath(QStringLiteral("çıktı"));
    BoxScript boxes;
    FileScript files;
    files.expect(stem + QStringLiteral(".pdf"));
    boxes.expect(Button::OK);
    QString info;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        info = d->LabelBilgi->text();
        QCOMPARE(d->EditBaslik->text(), QStringLiteral("Türkçe Sınavı"));
        type(d->EditOkul, QStringLiteral("Gökçe Ortaokulu"));
        d->EditSure->setFocus();
        QTest::keyClicks(d->EditSure, QStringLiteral("40 dk"));
        d->SpinKitapcik->setValue(2);
        d->CheckSiklar->setFocus();
        QTest::keyClick(d->CheckSiklar, Qt::Key_Space);
        d->EditTohum->selectAll();
        QTest::keyClicks(d->EditTohum, QStringLiteral("777"));
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);
        QTest::mouseClick(d->ButtonKapat, Qt::LeftButton);
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(files.shown(), QStringList{QStringLiteral("PDF olarak kaydet")});
    QVERIFY(info.contains(QStringLiteral("11 soru, 2 başlık")));
    QVERIFY(info.contains(QStringLiteral("İptal edilmiş 1 soru")));
    QVERIFY(info.contains(QStringLiteral("r1.png")));  // no Pictures folder here
    QVERIFY(boxes.last().text.contains(QStringLiteral("Sınav_CevapAnahtari.csv")));

    const auto variants = plan(loadExam(f.db.connection(), 1), {2, true, 777});
    const QString a = pdfText(stem + QStringLiteral("_A.pdf"));
    const QString b = pdfText(stem + QStringLiteral("_B.pdf"));
    QVERIFY(a.contains(QStringLiteral("Gökçe Ortaokulu")) && a.contains(QStringLiteral("40 dk")));
    QVERIFY(b.contains(QStringLiteral("Kitapçık B · Tohum 777")));
    QVERIFY(!QFile::exists(stem + QStringLiteral("_C.pdf")));
    QCOMPARE(keyLetters(pdfText(stem + QStringLiteral("_CevapAnahtari.pdf")).split(u'\f', Qt::SkipEmptyParts).value(1)),
             variants[1].key());
    QFile csv(stem + QStringLiteral("_CevapAnahtari.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll().mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 2 * 11);
    QCOMPARE(rows[0], QStringLiteral("Kitapçık;Soru No;Cevap;Sınavdaki Sıra"));
    QCOMPARE(rows[12].section(u';', 0, 2), QStringLiteral("B;1;") + variants[1].key().at(0));

    // The choices come back, all but the title and the date.
    const auto kept = IniFile::load(Tyazdir::settingsFile(f.main->ProgramFolder)).pairs(QStringLiteral("SinavYazdir"));
    QVERIFY(kept.contains({QStringLiteral("Okul"), QStringLiteral("Gökçe Ortaokulu")}));
    bool checked = false;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        checked = d->EditOkul->text() == QStringLiteral("Gökçe Ortaokulu") && d->EditSure->text() == QStringLiteral("40 dk") &&
                  d->SpinKitapcik->value() == 2 && d->CheckSiklar->isChecked() && d->EditTohum->text() == QStringLiteral("777");
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QVERIFY(checked);
}

void TestBooklet::dialogAsksBeforeReplacingFiles() {
    ProgramFixture f(seed());
    f.show();
    f.clickTab(1);
    const QString stem = f.db.folder() + QStringLiteral("Sınav");
    QFile old(stem + QStringLiteral("_CevapAnahtari.csv"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("eski") == 4);
    old.close();
    BoxScript boxes;
    FileScript files;
    files.expect(stem + QStringLiteral(".pdf"));
    files.expect(stem + QStringLiteral(".pdf"));
    boxes.expect(Button::No);
    boxes.expect(Button::Yes);
    boxes.expect(Button::OK);
    QStringList written;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);  // No: nothing written
        written = QDir(f.db.folder()).entryList({QStringLiteral("Sınav_*")});
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);  // Yes
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(written, QStringList{QStringLiteral("Sınav_CevapAnahtari.csv")});
    const msgbox::Box ask = boxes.shown()[0];
    QCOMPARE(ask.caption, QStringLiteral("Dikkat"));
    QCOMPARE(ask.text, QStringLiteral("\r\nBu dosyalar zaten var (") + QDir::toNativeSeparators(f.db.folder().chopped(1)) +
                           QStringLiteral("):\r\nSınav_CevapAnahtari.csv\r\n\r\nYenileri eskilerinin yerine yazılsın mı?"));
    QCOMPARE(boxes.shown()[1].text, ask.text);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(old.readAll().startsWith("\xEF\xBB\xBF"));  // replaced by the key
}

void TestBooklet::dialogRefusesExamsWithNothingToPrint() {
    ProgramFixture f(seed());
    f.show();
    f.clickTab(1);
    BoxScript boxes;
    for (int exam : {2, 3}) {
        QVERIFY(f.session->tsinav.locate(QStringLiteral("ID"), exam));
        boxes.expect(Button::OK);
        QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
    }
    QCOMPARE(boxes.shown()[0].text, QStringLiteral("\r\nBu sınavda basılacak soru yok."));
    QCOMPARE(boxes.shown()[1].text, QStringLiteral("\r\nBu sınavda basılacak soru yok. İptal edilmiş 1 soru basılmaz."));
}

void TestBooklet::previewShowsBookletsAndKeys() {
    ProgramFixture f(seed());
    f.show();
    f.clickTab(1);
    bool restored = false;
    DialogScript dialogs;
    dialogs.preview();
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QCOMPARE(d->ButtonYazdir->isEnabled(), !QPrinterInfo::availablePrinterNames().isEmpty());
        d->SpinKitapcik->setValue(3);
        QTest::mouseClick(d->ButtonOnizle, Qt::LeftButton);
        restored = d->ProgressBar1->isHidden() && d->ButtonPdf->isEnabled() && d->ButtonKapat->isEnabled();
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(dialogs.shown(), QList<QString>{QStringLiteral("Baskı Önizleme")});
    QCOMPARE(dialogs.previewPages(), 6);  // three one-page booklets, three key pages
    QVERIFY(restored);
}

QTEST_MAIN(TestBooklet)
#include "tst_booklet.moc"
