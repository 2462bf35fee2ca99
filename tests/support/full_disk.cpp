#include "tests/support/full_disk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>

#include <unistd.h>

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_;
    small.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &small);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
}

namespace {

// Runs a program; its error output when it fails, empty when it ran.
QString run(const QString& program, const QStringList& arguments, QString* out = nullptr) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return program + QStringLiteral(": ") + (err.isEmpty() ? p.errorString() : err);
    }
    if (out) *out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return {};
}

}  // namespace

TestDisk::TestDisk(Kind kind, qint64 bytes) : mountPoint_(dir_.path() + QStringLiteral("/disk")) {
    QDir().mkpath(mountPoint_);
    if (geteuid() != 0) {
        why_ = QStringLiteral("mounting a file system needs root");
        return;
    }
    if (kind == Kind::Tmpfs)
        mountTmpfs(bytes);
    else
        mountExfat(bytes);
    mounted_ = why_.isEmpty();
}

void TestDisk::fill() const {
    QFile filler(folder() + QStringLiteral("filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
    const QByteArray block(512, 'x');
    while (filler.write(block) > 0) {
    }
}

void TestDisk::mountTmpfs(qint64 bytes) {
    why_ = run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                         QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), mountPoint_});
}

void TestDisk::mountExfat(qint64 bytes) {
    const QStringList system{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.exfat"), system);
    const QString fuse = QStandardPaths::findExecutable(QStringLiteral("mount.exfat-fuse"), system);
    if (mkfs.isEmpty() || fuse.isEmpty()) {
        why_ = QStringLiteral("an exFAT disk needs mkfs.exfat and exfat-fuse");
        return;
    }
    const QString image = dir_.path() + QStringLiteral("/disk.img");
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes)) {
        why_ = QStringLiteral("no room for the image");
        return;
    }
    file.close();
    why_ = run(mkfs, {image});
    if (why_.isEmpty()) why_ = run(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image}, &loop_);
    if (why_.isEmpty()) why_ = run(fuse, {loop_, mountPoint_});
}

TestDisk::~TestDisk() {
    if (mounted_) {
        // A FUSE file system may still be busy for a moment after its last file closed.
        for (int i = 0; i < 50 && !run(QStringLiteral("umount"), {mountPoint_}).isEmpty(); ++i) usleep(100000);
    }
    if (!loop_.isEmpty()) run(QStringLiteral("losetup"), {QStringLiteral("-d"), loop_});
}
