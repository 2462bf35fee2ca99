#include "storage/rowstore.h"

#include "storage/legacy_text.h"

#include <QTest>

#include <limits>

using storage::RawView;
using storage::RowStore;

namespace {

using Rows = std::vector<std::vector<QVariant>>;

// A value with its type, so that a blob never passes for a text or an
// integer for a real.
QString shown(const QVariant& v) {
    if (!v.isValid()) return QStringLiteral("<null>");
    return QString::fromLatin1(v.typeName()) + u':' + v.toString() + u':' + QString::fromLatin1(v.toByteArray().toHex());
}

// Reads every value in order, then each row's fields backwards and every
// other one, so that the store's place in a row is never taken for another's.
void compareRows(const RowStore& store, const Rows& expected) {
    QCOMPARE(store.size(), int(expected.size()));
    for (int r = 0; r < store.size(); ++r)
        for (int f = 0; f < store.fieldCount(); ++f) QCOMPARE(shown(store.value(r, f)), shown(expected[size_t(r)][size_t(f)]));
    for (int r = store.size() - 1; r >= 0; --r) {
        for (int f = store.fieldCount() - 1; f >= 0; --f)
            QCOMPARE(shown(store.value(r, f)), shown(expected[size_t(r)][size_t(f)]));
        for (int f = 0; f < store.fieldCount(); f += 2) QCOMPARE(shown(store.value(r, f)), shown(expected[size_t(r)][size_t(f)]));
    }
}

QByteArray pattern(int seed, int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) bytes[i] = char((seed * 31 + i) & 0xff);
    return bytes;
}

}  // namespace

