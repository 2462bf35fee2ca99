#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// Picture references in question texts: a file name with its extension
// between braces, "{r1.jpg}", naming a file in the folder "Pictures" under
// the program's folder. The exam site shows the picture; the plain-text
// question window shows it too, so that the teacher sees what students see.
namespace picture {

// The names referred to, in order of first appearance, each once.
QStringList references(const QString& question);

struct File {
    enum class Status {
        Found,    // path names a readable file inside the folder
        Missing,  // no such file
        Refused,  // the name leads outside the folder (.., absolute, a link out)
    };
    Status status = Status::Missing;
    QString path;
};

// Where a referred picture lies. Only files inside picturesFolder are ever
// named: ".." anywhere, absolute names and links that resolve outside are refused.
File locate(const QString& picturesFolder, const QString& name);

// The largest picture decoded: beyond it, one picture could take gigabytes.
inline constexpr qint64 kMaxPixels = 40'000'000;

enum class Failure { None, Unreadable, TooLarge };

// The picture scaled down to fit `box` (never up). Null when it cannot be read
// or is too large to decode safely (more than kMaxPixels); failure,
// when given, says which.
QImage load(const QString& path, const QSize& box, Failure* failure = nullptr);

}  // namespace picture
