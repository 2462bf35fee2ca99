#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A small, realistic bank for a teacher who tries the program for the first
// time, kept as reviewable text in the repository (tools/sample/) and turned
// into a database file by quorvel-mkdb --sample.
namespace samplebank {

struct Question {
    qint64 rid = 0;       // the reference number, in file order from 1
    QString text;         // as stored; rich text already written as RTF
    QStringList answers;  // A to D
    QString correct;      // "1".."4", as the post rule stores it
    bool cancelled = false;
};

struct Group {
    QString name;
    QList<Question> questions;
};

struct Exam {
    QString name;
    QString password;
    bool passive = false;
    QList<qint64> questions;  // reference numbers, in exam order
};

struct Bank {
    QList<Group> groups;
    QList<Exam> exams;
};

// Reads the sample's text format (described at the top of the sample file).
// Throws storage::Error naming the line of the first fault.
Bank parse(const QString& text);

// The sample bank of the repository.
const QString& text();

// Creates a new database file at path from the schema and fills it with bank,
// each group, question, exam and entry in file order, as one unit; draws the
// pictures the questions name into the folder "Pictures" beside the file.
// Refuses to overwrite an existing file. Drawing needs a QGuiApplication.
void write(const Bank& bank, const QString& path);

// The names of the pictures write() can draw.
QStringList drawablePictures();

}  // namespace samplebank
