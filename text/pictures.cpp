#include "text/pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace picture {

namespace {
constexpr qint64 kMaxBytesPerPixel = 8;
}

QStringList references(const QString& question) {
    static const QRegularExpression reference(QStringLiteral(R"(\{([^{}\r\n]+\.[^{}\r\n.\s]+)\})"));
    QStringList names;
    for (auto it = reference.globalMatch(question); it.hasNext();) {
        const QString name = it.next().captured(1).trimmed();
        if (!name.isEmpty() && !names.contains(name)) names.append(name);
    }
    return names;
}

File locate(const QString& picturesFolder, const QString& name) {
    File file;
    QString relative = name;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool driveLetter = relative.size() > 1 && relative.at(1) == QLatin1Char(':');
    if (relative.contains(QLatin1String("..")) || relative.startsWith(QLatin1Char('/')) || driveLetter ||
        QDir::isAbsolutePath(relative)) {
        file.status = File::Status::Refused;
        return file;
    }
    const QString folder = QFileInfo(picturesFolder).canonicalFilePath();
    const QFileInfo info(QDir(picturesFolder).filePath(relative));
    if (folder.isEmpty() || !info.exists()) return file;  // Missing
    // A link, or a folder that is a link, may lead anywhere: what counts is where it ends.
    const QString real = info.canonicalFilePath();
    if (real.isEmpty() || !real.startsWith(folder + QLatin1Char('/'))) {
        file.status = File::Status::Refused;
        return file;
    }
    if (!QFileInfo(real).isFile()) return file;
    file.status = File::Status::Found;
    file.path = real;
    return file;
}

QImage load(const QString& path, const QSize& box, Failure* failure) {
    if (failure) *failure = Failure::Unreadable;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid()) return {};
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxPixels) {
        if (failure) *failure = Failure::TooLarge;
        return {};
    }
    if (size.width() > box.width() || size.height() > box.height()) reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    // Qt refuses images larger than its allocation limit (128 MB in Qt 6.4),
    // a bound below ours: a picture within kMaxPixels may take up to 8 bytes a
    // pixel at full size (16-bit colour) before it is scaled. The limit is
    // the process's, so it is raised for this read only.
    const int limit = QImageReader::allocationLimit();
    const int needed = int(pixels * kMaxBytesPerPixel / (1024 * 1024)) + 1;
    if (limit > 0 && limit < needed) QImageReader::setAllocationLimit(needed);
    const QImage image = reader.read();
    QImageReader::setAllocationLimit(limit);
    if (failure && !image.isNull()) *failure = Failure::None;
    return image;
}

}  // namespace picture
