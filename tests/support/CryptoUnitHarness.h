#pragma once
// A crypto unit on a module installed in a throw-away root folder, with a
// recording shell; the current directory (which loading the module changes)
// is put back at the end. Also: a key table answered from a script, and
// access to a test module's own call log.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "crypto/CryptoUnit.h"
#include "crypto/KeyStore.h"
#include "db/Connection.h"
#include "support/FakeShell.h"
#include "support/ModuleRootFolder.h"
#include "support/ScriptedBackend.h"
#include "support/SharedLibrary.h"

namespace jc::test {

struct CryptoUnitHarness {
  // modulePath: the module file to install; empty installs nothing (the
  // folder is not made either).
  explicit CryptoUnitHarness(const std::string& modulePath = JC_MODULE_PATH) {
    if (!modulePath.empty()) root.Install(modulePath);
    unit = std::make_unique<crypto::CryptoUnit>(shell, root.Paths());
  }
  ~CryptoUnitHarness() { unit.reset(); }

  // Makes the key store on a connection that already exists.
  void CreateKeyStore(db::TADOConnection& connection) {
    unit->CreateKeyStore([&connection]() -> db::TADOConnection& { return connection; });
  }
  // Loads the module and makes the key store on connection.
  void StartUp(db::TADOConnection& connection) {
    unit->CryptoLoaded = unit->LoadCryptoModule();
    CreateKeyStore(connection);
  }
  crypto::THIRAEncryption_CLASS& Store() { return *unit->HIRACrypto(); }

  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  FakeShell shell;
  std::unique_ptr<crypto::CryptoUnit> unit;
};

// A connection whose backend answers the key table query with rows of the
// column Encrypt (nullopt: NULL) and fails every other statement.
struct ScriptedKeyTable {
  explicit ScriptedKeyTable(std::vector<db::Cell> rows = {}) : rows(std::move(rows)) {
    auto owned = std::make_unique<ScriptedBackend>();
    backend = owned.get();
    backend->onQuery = [this](const std::string& sql) {
      if (fail || sql != crypto::THIRAEncryption_CLASS::KeyTableSql) throw db::DbError("Invalid object name");
      std::vector<std::vector<db::Cell>> out;
      for (const db::Cell& c : this->rows) out.push_back({c});
      return MakeResult({column}, out);
    };
    connection.Adopt(std::move(owned));
  }
  std::size_t QueryCount() const {
    std::size_t n = 0;
    for (const auto& c : backend->calls) n += c.query ? 1 : 0;
    return n;
  }

  std::vector<db::Cell> rows;
  std::string column = "Encrypt";
  bool fail = false;
  db::TADOConnection connection;
  ScriptedBackend* backend = nullptr;  // owned by connection
};

// A second reference to a loaded test module, so its call log can be read
// (and outlives the unit's own unloading).
class ModuleLog {
 public:
  explicit ModuleLog(const std::filesystem::path& path) : library_(PathToUtf8(path)) {}
  ModuleLog(const ModuleLog&) = delete;
  ModuleLog& operator=(const ModuleLog&) = delete;

  std::string Text() const {
    auto log = reinterpret_cast<const char* (*)()>(library_.Symbol("fixtureLog"));
    return log ? log() : "<no log>";
  }
  void Clear() const {
    if (auto clear = reinterpret_cast<void (*)()>(library_.Symbol("fixtureClearLog"))) clear();
  }
  void FailEncrypt(bool on) const {
    if (auto fail = reinterpret_cast<void (*)(int)>(library_.Symbol("fixtureFailEncrypt"))) fail(on ? 1 : 0);
  }
  // The log's lines.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::string text = Text(), line;
    for (char c : text) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return lines;
  }

 private:
  SharedLibrary library_;
};

}  // namespace jc::test
