#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

// A small disk of its own: a tmpfs of `bytes` mounted on a temporary folder
// while the object lives. Only root may mount; ok() says whether it worked,
// and a test skips when it did not.
class TmpfsMount {
public:
    explicit TmpfsMount(qint64 bytes) {
        if (!dir_.isValid()) return;
        const QByteArray options = "size=" + QByteArray::number(bytes);
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TmpfsMount() {
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool ok() const { return mounted_; }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    QString path() const { return dir_.path(); }

    // Fills what space is left with a file of its own, so that the next write fails.
    void fill() const {
        QFile filler(filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
        const QByteArray block(512, 'x');
        while (filler.write(block) > 0) {
        }
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};
