#pragma once

#include <QString>

namespace bench {

// The shape of a generated bank: groups x questions, all questions of the
// first group when groups is 1, and exams holding entries.
struct BankShape {
    int groups = 1;
    int questions = 10000;  // per group
    int exams = 5;
    int entriesPerExam = 200;
};

// Fills a fresh database file (created from the schema) with a bank of that
// shape. The same shape gives the same bytes: texts come from a fixed seed.
// About one question in seven is stored as rich text in the Turkish code page;
// some texts carry a heading and a picture reference.
void generateBank(const QString& path, const BankShape& shape);

// The file for a shape under folder, generated on first use and kept.
QString cachedBank(const QString& folder, const BankShape& shape);

}  // namespace bench
