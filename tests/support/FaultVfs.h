#pragma once
// A SQLite VFS for tests that stands between SQLite and the default VFS and
// fails the way a damaged machine does, whoever runs the tests (root ignores
// file modes): database files that open read-only, and writes that find no
// space left on the device. While it exists it is the default VFS, so a store
// opened meanwhile goes through it.
#include <sqlite3.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

namespace jc::test {

class FaultVfs {
 public:
  // Files whose path ends with one of these open read-only (as a file whose
  // mode forbids writing does).
  std::vector<std::string> readOnly;
  // Writes to files whose path ends with one of these fail with writeCode,
  // errno ENOSPC.
  std::vector<std::string> noSpace;
  int writeCode = SQLITE_FULL;

  FaultVfs() {
    real_ = sqlite3_vfs_find(nullptr);
    if (!real_ || instance_) throw std::logic_error("FaultVfs: no default VFS, or one FaultVfs already");
    vfs_ = *real_;
    vfs_.zName = "jc-fault";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.pNext = nullptr;
    vfs_.xOpen = &Open;
    vfs_.xGetLastError = &GetLastError;
    instance_ = this;
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~FaultVfs() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
    instance_ = nullptr;
  }
  FaultVfs(const FaultVfs&) = delete;
  FaultVfs& operator=(const FaultVfs&) = delete;

 private:
  struct File {
    sqlite3_file base;
    sqlite3_file* real;  // the default VFS's file, right after this struct
    bool noSpace;
  };

  static bool EndsWithOne(const char* name, const std::vector<std::string>& suffixes) {
    if (!name) return false;
    const std::string n = name;
    for (const auto& s : suffixes)
      if (n.size() >= s.size() && n.compare(n.size() - s.size(), s.size(), s) == 0) return true;
    return false;
  }

  static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* f = reinterpret_cast<File*>(file);
    f->base.pMethods = nullptr;
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->noSpace = EndsWithOne(name, instance_->noSpace);
    if (EndsWithOne(name, instance_->readOnly))
      flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    const int rc = instance_->real_->xOpen(instance_->real_, name, f->real, flags, outFlags);
    if (f->real->pMethods) f->base.pMethods = &kMethods;
    return rc;
  }

  static int GetLastError(sqlite3_vfs*, int n, char* text) {
    if (instance_->lastErrno_) return instance_->lastErrno_;
    return instance_->real_->xGetLastError(instance_->real_, n, text);
  }

  static sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }
  static const sqlite3_io_methods* M(sqlite3_file* file) { return Real(file)->pMethods; }

  static int Close(sqlite3_file* f) { return M(f)->xClose(Real(f)); }
  static int Read(sqlite3_file* f, void* p, int n, sqlite3_int64 o) { return M(f)->xRead(Real(f), p, n, o); }
  static int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    if (reinterpret_cast<File*>(f)->noSpace) {
      instance_->lastErrno_ = ENOSPC;
      errno = ENOSPC;
      return instance_->writeCode;
    }
    return M(f)->xWrite(Real(f), p, n, o);
  }
  static int Truncate(sqlite3_file* f, sqlite3_int64 s) { return M(f)->xTruncate(Real(f), s); }
  static int Sync(sqlite3_file* f, int flags) { return M(f)->xSync(Real(f), flags); }
  static int FileSize(sqlite3_file* f, sqlite3_int64* s) { return M(f)->xFileSize(Real(f), s); }
  static int Lock(sqlite3_file* f, int l) { return M(f)->xLock(Real(f), l); }
  static int Unlock(sqlite3_file* f, int l) { return M(f)->xUnlock(Real(f), l); }
  static int CheckReservedLock(sqlite3_file* f, int* r) { return M(f)->xCheckReservedLock(Real(f), r); }
  static int FileControl(sqlite3_file* f, int op, void* arg) { return M(f)->xFileControl(Real(f), op, arg); }
  static int SectorSize(sqlite3_file* f) { return M(f)->xSectorSize(Real(f)); }
  static int DeviceCharacteristics(sqlite3_file* f) { return M(f)->xDeviceCharacteristics(Real(f)); }
  static int ShmMap(sqlite3_file* f, int i, int size, int extend, void volatile** p) {
    return M(f)->iVersion >= 2 ? M(f)->xShmMap(Real(f), i, size, extend, p) : SQLITE_IOERR;
  }
  static int ShmLock(sqlite3_file* f, int o, int n, int flags) {
    return M(f)->iVersion >= 2 ? M(f)->xShmLock(Real(f), o, n, flags) : SQLITE_IOERR;
  }
  static void ShmBarrier(sqlite3_file* f) {
    if (M(f)->iVersion >= 2) M(f)->xShmBarrier(Real(f));
  }
  static int ShmUnmap(sqlite3_file* f, int del) { return M(f)->iVersion >= 2 ? M(f)->xShmUnmap(Real(f), del) : 0; }
  static int Fetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) {
    if (M(f)->iVersion >= 3) return M(f)->xFetch(Real(f), o, n, p);
    *p = nullptr;
    return SQLITE_OK;
  }
  static int Unfetch(sqlite3_file* f, sqlite3_int64 o, void* p) {
    return M(f)->iVersion >= 3 ? M(f)->xUnfetch(Real(f), o, p) : SQLITE_OK;
  }

  static constexpr sqlite3_io_methods kMethods = {
      3,        &Close,      &Read,       &Write,      &Truncate,   &Sync,
      &FileSize, &Lock,      &Unlock,     &CheckReservedLock, &FileControl, &SectorSize,
      &DeviceCharacteristics, &ShmMap, &ShmLock, &ShmBarrier, &ShmUnmap, &Fetch, &Unfetch};

  static inline FaultVfs* instance_ = nullptr;
  sqlite3_vfs* real_ = nullptr;
  sqlite3_vfs vfs_{};
  int lastErrno_ = 0;
};

}  // namespace jc::test
