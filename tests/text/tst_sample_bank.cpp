#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/statement.h"
#include "tests/support/full_disk.h"
#include "text/rtf.h"
#include "text/sample_bank.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// The first column of every row of a query, as text.
QStringList column(storage::Connection& c, const QString& sql) {
    storage::Statement st(c, QStringLiteral("test"), sql);
    QStringList out;
    const storage::QueryResult result = st.readAll();
    for (int row = 0; row < result.rows.size(); ++row) out << result.rows.value(row, 0).toString();
    return out;
}

}  // namespace

class TestSampleBank : public QObject {
    Q_OBJECT
private slots:
    // What the guide promises a newcomer finds in the sample: groups with a
    // dozen questions each, headings, a rich-text question, a picture whose
    // file is there, a cancelled question, two exams (one passive) whose
    // entries all name bank questions.
    void repositorySampleMakesABank() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quorvel.mdb"));
        samplebank::write(samplebank::parse(samplebank::text()), path);

        storage::Connection c;
        c.setConnectionString(storage::connectionString(path));
        c.open();  // the opening checks that it is a question bank
        const QStringList groups = column(c, QStringLiteral("SELECT GROUPNAME FROM tqgroup ORDER BY ID"));
        QVERIFY(groups.size() >= 3 && groups.size() <= 4);
        for (const QString& count : column(c, QStringLiteral("SELECT count(*) FROM tqmaster GROUP BY qgrp ORDER BY qgrp")))
            QVERIFY2(count.toInt() >= 10 && count.toInt() <= 14, qPrintable(count));
        QCOMPARE(column(c, QStringLiteral("SELECT count(DISTINCT qgrp) FROM tqmaster WHERE question LIKE '<?>%'")),
                 QStringList{QString::number(groups.size())});
        QCOMPARE(column(c, QStringLiteral("SELECT count(*) FROM tqmaster WHERE true_answer NOT IN ('1','2','3','4')")),
                 QStringList{QStringLiteral("0")});
        QCOMPARE(column(c, QStringLiteral("SELECT count(*) FROM tqmaster WHERE question NOT LIKE '<?>%' AND "
                                          "(answer1 = '' OR answer2 = '' OR answer3 = '' OR answer4 = '')")),
                 QStringList{QStringLiteral("0")});
        QCOMPARE(column(c, QStringLiteral("SELECT count(*) FROM tqmaster WHERE sts = 1")).value(0).toInt(), 1);

        const QStringList rich = column(c, QStringLiteral("SELECT question FROM tqmaster WHERE question LIKE '{\\rtf%'"));
        QCOMPARE(rich.size(), 1);
        QCOMPARE(rtf::plainText(rich.first()).trimmed(), QStringLiteral("Aşağıdakilerden hangisi bir asal sayıdır?"));
        QVERIFY(rich.first().contains(QLatin1String("\\b")));

        QVERIFY(!column(c, QStringLiteral("SELECT rid FROM tqmaster WHERE question LIKE '%{sayi_dogrusu.png}%'")).isEmpty());
        QVERIFY(!QImage(dir.filePath(QStringLiteral("Pictures/sayi_dogrusu.png"))).isNull());

        QCOMPARE(column(c, QStringLiteral("SELECT DRM FROM qgroup ORDER BY ID")),
                 (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
        QCOMPARE(column(c, QStringLiteral("SELECT count(*) FROM qquestion WHERE question_id NOT IN (SELECT rid FROM tqmaster)")),
                 QStringList{QStringLiteral("0")});
        QVERIFY(column(c, QStringLiteral("SELECT count(*) FROM qquestion GROUP BY group_id")).size() == 2);
    }

    void neverOverwrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quorvel.mdb"));
        storage::createDatabase(path);
        QVERIFY_THROWS_EXCEPTION(storage::Error, samplebank::write(samplebank::parse(samplebank::text()), path));
    }

    // A disk that fills up while the sample is written (an empty bank takes
    // 44 KiB, the sample 52 KiB) leaves no bank, empty or half, under the name.
    void fullDiskLeavesNoBank_data() {
        QTest::addColumn<bool>("tmpfs");
        QTest::newRow("file-size limit") << false;
        QTest::newRow("full tmpfs") << true;
    }
    void fullDiskLeavesNoBank() {
        QFETCH(bool, tmpfs);
        QTemporaryDir dir;
        const TestDisk small(TestDisk::Kind::Tmpfs, 48 * 1024);
        if (tmpfs && !small.mounted()) QSKIP(qPrintable(small.why()));
        const QString folder = tmpfs ? small.folder() : dir.path() + u'/';
        QString message;
        {
            std::optional<FileSizeLimit> limit;
            if (!tmpfs) limit.emplace(48 * 1024);
            try {
                samplebank::write(samplebank::parse(samplebank::text()), folder + QStringLiteral("Quorvel.mdb"));
            } catch (const storage::Error& e) {
                message = e.message();
            }
        }
        QVERIFY2(message.contains(tmpfs ? QStringLiteral("disk dolu") : QStringLiteral("yazılamıyor"), Qt::CaseInsensitive),
                 qPrintable(message));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }

    // A fault in the text names its line, so whoever edits the sample finds it.
    void faultsNameTheirLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("question before a group") << "soru: x\ncevap: A"
                                                 << "satır 1";
        QTest::newRow("no correct answer") << "grup: g\n\nsoru: x\nA: 1"
                                           << "satır 3";
        QTest::newRow("correct answer E") << "grup: g\nsoru: x\ncevap: E"
                                          << "satır 3";
        QTest::newRow("unknown line") << "grup: g\nsoru: x\ncevap: A\nyanlış satır"
                                      << "satır 4";
        QTest::newRow("exam names no question") << "grup: g\nsoru: x\ncevap: A\n\nsınav: s\nsorular: 1 2"
                                                << "satır 6";
        QTest::newRow("password outside an exam") << "şifre: 1"
                                                  << "satır 1";
    }
    void faultsNameTheirLine() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            samplebank::parse(text);
            QFAIL("no error");
        } catch (const storage::Error& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(TestSampleBank)
#include "tst_sample_bank.moc"
