#include "common/TemporaryFile.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace jc {

std::FILE* OpenTemporaryFile() {
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  std::string pattern = ((ec ? std::filesystem::path("/tmp") : dir) / "jumincheck-rows-XXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  // Unlinked at once: the open descriptor is the only way to it.
  ::unlink(pattern.c_str());
  std::FILE* f = ::fdopen(fd, "w+b");
  if (!f) ::close(fd);
  return f;
}

bool SeekTo(std::FILE* file, std::uint64_t offset) {
  return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

}  // namespace jc
