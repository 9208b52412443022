#include "ReadAhead.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace store::sql {

namespace {

constexpr int kPiece = 256 * 1024;
// A read that starts this far past the end of the one before (an interior page read in
// between) still goes forward.
constexpr sqlite3_int64 kForward = 64 * 1024;
// Reads shorter than a page are the engine's looks at the file's header: they say nothing of
// where the scan goes.
constexpr int kSmallestPage = 512;

sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;

// A database file read through this layer: the default layer's file just after it.
struct AheadFile {
    sqlite3_file base;
    sqlite3_file* real;
    char* piece;               // what was read ahead, kPiece bytes, or null
    sqlite3_int64 pieceStart;  //
    int pieceLength;           // 0 when nothing is held
    sqlite3_int64 lastEnd;     // where the last page read ended
    sqlite3_int64 size;        // the file's size while a lock is held, -1 when not known
    bool walMode;              // its pages may change under a reader: every read goes through
};

constexpr int kHead = int((sizeof(AheadFile) + 7) & ~size_t(7));

AheadFile* ahead(sqlite3_file* f) {
    return reinterpret_cast<AheadFile*>(f);
}
const sqlite3_io_methods* real(AheadFile* a) {
    return a->real->pMethods;
}

// Whatever was read ahead can be out of date once the lock it was read under is let go.
void forget(AheadFile* a) {
    a->pieceLength = 0;
    a->size = -1;
}

int aheadClose(sqlite3_file* f) {
    AheadFile* a = ahead(f);
    const int rc = real(a)->xClose(a->real);
    sqlite3_free(a->piece);
    a->piece = nullptr;
    return rc;
}

int aheadRead(sqlite3_file* f, void* out, int amount, sqlite3_int64 offset) {
    AheadFile* a = ahead(f);
    if (a->pieceLength > 0 && offset >= a->pieceStart &&
        offset + amount <= a->pieceStart + a->pieceLength) {
        std::memcpy(out, a->piece + (offset - a->pieceStart), size_t(amount));
        a->lastEnd = offset + amount;
        return SQLITE_OK;
    }
    if (amount < kSmallestPage) return real(a)->xRead(a->real, out, amount, offset);
    const bool forward = offset >= a->lastEnd && offset - a->lastEnd <= kForward;
    a->lastEnd = offset + amount;
    if (a->walMode || !forward || amount > kPiece / 2)
        return real(a)->xRead(a->real, out, amount, offset);
    if (a->size < 0 && real(a)->xFileSize(a->real, &a->size) != SQLITE_OK) a->size = -1;
    const sqlite3_int64 length = std::min<sqlite3_int64>(kPiece, a->size - offset);
    // Near the end of the file the default layer's own read says what a short read gives.
    if (length < amount) return real(a)->xRead(a->real, out, amount, offset);
    if (!a->piece) a->piece = static_cast<char*>(sqlite3_malloc(kPiece));
    if (!a->piece || real(a)->xRead(a->real, a->piece, int(length), offset) != SQLITE_OK) {
        a->pieceLength = 0;
        return real(a)->xRead(a->real, out, amount, offset);
    }
    a->pieceStart = offset;
    a->pieceLength = int(length);
    std::memcpy(out, a->piece, size_t(amount));
    return SQLITE_OK;
}

int aheadWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    AheadFile* a = ahead(f);
    forget(a);
    return real(a)->xWrite(a->real, data, amount, offset);
}

int aheadTruncate(sqlite3_file* f, sqlite3_int64 size) {
    AheadFile* a = ahead(f);
    forget(a);
    return real(a)->xTruncate(a->real, size);
}

int aheadSync(sqlite3_file* f, int flags) {
    AheadFile* a = ahead(f);
    return real(a)->xSync(a->real, flags);
}

int aheadFileSize(sqlite3_file* f, sqlite3_int64* size) {
    AheadFile* a = ahead(f);
    return real(a)->xFileSize(a->real, size);
}

int aheadLock(sqlite3_file* f, int level) {
    AheadFile* a = ahead(f);
    forget(a);
    return real(a)->xLock(a->real, level);
}

