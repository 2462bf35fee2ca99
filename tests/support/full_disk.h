#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

// Real disks that run out of room, for tests of failed writes; nothing here
// imitates a file system.

// A limit on the size of every file this process writes (RLIMIT_FSIZE), with
// SIGXFSZ ignored: a write past it fails with EFBIG, as a write to a full disk
// fails with ENOSPC, after the bytes that fit. Lifted when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

// A file system mounted for the test on a folder of its own, unmounted when
// it goes. Mounting needs root (and, for exFAT, mkfs.exfat, exfat-fuse and a
// loop device); where it cannot be had, mounted() is false and why() says why,
// for QSKIP.
class TestDisk {
public:
    enum class Kind {
        Tmpfs,  // of about the given size (whole pages)
        // An image of the given size on a loop device, through FUSE: no hard
        // links, no rename that refuses to replace, as on a USB stick.
        Exfat,
    };
    TestDisk(Kind kind, qint64 bytes);
    ~TestDisk();
    TestDisk(const TestDisk&) = delete;
    TestDisk& operator=(const TestDisk&) = delete;

    bool mounted() const { return mounted_; }
    const QString& why() const { return why_; }
    // The mounted folder, with a trailing slash.
    QString folder() const { return mountPoint_ + QLatin1Char('/'); }
    // Fills the room left with a file named "filler", so that the next write fails.
    void fill() const;

private:
    void mountTmpfs(qint64 bytes);
    void mountExfat(qint64 bytes);

    QTemporaryDir dir_;
    QString mountPoint_;
    QString loop_;
    QString why_;
    bool mounted_ = false;
};
