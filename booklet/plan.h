#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace storage {
class Connection;
}

// What a printed exam holds, before any page is drawn: the exam's questions in
// exam order, the variants (booklets A to D) with their question and answer
// orders, and the answer keys. No widgets and no painting here, so that the
// same plan feeds the preview, the printer, the PDF files and the tests.
namespace booklet {

// One exam entry as printed: a question, or a heading ("<?>" at the start of
// its text) that titles the questions after it.
struct Item {
    qint64 qqId = 0;
    QString content;  // the stored question text: plain, or rich text ("{\rtf")
    bool heading = false;
    QString headingText;             // the heading without its "<?>", as plain text
    std::array<QString, 4> answers;  // A to D as stored
    int correct = -1;                // 0 to 3 for A to D; -1 when the stored mark is no "1" to "4"
    // Answers that keep their place when the answers are shuffled, known from
    // their words ("Hepsi", "A ve B", ...; see answerPlace).
    std::array<bool, 4> stays{};
    // The teacher keeps this question's answers in their order (keptOrders).
    bool orderKept = false;
    // Whether an answer keeps its place in a shuffle.
    bool keepsPlace(int answer) const { return orderKept || stays[size_t(answer)]; }
    // Whether the shuffle leaves any answer where it is stored.
    bool keepsAnyPlace() const;
};

struct ExamContent {
    std::vector<Item> items;  // exam order, cancelled questions left out
    int cancelled = 0;        // cancelled questions (and headings) left out
    int orphaned = 0;         // entries whose bank question no longer exists, left out
    int questionCount() const;
    // Questions whose answers, shuffled, leave some or all of them in place.
    int keptInPlaceCount() const;
};

// The exam's entries in exam order (ascending qqID), from the view of entries
// joined with their bank questions. Whatever another program stored is read
// without failing: a cancel mark that is no yes/no counts as not cancelled, a
// correct answer that is no "1" to "4" as unknown.
ExamContent loadExam(storage::Connection& connection, qint64 examId);

// ------------------------------------------------------ answers in place ---

// Where an answer must be printed when the answers are shuffled. Answers that
// speak of the others lose their meaning elsewhere: "Hepsi", "Hiçbiri",
// "Tümü", "Her ikisi", "Yukarıdakilerin hepsi/hiçbiri" stay in their own
// place (the last one below the others); answers that name others by their
// letters ("A ve B", "A, B ve C", "Yalnız C") hold the whole question in
// order, as the letters point at the places. Case, spaces and final
// punctuation do not count.
enum class AnswerPlace { Free, Stays, HoldsAll };
AnswerPlace answerPlace(const QString& answer);

// The teacher's choice of questions whose answers keep their order, kept in
// the program's own table beside the web site's (never in theirs). A choice
// belongs to the four answers, not to a row: it holds in every exam and
// survives moving, reordering, copying and importing the question; two
// questions with the same answers share it; changing an answer drops it.
qint64 answersKey(const std::array<QString, 4>& answers);
// The keys chosen; none while the table does not exist.
QList<qint64> keptOrders(storage::Connection& connection);
// Chooses or clears the answers' keys as one unit, making the table the
// first time.
void setKeptOrders(storage::Connection& connection, const QList<qint64>& keep, const QList<qint64>& release);

// The items of the exam that a plain stored text gives; for building plans
// without a database.
Item makeItem(qint64 qqId, const QString& content, const std::array<QString, 4>& answers, const QString& trueAnswer);

// ---------------------------------------------------------------- shuffle ---

// The shuffle's random numbers come from splitmix64 (Steele, Lea and Flood,
// 2014: state += 0x9E3779B97F4A7C15, then two xor-shift-multiply rounds), and
// a bounded draw rejects the biased top of the 64-bit range. Both are written
// out here, so a seed gives the same booklets on every machine and with every
// standard library, now and later.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in [0, bound); bound > 0.
    std::uint64_t below(std::uint64_t bound);

private:
    std::uint64_t state_;
};

// Fisher-Yates from the last place down: place i takes the element at a
// uniform place in [0, i].
template <typename T>
void shuffle(std::vector<T>& v, SplitMix64& random) {
    for (std::size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[random.below(i)]);
}

// ------------------------------------------------------------- variants ---

struct PlannedItem {
    int item = 0;                                // index into ExamContent::items
    int number = 0;                              // the question's number in this booklet; 0 for a heading
    std::array<int, 4> answerOrder{0, 1, 2, 3};  // printed place -> stored answer (A to D)
    int correctPlace = -1;                       // where the correct answer is printed; -1 unknown
};

struct Variant {
    QChar letter;  // 'A' to 'D'
    std::vector<PlannedItem> items;
    // The key: the correct letter of question 1, 2, ...; '-' when unknown.
    QString key() const;
};

struct Options {
    int variants = 1;  // 1 to 4
    bool shuffleAnswers = false;
    std::uint64_t seed = 1;
};

// Booklet A keeps the exam's order. Every other booklet shuffles the questions
// within each section (a heading and the questions up to the next heading, or
// the questions before the first heading), so that a heading keeps its own
// questions after it and the sections keep their order; with shuffleAnswers
// it shuffles each question's answers too, those that are not empty among
// their own places, with the answers that keep their place left there; a
// question draws the same numbers whatever stays, so that a seed prints every
// other question as before. Booklet v's numbers come from the
// seed and v alone, so adding a booklet never changes another.
std::vector<Variant> plan(const ExamContent& content, const Options& options);

// Every key as CSV for a spreadsheet: a header line, then one line per
// booklet and question: booklet letter, number in the booklet, correct
// letter, number of the same question in booklet A. Semicolons (the Turkish
// spreadsheet list separator), UTF-8 with a byte order mark, CR LF.
QByteArray keysCsv(const std::vector<Variant>& variants);

// A fresh seed for a new print: six digits, easy to type back.
std::uint64_t freshSeed();

}  // namespace booklet
