#include "common/TemporaryFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>

namespace jc {

std::FILE* OpenTemporaryFile() {
  wchar_t dir[MAX_PATH + 1];
  wchar_t name[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH + 1, dir);
  if (length == 0 || length > MAX_PATH || GetTempFileNameW(dir, L"jcr", 0, name) == 0) {
    errno = EACCES;
    return nullptr;
  }
  // Shared with no one, and deleted by the system when the handle closes
  // (the process ending included).
  HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    errno = EACCES;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "w+b");
  if (!f) _close(fd);
  return f;
}

bool SeekTo(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

}  // namespace jc
