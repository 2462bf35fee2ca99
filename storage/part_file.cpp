#include "storage/part_file.h"

#include "storage/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A rename is on the disk once its folder is; where the folder cannot be
// synced the rename stands all the same.
void syncFolderOf(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// What SQLite keeps beside a database file while it changes it.
void removeCompanions(const QString& path) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) ::unlink((QFile::encodeName(path) + suffix).constData());
}

[[noreturn]] void existsAlready(const QString& to) {
    throw Error(QStringLiteral("\"%1\" zaten var; var olan bir dosyanın üzerine yazılmaz.").arg(native(to)));
}

}  // namespace

QString systemReason(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("disk dolu");
        case EDQUOT:
            return QStringLiteral("disk kotası doldu");
        case EFBIG:
            return QStringLiteral("dosya, izin verilen en büyük boyutu aşıyor");
        case EACCES:
        case EPERM:
            return QStringLiteral("yazma izni yok");
        case EROFS:
            return QStringLiteral("disk salt okunur");
        case EIO:
            return QStringLiteral("disk okunamıyor ya da yazılamıyor");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("klasör yok");
        case EISDIR:
            return QStringLiteral("bu adda bir klasör var");
        case ELOOP:
            return QStringLiteral("bu ad bir sembolik bağ");
        case ENAMETOOLONG:
            return QStringLiteral("dosya adı çok uzun");
        default:
            return QStringLiteral("sistem hatası %1: %2").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

PartFile::PartFile(QString target) : target_(std::move(target)), part_(target_ + QStringLiteral(".part")) {
    const QByteArray name = QFile::encodeName(part_);
    // A run that is placing its own part may rename it between our open and
    // our lock: then the name is free again, and the next try creates it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        bool created = true;
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) {
            created = false;
            fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) continue;
        }
        if (fd < 0) fail(QStringLiteral("yanına geçici dosya \"%1\" açılamıyor").arg(native(part_)), errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            throw Error(QStringLiteral("\"%1\" şu anda başka bir işlem tarafından yazılıyor (\"%2\"). O bitince yeniden deneyin.")
                            .arg(native(target_), native(part_)));
        }
        // Without locks on this file system the part is used unlocked.
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) != 0 || ::stat(name.constData(), &named) != 0 || !sameFile(held, named)) {
            ::close(fd);
            continue;
        }
        if (!S_ISREG(held.st_mode)) {
            ::close(fd);
            fail(QStringLiteral("\"%1\" bir dosya değil").arg(native(part_)), EISDIR);
        }
        if (!created && ::ftruncate(fd, 0) != 0) {
            const int error = errno;
            ::close(fd);
            fail(QStringLiteral("yarım kalmış \"%1\" boşaltılamıyor").arg(native(part_)), error);
        }
        // A part that was there is left by a run that ended before placing
        // it: nobody holds it.
        leftover_ = !created;
        removeCompanions(part_);
        fd_ = fd;
        return;
    }
    throw Error(QStringLiteral("\"%1\" yazılamadı: yanındaki \"%2\" sürekli değişiyor.").arg(native(target_), native(part_)));
}

PartFile::~PartFile() {
    if (fd_ < 0) return;
    if (!placed_) {
        ::unlink(QFile::encodeName(part_).constData());
        removeCompanions(part_);
    }
    release();
}

void PartFile::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void PartFile::fail(const QString& what, int error) const {
    if (what.isEmpty()) throw Error(QStringLiteral("\"%1\" yazılamadı: %2.").arg(native(target_), systemReason(error)));
    throw Error(QStringLiteral("\"%1\" yazılamadı: %2 (%3).").arg(native(target_), what, systemReason(error)));
}

void PartFile::write(QByteArrayView bytes) {
    finished_ = false;
    const char* at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, at, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail({}, n < 0 ? errno : ENOSPC);
        at += n;
        left -= n;
        written_ += n;
    }
}

void PartFile::finish() {
    if (::fsync(fd_) != 0) fail({}, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail(QStringLiteral("boyutu okunamıyor"), errno);
    if (written_ > 0 && st.st_size != written_)
        fail(QStringLiteral("%1 bayt yazıldı, dosyada %2 bayt var").arg(written_).arg(qint64(st.st_size)), EIO);
    finished_ = true;
}

void PartFile::replaceTarget() {
    if (!finished_) finish();
    struct stat old {};
    if (::stat(QFile::encodeName(target_).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd_, old.st_mode & 07777);  // the file keeps the permissions it had
    if (::rename(QFile::encodeName(part_).constData(), QFile::encodeName(target_).constData()) != 0)
        fail(QStringLiteral("\"%1\" yerine konamadı").arg(native(part_)), errno);
    placed_ = true;
    syncFolderOf(target_);
    release();
}

void PartFile::publishNew() {
    if (!finished_) finish();
    renameNoReplace(part_, target_);
    placed_ = true;
    syncFolderOf(target_);
    release();
}

void writeWholeFile(const QString& path, QByteArrayView bytes) {
    PartFile file(path);
    file.write(bytes);
    file.replaceTarget();
}

void renameNoReplace(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    const auto failed = [&](int error) {
        throw Error(QStringLiteral("\"%1\" oluşturulamadı: \"%2\" bu ada taşınamıyor (%3).")
                        .arg(native(to), native(from), systemReason(error)));
    };
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    if (error == EEXIST) existsAlready(to);
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP && error != EOPNOTSUPP) failed(error);
    // No such rename here (FUSE, network shares): a hard link refuses an
    // existing name as well.
    if (::link(f.constData(), t.constData()) == 0) {
        ::unlink(f.constData());
        return;
    }
    error = errno;
    if (error == EEXIST) existsAlready(to);
    if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK) failed(error);
    // Neither (FAT, exFAT): an exclusive create claims the name, atomically
    // on every file system, and the rename then replaces only that claim.
    const int claim = ::open(t.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (claim < 0) {
        error = errno;
        if (error == EEXIST) existsAlready(to);
        failed(error);
    }
    ::close(claim);
    if (::rename(f.constData(), t.constData()) != 0) {
        error = errno;
        ::unlink(t.constData());
        failed(error);
    }
}

}  // namespace storage
