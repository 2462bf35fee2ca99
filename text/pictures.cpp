#include "text/pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace picture {

namespace {
constexpr qint64 kMaxPixels = 40'000'000;
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

QImage load(const QString& path, const QSize& box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPixels) return {};
    if (size.width() > box.width() || size.height() > box.height()) reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    return reader.read();
}

}  // namespace picture
