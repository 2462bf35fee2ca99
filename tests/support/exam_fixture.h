#pragma once

#include <QString>

// The exam the booklet tests print, and how they read what was printed.

// The Turkish letters of both cases, in every question of the exam below.
inline const QString kTurkish = QStringLiteral("ığüşöç İĞÜŞÖÇ");

// Exam 1: a question before any heading, two sections with headings, a
// cancelled question, a rich-text question with a picture, an entry whose
// bank question is gone; entry keys out of insertion order. Question i has
// the answers "c<i>a" to "c<i>d"; the correct one is (i mod 4) + 1. Exam 3
// holds only a cancelled question. SQL for TempDb::exec.
QString seedExam(int questions = 12);

// The text of a PDF file, laid out as printed (pdftotext); empty on failure.
QString pdfText(const QString& path);

// The key's letters as the key page prints them, in order.
QString keyLetters(const QString& page);
