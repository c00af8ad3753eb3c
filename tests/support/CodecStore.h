#pragma once
// A temporary store with the pharmacy schema and the real crypto module,
// started as the tool starts: the module installed in a throw-away root and
// loaded, a fresh data key of version "01" in the key table, the key store
// made on the store's connection and the key list read. Gives the codec, a
// recording shell, a session attached to the store, and seeding helpers for
// customer and dispensing records (fast bulk seeding in one transaction).
#include <sqlite3.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "crypto/DataKey.h"
#include "db/Session.h"
#include "db/SqliteStore.h"
#include "support/CryptoUnitHarness.h"
#include "support/TestStore.h"

namespace jc::test {

class CodecStore {
 public:
  using Value = std::optional<std::string>;  // nullopt stores NULL

  explicit CodecStore(const std::string& modulePath = JC_MODULE_PATH) : crypto(modulePath) {
    crypto.unit->CryptoLoaded = crypto.unit->LoadCryptoModule();
    if (!crypto.unit->CryptoLoaded) throw std::runtime_error("the crypto module did not load");
    std::string error;
    if (!crypto::CreateDataKey(*crypto.unit, store.Connection(), error))
      throw std::runtime_error("no data key: " + error);
    crypto.CreateKeyStore(store.Connection());
    crypto.unit->EncryptJumin("");  // warm-up: reads the key table into the key list
    session.Ado_Qry.Connection = &store.Connection();
    session.Ado_Exec.Connection = &store.Connection();
  }

  crypto::Codec& Codec() { return *crypto.unit; }
  FakeShell& Shell() { return crypto.shell; }
  db::Session& Db() { return session; }

  // The stored value of a plain text, encrypted once per distinct text.
  const std::string& Encrypt(const std::string& plain) {
    auto it = encrypted_.find(plain);
    if (it == encrypted_.end()) {
      std::string value = crypto.unit->EncryptJumin(plain);
      if (value.size() <= 2) throw std::runtime_error("encryption failed for " + plain);
      it = encrypted_.emplace(plain, std::move(value)).first;
    }
    return it->second;
  }

  // One customer record (TV_BASE..CD_PERSON).
  void AddPerson(const std::string& cuscode, const std::string& seq, const std::string& indate,
                 const std::string& panum, const std::string& paname, const Value& tempnum) {
    store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", cuscode},
                                        {"SEQ", seq},
                                        {"INDATE", indate},
                                        {"PANUM", panum},
                                        {"PANAME", paname},
                                        {"TEMPNUM", tempnum}});
  }
  // One dispensing record (TV_PRES..PS_MAIN).
  void AddDispensing(const std::string& preserial, const std::string& cuscode,
                     const std::string& indate, const std::string& panum,
                     const std::string& paname, const Value& tempnum) {
    store.Insert("TV_PRES..PS_MAIN", {{"PRESERIAL", preserial},
                                      {"CUSCODE", cuscode},
                                      {"INDATE", indate},
                                      {"PANUM", panum},
                                      {"PANAME", paname},
                                      {"TEMPNUM", tempnum}});
  }

  // Runs body inside one transaction of the store (seeding many rows fast).
  template <class Body>
  void InTransaction(Body&& body) {
    sqlite3* handle = SqliteHandle();
    RawExec(handle, "BEGIN");
    try {
      body();
    } catch (...) {
      sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    RawExec(handle, "COMMIT");
  }

  // Declared in this order: the key store refers to the store's connection
  // and goes first; the session goes before both.
  TestStore store;
  CryptoUnitHarness crypto;
  db::Session session;

 private:
  sqlite3* SqliteHandle() {
    auto* backend = dynamic_cast<db::SqliteBackend*>(&store.Connection().backend());
    if (!backend) throw std::runtime_error("the test store is not an embedded store");
    return backend->Handle();
  }
  static void RawExec(sqlite3* handle, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(handle, sql, nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "?";
      sqlite3_free(message);
      throw std::runtime_error(std::string(sql) + ": " + text);
    }
  }

  std::map<std::string, std::string> encrypted_;
};

}  // namespace jc::test
