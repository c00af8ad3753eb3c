#pragma once
// Makes a complete demo root: the INI file naming an embedded store inside
// the root, the crypto module in its folder, the store with the pharmacy
// schema, a data key of version "01", and the generated data.
#include <functional>
#include <string>

#include "demo/DemoData.h"

namespace jc { class Shell; }

namespace jc::demo {

struct DemoRootOptions {
  std::string dir;         // the root, standing for "C:\"
  std::string modulePath;  // the built crypto module to copy into the root
  DemoOptions data;
};

// The store folder inside a root, and the INI value that names it (relative
// to the INI file's folder, so the root can be moved).
inline constexpr const char* kDemoStoreFolder = "store";
inline constexpr const char* kDemoIniPath = "sqlite:../store";

// Throws std::runtime_error (or db::DbError) when the root already holds an
// INI file or a store, or when a step fails; nothing of an existing root is
// overwritten. Leaves the current directory as it found it.
DemoSummary MakeDemoRoot(const DemoRootOptions& options, Shell& shell);

}  // namespace jc::demo
