#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// An INI file as Windows programs write it: sections of key=value lines, in
// the Turkish Windows code page, lines ending in CR LF. Read and written
// line by line, so that keys keep their order, and lines and sections that
// nobody asks about come back exactly as they were.
class IniFile {
public:
    using Pair = QPair<QString, QString>;

    // Reads a file; a missing file is an empty one. Throws storage::Error
    // when the file exists but cannot be read.
    static IniFile load(const QString& path);
    static IniFile parse(const QByteArray& bytes);

    // The key=value pairs of a section, in file order: section and key names
    // compared without regard to case, blanks around keys and values dropped,
    // a value in double quotes without them. Lines without "=" are no pairs.
    QList<Pair> pairs(const QString& section) const;

    // Removes a section with all its lines.
    void eraseSection(const QString& section);
    // Sets a key in a section: replaces its first line, or adds one at the
    // end of the section (a new section goes at the end of the file).
    void writeKey(const QString& section, const QString& key, const QString& value);

    // The file's bytes: Windows-1254, CR LF. Characters the code page lacks
    // become "?", as a Windows program's profile writing does.
    QByteArray bytes() const;

    // Writes the file so that a crash or a full disk never leaves it half
    // written: a new file beside it replaces the old one only when complete,
    // and keeps its permissions. A file that exists and cannot be written is
    // left alone. Throws storage::Error when nothing could be written.
    void save(const QString& path) const;

private:
    // The range [first, end) of a section's lines, header included; first is
    // -1 when there is no such section.
    std::pair<int, int> sectionLines(const QString& section) const;

    QStringList lines_;
};
