#include "booklet/plan.h"

#include "storage/errors.h"
#include "storage/field_names.h"
#include "storage/fields.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "text/rtf.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <numeric>

namespace booklet {

namespace {

const QString kHeadingMark = QStringLiteral("<?>");

int correctIndex(const QString& trueAnswer) {
    const QString t = trueAnswer.trimmed();
    if (t.size() != 1) return -1;
    const int n = t.at(0).unicode() - '1';
    return n >= 0 && n < 4 ? n : -1;
}

// A cancel mark as another program may have stored it: what is no yes/no
// prints the question rather than hide it.
bool isCancelled(const QVariant& value) {
    try {
        return storage::booleanOf(value, QString());
    } catch (const storage::Error&) {
        return false;
    }
}

bool isNull(const QVariant& v) { return storage::displayText(v).isEmpty() && (v.isNull() || !v.isValid()); }

// An answer as its words: lower case the Turkish way, one space between
// words, no punctuation around them.
QStringList words(const QString& answer) {
    static const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    static const QRegularExpression separators(QStringLiteral("[\\s,;:.!?()\\[\\]/&+-]+"));
    return turkish.toLower(answer).split(separators, Qt::SkipEmptyParts);
}

}  // namespace

AnswerPlace answerPlace(const QString& answer) {
    const QStringList w = words(answer);
    if (w.isEmpty()) return AnswerPlace::Free;
    // Words that only join letters: "A ve B", "A ile C", "Yalnız D", "A ve B doğru".
    static const QStringList joining{QStringLiteral("ve"),      QStringLiteral("ile"),    QStringLiteral("veya"),
                                     QStringLiteral("ya"),      QStringLiteral("da"),     QStringLiteral("de"),
                                     QStringLiteral("yalnız"),  QStringLiteral("sadece"), QStringLiteral("doğru"),
                                     QStringLiteral("doğrudur")};
    bool letter = false, onlyLetters = true;
    for (const QString& word : w) {
        if (word.size() == 1 && word.at(0) >= u'a' && word.at(0) <= u'd')
            letter = true;
        else if (!joining.contains(word))
            onlyLetters = false;
    }
    if (letter && onlyLetters) return AnswerPlace::HoldsAll;
    // Answers about all or none of the others: the first words say it.
    static const QStringList opening{QStringLiteral("hepsi"), QStringLiteral("hiçbiri"),  QStringLiteral("hiçbirisi"),
                                     QStringLiteral("tümü"),  QStringLiteral("hepsidir"), QStringLiteral("hiçbiridir")};
    const QString first = w.front();
    if (opening.contains(first) || first.startsWith(QStringLiteral("yukarıdaki")) ||
        (first == QStringLiteral("hiç") && w.value(1).startsWith(QStringLiteral("bir"))) ||
        (first == QStringLiteral("her") && w.value(1).startsWith(QStringLiteral("iki"))) ||
        (first == QStringLiteral("ikisi") && w.size() <= 2))
        return AnswerPlace::Stays;
    return AnswerPlace::Free;
}

qint64 answersKey(const std::array<QString, 4>& answers) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& a : answers) {
        hash.addData(a.toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    }
    const QByteArray digest = hash.result();
    quint64 key = 0;
    for (int i = 0; i < 8; ++i) key = key << 8 | quint8(digest[i]);
    key &= 0x7FFFFFFFFFFFFFFFULL;
    return key == 0 ? 1 : qint64(key);
}

QList<qint64> keptOrders(storage::Connection& connection) {
    storage::RecordSet exists(QStringLiteral("Yazdir"), &connection);
    if (storage::sql::scalar(exists, storage::sql::keptOrderTableExists(), storage::fields::kRcx) == 0) return {};
    storage::RecordSet rs(QStringLiteral("Yazdir"), &connection);
    rs.setCommandText(storage::sql::keptOrderKeys());
    rs.open();
    QList<qint64> keys;
    // Keys go back into statements (setKeptOrders): read strictly.
    for (int row = 0; row < rs.recordCount(); ++row)
        keys.append(storage::keyOf(rs.rowValue(row, 0), rs.name(), rs.fieldDef(0).name));
    return keys;
}

