#pragma once

// A VFS shim over the default one that fails one chosen write or sync with an
// I/O error, to show what a failure at that point leaves behind. While it
// lives it is the default VFS, so handles opened meanwhile go through it;
// it counts only while armed.
class FaultVfs {
public:
    enum class Op { Write, Sync };
    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    // Fails the nth call (1-based) of op from now on; the others go through.
    void arm(Op op, int nth);
    void disarm();
    // Whether the armed call came and was failed.
    bool fired() const;
};
