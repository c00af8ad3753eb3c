// The INI reader on any file text: the value it gives never passes its
// buffer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Ini.h"
#include "common/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  const std::string value = jc::app::ReadProfileText(std::move(text), "DATAPATH", "PATH", "DEFAULT", 64);
  if (jc::Utf8Length(value) > 63) std::abort();
  return 0;
}