class TestRowStore : public QObject {
    Q_OBJECT
private slots:
    // Every tag comes back as it went in, also between other values, so
    // that a wrong length of one value shows in its neighbours.
    void valueRoundTrips_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        const auto same = [](const char* name, const QVariant& v) { QTest::newRow(name) << v << v; };
        same("null", QVariant());
        same("zero", QVariant(qint64(0)));
        same("minus one", QVariant(qint64(-1)));
        same("smallest integer", QVariant(std::numeric_limits<qint64>::min()));
        same("largest integer", QVariant(std::numeric_limits<qint64>::max()));
        same("real", QVariant(0.1));
        same("negative real", QVariant(-2.5e-300));
        same("largest real", QVariant(std::numeric_limits<double>::max()));
        same("smallest subnormal", QVariant(std::numeric_limits<double>::denorm_min()));
        same("infinity", QVariant(-std::numeric_limits<double>::infinity()));
        same("empty text", QVariant(QStringLiteral("")));
        same("Turkish text", QVariant(QStringLiteral("Aşağıdakilerden hangisi İĞÜŞÇÖ ığüşçö?")));
        same("text beyond the basic plane", QVariant(QStringLiteral("soru \U0001F600 cevap")));
        same("text with a NUL", QVariant(QStringLiteral("a\0b")));
        same("empty blob", QVariant(QByteArray("")));
        same("blob that is not UTF-8", QVariant(QByteArray("\xff\xfe\x00\x80\xc3", 5)));
        same("every byte", QVariant(pattern(0, 256)));
        QTest::newRow("yes/no as an integer") << QVariant(true) << QVariant(qint64(1));
        QTest::newRow("int as a 64-bit integer") << QVariant(int(-7)) << QVariant(qint64(-7));
    }
    void valueRoundTrips() {
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        RowStore store(3);
        const QVariant before(QStringLiteral("önce")), after(qint64(42));
        store.append({before, value, after});
        store.append({value, value, value});
        compareRows(store, {{before, expected, after}, {expected, expected, expected}});
    }

    // Rows read from a query arrive as views on the query's own buffers.
    void viewsRoundTrip() {
        const QByteArray text = QStringLiteral("İkinci cevap").toUtf8();
        const QByteArray blob("\x00\xff\x80", 3);
        const RawView row[] = {
            {},
            {.tag = RawView::Tag::Int, .integer = std::numeric_limits<qint64>::min()},
            {.tag = RawView::Tag::Real, .real = -0.25},
            {.tag = RawView::Tag::Text, .bytes = text.constData(), .size = std::uint32_t(text.size())},
            {.tag = RawView::Tag::Blob, .bytes = blob.constData(), .size = std::uint32_t(blob.size())},
            {.tag = RawView::Tag::Text},
        };
        RowStore store(6);
        store.append(row);
        compareRows(store, {{QVariant(), QVariant(std::numeric_limits<qint64>::min()), QVariant(-0.25),
                             QVariant(QStringLiteral("İkinci cevap")), QVariant(blob), QVariant(QString())}});
    }

    // Rows stay where they were written while the store grows block by block.
    void rowsSurviveGrowth_data() {
        QTest::addColumn<QList<int>>("sizes");  // blob size of each row
        constexpr int block = 1 << 22;
        constexpr int overhead = 2 + 8 + 4;  // two tags, an integer, a length
        QList<int> many;
        for (int i = 0; i < 30000; ++i) many << 100 + i % 400;
        QTest::newRow("many rows over several blocks") << many;
        QTest::newRow("a row larger than a block") << QList<int>{10, block + 1000, 10, 20};
        QTest::newRow("a row that fills a block exactly") << QList<int>{block - overhead, 0, block - overhead - 5, 1};
    }
    void rowsSurviveGrowth() {
        QFETCH(QList<int>, sizes);
        RowStore store(2);
        for (int r = 0; r < sizes.size(); ++r) store.append({QVariant(qint64(r)), QVariant(pattern(r, sizes[r]))});
        QCOMPARE(store.size(), int(sizes.size()));
        for (int r = 0; r < sizes.size(); ++r) {
            QCOMPARE(store.value(r, 0).toLongLong(), qint64(r));
            QCOMPARE(store.value(r, 1).toByteArray(), pattern(r, sizes[r]));
        }
    }

    // Replacing, removing, inserting and reordering rows touches no other row.
    void editsKeepOtherRows() {
        RowStore store(3);
        Rows expected;
        for (int r = 0; r < 5; ++r) {
            expected.push_back({QVariant(qint64(r)), QVariant(QStringLiteral("satır %1").arg(r)), QVariant(r + 0.5)});
            store.append(expected.back());
        }
        const std::vector<QVariant> longer{QVariant(qint64(20)), QVariant(QString(5000, u'ş')), QVariant(pattern(2, 300))};
        store.replace(2, longer);
        expected[2] = longer;
        compareRows(store, expected);

        const std::vector<QVariant> shorter{QVariant(), QVariant(QString()), QVariant()};
        store.replace(3, shorter);
        expected[3] = shorter;
        compareRows(store, expected);

        // Only some fields changed: the others keep what the row held, not
        // what values says for them.
        const std::vector<QVariant> partly{QVariant(qint64(7)), QVariant(QStringLiteral("yok sayılır")),
                                           QVariant(pattern(3, 40))};
        store.replace(2, partly, {true, false, true});
        expected[2] = {partly[0], longer[1], partly[2]};
        compareRows(store, expected);
        store.replace(4, {QVariant(), QVariant(QStringLiteral("değişti")), QVariant()}, {false, true, false});
        expected[4][1] = QVariant(QStringLiteral("değişti"));
        compareRows(store, expected);

        store.remove(0);
        expected.erase(expected.begin());
        compareRows(store, expected);

        const std::vector<QVariant> inserted{QVariant(qint64(9)), QVariant(QStringLiteral("yeni")), QVariant(9.5)};
        store.insert(1, inserted);
        expected.insert(expected.begin() + 1, inserted);
        compareRows(store, expected);

        store.reorder({4, 0, 3, 1, 2});
        expected = {expected[4], expected[0], expected[3], expected[1], expected[2]};
        compareRows(store, expected);

        store.clear();
        QVERIFY(store.empty());
        store.append(inserted);
        compareRows(store, {inserted});
    }

    // A blank row, the new row of a record set, reads null until it is
    // replaced; so do reads out of range, which never fail.
    void blankRowAndReadsOutOfRange() {
        RowStore store(2);
        const std::vector<QVariant> a{QVariant(qint64(1)), QVariant(QStringLiteral("a"))};
        store.append(a);
        store.append(a);
        store.insertBlank(1);
        compareRows(store, {a, {QVariant(), QVariant()}, a});
        QCOMPARE(store.row(1).size(), size_t(2));
        QVERIFY(!store.value(-1, 0).isValid());
        QVERIFY(!store.value(3, 0).isValid());
        QVERIFY(!store.value(0, 2).isValid());
        const std::vector<QVariant> posted{QVariant(qint64(2)), QVariant(QStringLiteral("b"))};
        store.replace(1, posted);
        compareRows(store, {a, posted, a});
        store.remove(1);
        compareRows(store, {a, a});
    }

    // Stored text is UTF-8 exactly when Qt's check says so, and then reads
    // as Qt decodes it (a leading byte-order mark kept); anything else is
    // foreign text. Every lead byte is tried with every second byte, and the
    // forms that are valid only in part.
    void storedTextCheckedAsUtf8() {
        std::vector<QByteArray> cases = {"",
                                         "Osmanl\xC4\xB1 Devleti ne zaman kuruldu? \xC3\xA7\xC4\x9F\xC3\xB6\xC5\x9F\xC3\xBC",
                                         "\xEF\xBB\xBF"
                                         "ba\xC5\x9Fl\xC4\xB1k",
                                         "\xF0\x9F\x98\x80 yedi sekiz dokuz on",
                                         "\xF4\x8F\xBF\xBF",
                                         "\xF4\x90\x80\x80",
                                         "\xED\x9F\xBF",
                                         "\xED\xA0\x80",
                                         "\xE0\x9F\xBF",
                                         "\xE0\xA0\x80",
                                         "\xF0\x8F\xBF\xBF",
                                         "\xC0\xAF",
                                         "\xEF\xBF\xBE",
                                         "abcdefgh\xC3",
                                         "abcdefg\xE2\x82",
                                         "\xFE\xFF",
                                         QByteArray("a\0b", 3),
                                         "Windows-1254: \xFE\xF0\xFD\xDE\xD0\xDD"};
        for (int lead = 0x80; lead < 0x100; ++lead)
            for (int second = 0; second < 0x100; ++second) {
                const char pair[] = {char(lead), char(second), '\x80', '\x80'};
                for (int length = 2; length <= 4; ++length) cases.emplace_back(pair, length);
            }
        RowStore store(1);
        for (const QByteArray& bytes : cases) {
            const RawView view{.tag = RawView::Tag::Text, .bytes = bytes.constData(), .size = std::uint32_t(bytes.size())};
            store.append(std::span<const RawView>(&view, 1));
        }
        for (int row = 0; row < int(cases.size()); ++row) {
            const QByteArray& bytes = cases[size_t(row)];
            QString text;
            const bool valid = storage::decodeIfUtf8(bytes, &text);
            QCOMPARE(valid, QByteArrayView(bytes).isValidUtf8());
            if (valid) QCOMPARE(text, storage::decodeUtf8(bytes));
            const QVariant read = store.value(row, 0);
            QCOMPARE(storage::isForeignText(read), !valid);
            if (valid) QCOMPARE(read.toString(), text);
        }
    }

    // The same check where runs of ASCII are read many bytes at a time:
    // every kind of sequence, valid or not, placed at every offset around
    // the 8- and 16-byte steps and followed by short and long tails.
    void storedTextCheckedAtEveryStep() {
        const std::vector<QByteArray> sequences = {
            "",         "\xC3\xA7",     "\xC4\xB1\xC5\x9F", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xC3",
            "\xE2\x82", "\xED\xA0\x80", "\xC0\xAF",         "\xFF",         QByteArray("\0", 1)};
        std::vector<QByteArray> cases;
        for (const QByteArray& sequence : sequences)
            for (int offset = 0; offset <= 34; ++offset)
                for (int tail : {0, 1, 7, 8, 15, 16, 17, 31})
                    cases.push_back(QByteArray(offset, 'a') + sequence + QByteArray(tail, 'b'));
        // Every lead and second byte again, now inside blocks and across their
        // edges, and Turkish text that is two-byte letters half of the time.
        for (int lead = 0x80; lead < 0x100; ++lead)
            for (int second = 0; second < 0x100; ++second) {
                const char pair[] = {char(lead), char(second), '\x80', '\x80'};
                cases.push_back(QByteArray(14, 'a') + QByteArray(pair, 4) + QByteArray(20, 'b'));
                cases.push_back(QByteArray(31, 'a') + QByteArray(pair, 2) + QByteArray(17, 'b'));
            }
        const QByteArray turkish =
            QStringLiteral("Aşağıdakilerden hangisi doğrudur? Üçgenin iç açıları, ĞÜŞİÖÇ ğüşıöç. ").toUtf8();
        for (int cut = 0; cut <= turkish.size(); ++cut) cases.push_back(turkish.left(cut) + turkish + turkish.mid(cut));
        for (const QByteArray& bytes : cases)
            for (const auto path : {storage::Utf8Path::Fastest, storage::Utf8Path::AsciiBlocks, storage::Utf8Path::Portable}) {
                QString text;
                const bool valid = storage::decodeIfUtf8(bytes, &text, path);
                if (valid != QByteArrayView(bytes).isValidUtf8() || (valid && text != storage::decodeUtf8(bytes)))
                    QFAIL(qPrintable(QStringLiteral("%1 by way %2").arg(QString::fromLatin1(bytes.toHex(' '))).arg(int(path))));
            }
    }
};

QTEST_GUILESS_MAIN(TestRowStore)
#include "tst_rowstore.moc"