int aheadUnlock(sqlite3_file* f, int level) {
    AheadFile* a = ahead(f);
    forget(a);
    return real(a)->xUnlock(a->real, level);
}

int aheadCheckReservedLock(sqlite3_file* f, int* out) {
    AheadFile* a = ahead(f);
    return real(a)->xCheckReservedLock(a->real, out);
}

int aheadFileControl(sqlite3_file* f, int op, void* arg) {
    AheadFile* a = ahead(f);
    return real(a)->xFileControl(a->real, op, arg);
}

int aheadSectorSize(sqlite3_file* f) {
    AheadFile* a = ahead(f);
    return real(a)->xSectorSize(a->real);
}

int aheadDeviceCharacteristics(sqlite3_file* f) {
    AheadFile* a = ahead(f);
    return real(a)->xDeviceCharacteristics(a->real);
}

int aheadShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    AheadFile* a = ahead(f);
    a->walMode = true;
    forget(a);
    return real(a)->xShmMap(a->real, region, size, extend, out);
}

int aheadShmLock(sqlite3_file* f, int offset, int n, int flags) {
    AheadFile* a = ahead(f);
    return real(a)->xShmLock(a->real, offset, n, flags);
}

void aheadShmBarrier(sqlite3_file* f) {
    AheadFile* a = ahead(f);
    real(a)->xShmBarrier(a->real);
}

int aheadShmUnmap(sqlite3_file* f, int deleteFlag) {
    AheadFile* a = ahead(f);
    return real(a)->xShmUnmap(a->real, deleteFlag);
}

int aheadFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    AheadFile* a = ahead(f);
    return real(a)->xFetch(a->real, offset, amount, out);
}

int aheadUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
    AheadFile* a = ahead(f);
    return real(a)->xUnfetch(a->real, offset, p);
}

sqlite3_io_methods g_methods;

int aheadOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    // Journals and the like are the default layer's own files.
    if (!(flags & SQLITE_OPEN_MAIN_DB)) return g_base->xOpen(g_base, name, file, flags, outFlags);
    AheadFile* a = ahead(file);
    std::memset(a, 0, sizeof(AheadFile));
    a->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kHead);
    a->size = -1;
    const int rc = g_base->xOpen(g_base, name, a->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (a->real->pMethods) a->real->pMethods->xClose(a->real);
        a->base.pMethods = nullptr;
        return rc;
    }
    // The methods of this file's kind, the layer's own where a file has them.
    static std::once_flag methodsMade;
    std::call_once(methodsMade, [&] {
        const sqlite3_io_methods* r = a->real->pMethods;
        g_methods = sqlite3_io_methods{};
        g_methods.iVersion = std::min(r->iVersion, 3);
        g_methods.xClose = aheadClose;
        g_methods.xRead = aheadRead;
        g_methods.xWrite = aheadWrite;
        g_methods.xTruncate = aheadTruncate;
        g_methods.xSync = aheadSync;
        g_methods.xFileSize = aheadFileSize;
        g_methods.xLock = aheadLock;
        g_methods.xUnlock = aheadUnlock;
        g_methods.xCheckReservedLock = aheadCheckReservedLock;
        g_methods.xFileControl = aheadFileControl;
        g_methods.xSectorSize = aheadSectorSize;
        g_methods.xDeviceCharacteristics = aheadDeviceCharacteristics;
        g_methods.xShmMap = aheadShmMap;
        g_methods.xShmLock = aheadShmLock;
        g_methods.xShmBarrier = aheadShmBarrier;
        g_methods.xShmUnmap = aheadShmUnmap;
        g_methods.xFetch = aheadFetch;
        g_methods.xUnfetch = aheadUnfetch;
    });
    a->base.pMethods = &g_methods;
    return SQLITE_OK;
}

}  // namespace

const char* readAheadVfs() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        g_base = sqlite3_vfs_find(nullptr);
        g_vfs = *g_base;
        g_vfs.pNext = nullptr;
        g_vfs.zName = "cogwright-read-ahead";
        g_vfs.szOsFile = kHead + g_base->szOsFile;
        g_vfs.xOpen = aheadOpen;
        sqlite3_vfs_register(&g_vfs, 0);
    });
    return g_vfs.zName;
}

}  // namespace store::sql
