#include "app/ProgramConsole.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "common/WideText.h"

namespace jc::app {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

std::string ProgramEnvironment(const char* name) {
  const wchar_t* value = _wgetenv(Widen(name).c_str());
  return value ? Narrow(value) : "";
}

namespace {

// A stream buffer that writes UTF-8 to a console window as UTF-16. A
// character cut between two writes is held back until it is complete.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + sizeof buffer_); }
  ~ConsoleBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    if (Flush(false) != 0) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return Flush(true); }

 private:
  // Writes what the buffer holds, less an incomplete last character unless
  // all is asked for.
  int Flush(bool all) {
    std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    std::size_t whole = n;
    if (!all) {
      std::size_t start = n;
      while (start > 0 && (static_cast<unsigned char>(buffer_[start - 1]) & 0xC0) == 0x80) --start;
      if (start > 0) {
        const auto lead = static_cast<unsigned char>(buffer_[start - 1]);
        const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (n - (start - 1) < need) whole = start - 1;
      }
    }
    const std::wstring text = Widen(std::string_view(buffer_, whole));
    DWORD written = 0;
    const bool ok = text.empty() || WriteConsoleW(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    std::memmove(buffer_, buffer_ + whole, n - whole);
    setp(buffer_, buffer_ + sizeof buffer_);
    pbump(static_cast<int>(n - whole));
    return ok ? 0 : -1;
  }

  HANDLE console_;
  char buffer_[4096];
};

// The stream's console, or null when it goes to a file or a pipe.
HANDLE ConsoleOf(DWORD which) {
  HANDLE h = GetStdHandle(which);
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) ? h : nullptr;
}

}  // namespace

void PrepareConsole() {
  // Bytes as the tool writes them: no "\r\n" for "\n" in a file or a pipe.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  if (HANDLE out = ConsoleOf(STD_OUTPUT_HANDLE)) {
    static ConsoleBuffer buffer(out);
    std::cout.flush();
    std::cout.rdbuf(&buffer);
  }
  if (HANDLE err = ConsoleOf(STD_ERROR_HANDLE)) {
    static ConsoleBuffer buffer(err);
    std::cerr.rdbuf(&buffer);
  }
}

}  // namespace jc::app
