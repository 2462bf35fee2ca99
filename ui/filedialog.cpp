#include "ui/filedialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace filedialog {

namespace {
Interceptor& interceptor() {
    static Interceptor instance;
    return instance;
}

QString& lastFolder() {
    static QString folder;
    return folder;
}

bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

// Where a chosen path leaves the next dialog.
QString remember(const QString& path) {
    if (!path.isEmpty()) lastFolder() = QFileInfo(path).absolutePath();
    return path;
}
}  // namespace

QString startFolder() { return isFolder(lastFolder()) ? lastFolder() : QDir::homePath(); }

QString suggestedPath(const QString& suggested) {
    const QFileInfo info(suggested);
    if (isFolder(lastFolder()) || suggested.isEmpty() || info.isRelative() || !isFolder(info.absolutePath()))
        return QDir(startFolder()).filePath(info.fileName());
    return suggested;
}

QString openFileName(QWidget* owner, const QString& caption, const QString& filter) {
    if (interceptor()) return remember(interceptor()(caption, filter));
    return remember(QFileDialog::getOpenFileName(owner, caption, startFolder(), filter, nullptr, QFileDialog::Options()));
}

QString saveFileName(QWidget* owner, const QString& caption, const QString& filter, const QString& suggested) {
    if (interceptor()) return remember(interceptor()(caption, filter));
    return remember(
        QFileDialog::getSaveFileName(owner, caption, suggestedPath(suggested), filter, nullptr, QFileDialog::Options()));
}

void setInterceptor(Interceptor i) { interceptor() = std::move(i); }

void forgetLastFolder() { lastFolder().clear(); }

}  // namespace filedialog
