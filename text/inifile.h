#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// An INI file as Windows programs write it: sections of key=value lines, in
// the Turkish Windows code page, lines ending in CR LF. Read and written
// line by line, so that keys keep their order; lines nobody writes come back
// byte for byte, whatever their encoding and line ending.
class IniFile {
public:
    using Pair = QPair<QString, QString>;

    // The largest file read: a layout is a few hundred bytes, and a larger
    // file is no layout of ours.
    static constexpr qsizetype kMaxBytes = 1024 * 1024;

    // Reads a file (through a link, too); a missing file is an empty one.
    // Throws storage::Error, naming the file, when it exists but cannot be
    // read, is no regular file (a FIFO is never waited for) or is larger
    // than kMaxBytes.
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

    // The file's bytes: lines read come back as they were; lines written are
    // Windows-1254 with CR LF, characters the code page lacks as "?", as a
    // Windows program's profile writing does.
    QByteArray bytes() const;

    // Whether the file carries the read-only mark, which the program obeys
    // even where the system would let it write (root): the owner's wish.
    static bool markedReadOnly(const QString& path);

    // Writes the file whole or not at all: a new file beside it, written,
    // flushed to the disk and closed without error, replaces the old one and
    // takes its permissions; on any failure the old file stays as it was and
    // the new one is removed. A read-only file, a link (its target may be any
    // file of the user's) and anything that is no regular file are left
    // alone. Throws storage::Error, in Turkish, naming the file.
    void save(const QString& path) const;

private:
    // The range [first, end) of a section's lines, header included; first is
    // -1 when there is no such section.
    std::pair<int, int> sectionLines(const QString& section) const;
    // Puts a line the program writes at index `at`.
    void insertLine(int at, const QString& text);

    // Each line twice: its bytes as read or written, ending included (the
    // last line of a file may have none), and its text without the ending.
    QList<QByteArray> raw_;
    QStringList lines_;
};