void setKeptOrders(storage::Connection& connection, const QList<qint64>& keep, const QList<qint64>& release) {
    if (keep.isEmpty() && release.isEmpty()) return;
    storage::RecordSet change(QStringLiteral("Yazdir"), &connection);
    storage::atomically(connection, [&] {
        storage::sql::executeChange(change, storage::sql::createKeptOrderTable());
        for (qint64 key : release) storage::sql::executeChange(change, storage::sql::releaseOrder(key));
        for (qint64 key : keep) storage::sql::executeChange(change, storage::sql::keepOrder(key));
    });
}

bool Item::keepsAnyPlace() const {
    for (int a = 0; a < 4; ++a)
        if (keepsPlace(a) && !answers[size_t(a)].trimmed().isEmpty()) return true;
    return false;
}

int ExamContent::keptInPlaceCount() const {
    return int(std::count_if(items.begin(), items.end(), [](const Item& i) { return !i.heading && i.keepsAnyPlace(); }));
}

int ExamContent::questionCount() const {
    return int(std::count_if(items.begin(), items.end(), [](const Item& i) { return !i.heading; }));
}

Item makeItem(qint64 qqId, const QString& content, const std::array<QString, 4>& answers, const QString& trueAnswer) {
    Item item;
    item.qqId = qqId;
    item.content = content;
    item.answers = answers;
    item.correct = correctIndex(trueAnswer);
    for (int a = 0; a < 4; ++a) {
        const AnswerPlace place = answerPlace(answers[size_t(a)]);
        if (place == AnswerPlace::HoldsAll) item.stays.fill(true);
        if (place == AnswerPlace::Stays) item.stays[size_t(a)] = true;
    }
    const QString plain = rtf::isRichText(content) ? rtf::plainText(content) : content;
    if (plain.startsWith(kHeadingMark)) {
        item.heading = true;
        item.headingText = plain.mid(kHeadingMark.size()).simplified();
    }
    return item;
}

ExamContent loadExam(storage::Connection& connection, qint64 examId) {
    storage::RecordSet rs(QStringLiteral("Yazdir"), &connection);
    rs.setCommandText(storage::sql::examQuestionsInOrder(examId));
    rs.open();
    namespace fields = storage::fields;
    const int question = rs.fieldIndex(fields::kQuestion);
    const int trueAnswer = rs.fieldIndex(fields::kTrueAnswer);
    const int sts = rs.fieldIndex(fields::kSts);
    const int qqId = rs.fieldIndex(fields::kQqId);
    const std::array<int, 4> answer{rs.fieldIndex(fields::kAnswer1), rs.fieldIndex(fields::kAnswer2),
                                    rs.fieldIndex(fields::kAnswer3), rs.fieldIndex(fields::kAnswer4)};

    const QList<qint64> kept = keptOrders(connection);
    ExamContent content;
    const int rows = rs.recordCount();
    content.items.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        const auto text = [&](int field) { return storage::displayText(rs.rowValue(row, field)); };
        std::array<QString, 4> answers;
        bool empty = isNull(rs.rowValue(row, question)) && isNull(rs.rowValue(row, trueAnswer)) && isNull(rs.rowValue(row, sts));
        for (int i = 0; i < 4; ++i) {
            answers[size_t(i)] = text(answer[size_t(i)]);
            empty = empty && answers[size_t(i)].isEmpty();
        }
        if (empty) {
            ++content.orphaned;
            continue;
        }
        if (isCancelled(rs.rowValue(row, sts))) {
            ++content.cancelled;
            continue;
        }
        bool ok = false;
        const qint64 key = text(qqId).toLongLong(&ok);
        content.items.push_back(makeItem(ok ? key : 0, text(question), answers, text(trueAnswer)));
        content.items.back().orderKept = !kept.isEmpty() && kept.contains(answersKey(answers));
    }
    return content;
}

// --------------------------------------------------------------- random ---

std::uint64_t SplitMix64::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t SplitMix64::below(std::uint64_t bound) {
    // The largest multiple of bound that fits: draws at or above it would
    // favour the small results, so they are drawn again.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    std::uint64_t r = next();
    while (r >= limit) r = next();
    return r % bound;
}

