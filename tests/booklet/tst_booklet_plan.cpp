#include "booklet/plan.h"
#include "booklet/render.h"
#include "tests/support/exam_fixture.h"
#include "tests/support/temp_db.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace booklet;

namespace {

// Question ids of a text in the order they appear.
QList<int> questionIds(const QString& text) {
    static const QRegularExpression re(QStringLiteral("Soru(\\d\\d)"));
    QList<int> ids;
    for (auto it = re.globalMatch(text); it.hasNext();) ids.append(it.next().captured(1).toInt());
    return ids;
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

void writePng(const QString& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(path));
}

}  // namespace

class TestBookletPlan : public QObject {
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
    void pdfPrintsEveryQuestionOnceInOrderWithKeys();
    void tallQuestionsStartOnANewPage();
    void absentPicturesAreNamedOnce();
};

void TestBookletPlan::splitmixIsTheReferenceGenerator() {
    // The first outputs of splitmix64 from state 0, as published with it.
    SplitMix64 r(0);
    QCOMPARE(r.next(), 0xE220A8397B1DCDAFULL);
    QCOMPARE(r.next(), 0x6E789E6AA1B965F4ULL);
    QCOMPARE(r.next(), 0x06C45D188009454FULL);
    SplitMix64 bounded(42);
    for (int i = 0; i < 1000; ++i) QVERIFY(bounded.below(7) < 7);
}

void TestBookletPlan::loadsExamOrderLeavingOutCancelledAndDeleted() {
    TempDb db;
    db.exec(seedExam());
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

void TestBookletPlan::loadSurvivesForeignValues() {
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

void TestBookletPlan::plansKeepSectionsAndKeys_data() {
    QTest::addColumn<int>("variants");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<quint64>("seed");
    QTest::newRow("one booklet") << 1 << true << quint64(1);
    QTest::newRow("four, questions only") << 4 << false << quint64(123456);
    QTest::newRow("four, answers too") << 4 << true << quint64(987654);
    QTest::newRow("seed zero") << 3 << true << quint64(0);
}

void TestBookletPlan::plansKeepSectionsAndKeys() {
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

void TestBookletPlan::aSeedPrintsTheSameBookletsAsBefore() {
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

void TestBookletPlan::answersThatNameOthersKeepTheirPlace_data() {
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

void TestBookletPlan::answersThatNameOthersKeepTheirPlace() {
    QFETCH(QString, answer);
    QFETCH(int, place);
    QCOMPARE(int(answerPlace(answer)), place);
}

void TestBookletPlan::keptOrdersBelongToTheAnswers() {
    TempDb db;
    db.exec(seedExam());
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

void TestBookletPlan::pdfPrintsEveryQuestionOnceInOrderWithKeys() {
    TempDb db;
    db.exec(seedExam());
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

void TestBookletPlan::tallQuestionsStartOnANewPage() {
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

void TestBookletPlan::absentPicturesAreNamedOnce() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Pictures")));
    writePng(dir.filePath(QStringLiteral("Pictures/r1.png")), QSize(4, 4));
    writePng(dir.filePath(QStringLiteral("x.png")), QSize(4, 4));
    const std::array<QString, 4> answers{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    ExamContent content;
    for (const QString& text : {QStringLiteral("{r1.png} {yok.jpg}"), QStringLiteral("{../x.png} ve {yok.jpg}"),
                                QStringLiteral("{\\rtf1\\ansi Resim \\{zengin.png\\}\\par}")})
        content.items.push_back(makeItem(1, text, answers, QStringLiteral("1")));
    QCOMPARE(absentPictures(content, dir.filePath(QStringLiteral("Pictures"))),
             (QStringList{QStringLiteral("yok.jpg"), QStringLiteral("../x.png"), QStringLiteral("zengin.png")}));
}

QTEST_MAIN(TestBookletPlan)
#include "tst_booklet_plan.moc"
