#pragma once
// The jumincheck program as its users run it: its path, a demo root made in a
// temporary folder, and the tab-separated grids it prints.
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/RunProgram.h"

namespace jc::test {

namespace fs = std::filesystem;

inline const std::string kProgram = std::string(JC_BIN_DIR) + "/jumincheck";

inline std::vector<std::vector<std::string>> ParseTsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    while (true) {
      const auto tab = line.find('\t', start);
      cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

inline demo::Date Today() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return demo::Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

inline fs::path TempFolder(const std::string& name) {
  const fs::path p = fs::temp_directory_path() /
                     ("jc_e2e_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(p);
  return p;
}

struct DemoRoot {
  DemoRoot(const std::string& name, int customers, std::uint64_t seed) : dir(TempFolder(name)) {
    demo::DemoRootOptions o;
    o.dir = dir.string();
    o.modulePath = JC_MODULE_PATH;
    o.data.customers = customers;
    o.data.seed = seed;
    o.data.today = Today();
    test::FakeShell shell;
    summary = demo::MakeDemoRoot(o, shell);
  }
  ~DemoRoot() { fs::remove_all(dir); }

  test::ProgramResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {kProgram, "--root", dir.string()});
    return RunProgram(args);
  }

  fs::path dir;
  demo::DemoSummary summary;
};

}  // namespace jc::test