std::uint64_t freshSeed() { return 100000 + QRandomGenerator::global()->bounded(900000); }

// ------------------------------------------------------------- variants ---

QString Variant::key() const {
    QString key;
    for (const PlannedItem& p : items)
        if (p.number > 0) key += p.correctPlace >= 0 ? QChar(u'A' + p.correctPlace) : QChar(u'-');
    return key;
}

std::vector<Variant> plan(const ExamContent& content, const Options& options) {
    const int count = std::clamp(options.variants, 1, 4);
    // Sections: [begin, end) runs of questions between headings.
    std::vector<std::pair<int, int>> runs;
    const int n = int(content.items.size());
    for (int i = 0; i < n;) {
        if (content.items[size_t(i)].heading) {
            ++i;
            continue;
        }
        int end = i;
        while (end < n && !content.items[size_t(end)].heading) ++end;
        runs.emplace_back(i, end);
        i = end;
    }

    std::vector<Variant> variants;
    for (int v = 0; v < count; ++v) {
        Variant variant;
        variant.letter = QChar(u'A' + v);
        std::vector<int> order(static_cast<size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        // Each booklet draws from its own stream: the seed mixed with its letter.
        SplitMix64 random(options.seed ^ (0xD1B54A32D192ED03ULL * std::uint64_t(v + 1)));
        const bool shuffled = v > 0;
        if (shuffled) {
            for (const auto& [begin, end] : runs) {
                std::vector<int> run(order.begin() + begin, order.begin() + end);
                shuffle(run, random);
                std::copy(run.begin(), run.end(), order.begin() + begin);
            }
        }
        int number = 0;
        for (int index : order) {
            const Item& item = content.items[size_t(index)];
            PlannedItem p;
            p.item = index;
            if (!item.heading) {
                p.number = ++number;
                if (shuffled && options.shuffleAnswers) {
                    // Only answers that say something change places: a
                    // question with two answers keeps them as A and B.
                    std::vector<int> filled;
                    for (int a = 0; a < 4; ++a)
                        if (!item.answers[size_t(a)].trimmed().isEmpty()) filled.push_back(a);
                    std::vector<int> moved = filled;
                    shuffle(moved, random);
                    // Answers that keep their place stay there; the others
                    // fill the places left in the order the shuffle drew.
                    std::vector<int> movers;
                    for (int a : moved)
                        if (!item.keepsPlace(a)) movers.push_back(a);
                    auto next = movers.begin();
                    for (int place : filled) p.answerOrder[size_t(place)] = item.keepsPlace(place) ? place : *next++;
                }
                if (item.correct >= 0)
                    p.correctPlace =
                        int(std::find(p.answerOrder.begin(), p.answerOrder.end(), item.correct) - p.answerOrder.begin());
            }
            variant.items.push_back(p);
        }
        variants.push_back(std::move(variant));
    }
    return variants;
}

QByteArray keysCsv(const std::vector<Variant>& variants) {
    // Booklet A is in exam order: its number for an item is the exam's number.
    std::vector<int> examNumber;
    if (!variants.empty()) {
        for (const PlannedItem& p : variants.front().items) {
            if (examNumber.size() <= size_t(p.item)) examNumber.resize(size_t(p.item) + 1, 0);
            examNumber[size_t(p.item)] = p.number;
        }
    }
    QString csv = QStringLiteral("Kitapçık;Soru No;Cevap;Sınavdaki Sıra\r\n");
    for (const Variant& v : variants) {
        for (const PlannedItem& p : v.items) {
            if (p.number == 0) continue;
            const QChar letter = p.correctPlace >= 0 ? QChar(u'A' + p.correctPlace) : QChar(u'-');
            const int inExam = size_t(p.item) < examNumber.size() ? examNumber[size_t(p.item)] : 0;
            csv += QStringLiteral("%1;%2;%3;%4\r\n").arg(v.letter).arg(p.number).arg(letter).arg(inExam);
        }
    }
    return QByteArray("\xEF\xBB\xBF") + csv.toUtf8();
}

}  // namespace booklet
