#pragma once

#include <QByteArrayView>
#include <QString>

namespace storage {

// A file that takes its name complete or not at all. It is written beside its
// target, under the target's name with ".part" added (the same folder, so the
// last step is a rename within one file system), and gets the target's name
// only when every byte is known to be on the disk: each write is checked, the
// file is synced and its size compared with what was written. Until then, and
// after any failure, the target is as it was.
//
// While the part is built it is locked (flock), so a part left behind by a run
// that was killed is told apart from one another run is building now: a
// leftover is taken over and emptied, a part in use is refused. A part may be
// a database that SQLite fills through its path; the files SQLite keeps beside
// it (its journal) go with a leftover or a part that is given up.
//
// Failures throw storage::Error with a Turkish text that names the target.
class PartFile {
public:
    explicit PartFile(QString target);
    ~PartFile();  // removes the part unless it took the target's name
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    const QString& target() const { return target_; }
    const QString& path() const { return part_; }
    // Whether a part left behind by an earlier run was found and emptied.
    bool tookOverLeftover() const { return leftover_; }

    // Appends bytes to the part.
    void write(QByteArrayView bytes);
    // Syncs the part and checks that it holds every byte written (or, for a
    // part another writer filled through its path, syncs it as it is).
    void finish();
    // Puts the finished part in the target's place, replacing a file of that
    // name (its permissions are kept).
    void replaceTarget();
    // Puts the finished part in the target's place only while no file has the
    // target's name; throws, leaving the part, when one has.
    void publishNew();

private:
    void release();
    // Throws the Turkish text: the target could not be written, what went
    // wrong (if more than the system's reason) and the reason.
    [[noreturn]] void fail(const QString& what, int error) const;

    QString target_;
    QString part_;
    int fd_ = -1;
    qint64 written_ = 0;
    bool finished_ = false;
    bool placed_ = false;
    bool leftover_ = false;
};

// Writes bytes as the whole file at path: beside it first, and in its place
// only when complete (see PartFile).
void writeWholeFile(const QString& path, QByteArrayView bytes);

// Gives the file at from the name to, never replacing a file that has that
// name, also where the file system has neither a rename that refuses to
// replace nor hard links (FAT, exFAT). Throws storage::Error when to exists or
// the rename fails.
void renameNoReplace(const QString& from, const QString& to);

// A Turkish reason for a system error number ("disk dolu", ...).
QString systemReason(int error);

}  // namespace storage
