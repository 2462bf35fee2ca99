#include "tests/support/fault_vfs.h"

#include <QtGlobal>

#include <sqlite3.h>

namespace {

struct State {
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs shim{};
    sqlite3_io_methods methods{};
    bool armed = false;
    FaultVfs::Op op = FaultVfs::Op::Write;
    int nth = 0;
    int seen = 0;
    bool fired = false;
} g;

// The shim's file: its own header, the real file's bytes after it.
struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

bool failHere(FaultVfs::Op op) {
    if (!g.armed || g.op != op || g.fired) return false;
    if (++g.seen < g.nth) return false;
    g.fired = true;
    return true;
}

int xClose(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); }
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    if (failHere(FaultVfs::Op::Write)) return SQLITE_IOERR_WRITE;
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int xSync(sqlite3_file* f, int flags) {
    if (failHere(FaultVfs::Op::Sync)) return SQLITE_IOERR_FSYNC;
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int xLock(sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); }
int xUnlock(sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int xShmMap(sqlite3_file* f, int i, int size, int extend, void volatile** p) {
    return real(f)->pMethods->xShmMap(real(f), i, size, extend, p);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) { return real(f)->pMethods->xShmLock(real(f), offset, n, flags); }
void xShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int xShmUnmap(sqlite3_file* f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); }
int xFetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return real(f)->pMethods->xFetch(real(f), o, n, p); }
int xUnfetch(sqlite3_file* f, sqlite3_int64 o, void* p) { return real(f)->pMethods->xUnfetch(real(f), o, p); }

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<ShimFile*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->base.pMethods = nullptr;
    const int rc = g.real->xOpen(g.real, name, file->real, flags, outFlags);
    if (file->real->pMethods) file->base.pMethods = &g.methods;
    return rc;
}
int xDelete(sqlite3_vfs*, const char* name, int syncDir) { return g.real->xDelete(g.real, name, syncDir); }
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return g.real->xAccess(g.real, name, flags, out); }
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) { return g.real->xFullPathname(g.real, name, n, out); }
int xRandomness(sqlite3_vfs*, int n, char* out) { return g.real->xRandomness(g.real, n, out); }
int xSleep(sqlite3_vfs*, int us) { return g.real->xSleep(g.real, us); }
int xCurrentTime(sqlite3_vfs*, double* t) { return g.real->xCurrentTime(g.real, t); }
int xGetLastError(sqlite3_vfs*, int n, char* out) { return g.real->xGetLastError(g.real, n, out); }
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) { return g.real->xCurrentTimeInt64(g.real, t); }

}  // namespace

FaultVfs::FaultVfs() {
    g = State{};
    g.real = sqlite3_vfs_find(nullptr);
    g.methods = {3,
                 &xClose,
                 &xRead,
                 &xWrite,
                 &xTruncate,
                 &xSync,
                 &xFileSize,
                 &xLock,
                 &xUnlock,
                 &xCheckReservedLock,
                 &xFileControl,
                 &xSectorSize,
                 &xDeviceCharacteristics,
                 &xShmMap,
                 &xShmLock,
                 &xShmBarrier,
                 &xShmUnmap,
                 &xFetch,
                 &xUnfetch};
    g.shim = {2,
              int(sizeof(ShimFile)) + g.real->szOsFile,
              g.real->mxPathname,
              nullptr,
              "quorvel-fault",
              nullptr,
              &xOpen,
              &xDelete,
              &xAccess,
              &xFullPathname,
              nullptr,
              nullptr,
              nullptr,
              nullptr,
              &xRandomness,
              &xSleep,
              &xCurrentTime,
              &xGetLastError,
              &xCurrentTimeInt64,
              nullptr,
              nullptr,
              nullptr};
    if (sqlite3_vfs_register(&g.shim, 1) != SQLITE_OK) qFatal("cannot register the fault VFS");
}

FaultVfs::~FaultVfs() {
    sqlite3_vfs_unregister(&g.shim);
    sqlite3_vfs_register(g.real, 1);
}

void FaultVfs::arm(Op op, int nth) {
    g.armed = true;
    g.op = op;
    g.nth = nth;
    g.seen = 0;
    g.fired = false;
}

void FaultVfs::disarm() { g.armed = false; }

bool FaultVfs::fired() const { return g.fired; }
