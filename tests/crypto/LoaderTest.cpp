// Loading and unloading the crypto module; the key store's making and
// taking down; what the codec does after a start-up that did not complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "crypto/CryptoUnit.h"
#include "crypto/KeyStore.h"
#include "support/CryptoUnitHarness.h"

namespace jc::test {
namespace {

using crypto::CryptoUnit;
namespace fs = std::filesystem;

enum class Install { Module, FolderOnly, Nothing };

struct LoadCase {
  const char* name;
  Install install;
  const char* module;  // for Install::Module
  bool loaded;
  bool raises;
  int bound;            // entry points bound, counted from the first
  bool handleKept;      // the module stays loaded although the load failed
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class LoadCryptoModuleTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadCryptoModuleTest, ReportsOnceAndLeavesTheModuleFolderCurrent) {
  const LoadCase& c = GetParam();
  CryptoUnitHarness h("");
  if (c.install == Install::Module) h.root.Install(c.module);
  if (c.install == Install::FolderOnly) h.root.MakeFolder();

  bool loaded = false;
  bool raised = false;
  try {
    loaded = h.unit->LoadCryptoModule();
  } catch (const std::system_error& e) {
    raised = true;
    EXPECT_NE(std::string(e.what()), "");
  }
  EXPECT_EQ(raised, c.raises);
  EXPECT_EQ(loaded, c.loaded);
  EXPECT_EQ(h.unit->CryptoLoaded, c.loaded);
  if (c.loaded) {
    EXPECT_TRUE(h.shell.messages.empty());
    EXPECT_NE(h.unit->CryptoContext(), nullptr);
  } else {
    ASSERT_EQ(h.shell.messages.size(), 1u);
    EXPECT_EQ(h.shell.messages[0], "개인정보암호화 모듈 로드 중 에러발생");
  }
  EXPECT_EQ(h.unit->EntryPoints().BoundCount(), c.bound);
  EXPECT_EQ(h.unit->ModuleLoaded(), c.loaded || c.handleKept);
  if (c.raises) {
    EXPECT_EQ(fs::current_path(), h.cwd.Saved());
  } else {
    EXPECT_TRUE(fs::equivalent(fs::current_path(), h.root.ModuleFolder()));
  }
  EXPECT_TRUE(h.shell.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Loads, LoadCryptoModuleTest,
    ::testing::Values(
        LoadCase{"ourModule", Install::Module, JC_MODULE_PATH, true, false, 12, true},
        LoadCase{"recordingModule", Install::Module, JC_FIXTURE_RECORDING, true, false, 12, true},
        LoadCase{"fileMissing", Install::FolderOnly, nullptr, false, false, 0, false},
        LoadCase{"folderMissing", Install::Nothing, nullptr, false, true, 0, false},
        LoadCase{"withoutSetCertViewPolicy", Install::Module, JC_FIXTURE_NO_CERTVIEW, false, false, 11, true},
        LoadCase{"withoutRelease", Install::Module, JC_FIXTURE_NO_RELEASE, false, false, 1, true},
        LoadCase{"initializeFails", Install::Module, JC_FIXTURE_INIT_FAILS, false, false, 12, true}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(LoadCryptoModule, ANonModuleFileFailsLikeAMissingOne) {
  CryptoUnitHarness h("");
  h.root.MakeFolder();
  { std::ofstream(h.root.ModuleFile()) << "not a library"; }
  EXPECT_FALSE(h.unit->LoadCryptoModule());
  EXPECT_EQ(h.shell.messages.size(), 1u);
  EXPECT_FALSE(h.unit->ModuleLoaded());
  EXPECT_TRUE(fs::equivalent(fs::current_path(), h.root.ModuleFolder()));
}

TEST(LoadCryptoModule, ADamagedModuleFailsLikeAMissingOne) {
  // Our module cut short, as a failed copy leaves it: the loader must not
  // map what is not there (the process used to die of SIGBUS).
  const auto whole = fs::file_size(JC_MODULE_PATH);
  for (const std::uintmax_t size : {std::uintmax_t{0}, std::uintmax_t{64}, std::uintmax_t{1024},
                                    std::uintmax_t{4096}, std::uintmax_t{8192}, std::uintmax_t{16384},
                                    whole / 2, whole - 1}) {
    SCOPED_TRACE(size);
    CryptoUnitHarness h("");
    h.root.Install(JC_MODULE_PATH);
    fs::resize_file(h.root.ModuleFile(), size);
    EXPECT_FALSE(h.unit->LoadCryptoModule());
    EXPECT_EQ(h.shell.messages, std::vector<std::string>{"개인정보암호화 모듈 로드 중 에러발생"});
    EXPECT_FALSE(h.unit->ModuleLoaded());
    EXPECT_EQ(h.unit->EntryPoints().BoundCount(), 0);
    EXPECT_TRUE(fs::equivalent(fs::current_path(), h.root.ModuleFolder()));
  }
}

// What the module sees when the key store is destroyed after each kind of load.
struct CloseCase {
  const char* name;
  const char* module;
  const char* log;  // the module's calls, from loading to closing
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class CloseAfterLoadTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseAfterLoadTest, ReleasesOnlyWhatWasBoundAndUnloads) {
  const CloseCase& c = GetParam();
  CryptoUnitHarness h(c.module);
  ModuleLog log(h.root.ModuleFile());
  ScriptedKeyTable table;
  h.StartUp(table.connection);
  EXPECT_EQ(h.unit->EncryptJumin(""), "");  // no context to use: nothing is called
  h.unit->DestroyKeyStore();
  EXPECT_EQ(h.unit->HIRACrypto(), nullptr);
  EXPECT_FALSE(h.unit->ModuleLoaded());
  EXPECT_EQ(h.unit->EntryPoints().BoundCount(), 0);
  EXPECT_EQ(log.Text(), c.log);
  h.unit.reset();  // a second unloading does nothing more
  EXPECT_EQ(log.Text(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Closes, CloseAfterLoadTest,
    ::testing::Values(CloseCase{"withoutRelease", JC_FIXTURE_NO_RELEASE, ""},
                      CloseCase{"withoutSetCertViewPolicy", JC_FIXTURE_NO_CERTVIEW, "release(null)\n"},
                      CloseCase{"initializeFails", JC_FIXTURE_INIT_FAILS, "initialize\nrelease(null)\n"}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST(KeyStore, ConnectionFailureTakesTheStoreDownAndUnloadsTheModule) {
  CryptoUnitHarness h(JC_FIXTURE_RECORDING);
  ModuleLog log(h.root.ModuleFile());
  h.unit->CryptoLoaded = h.unit->LoadCryptoModule();
  ASSERT_TRUE(h.unit->CryptoLoaded);
  EXPECT_THROW(h.unit->CreateKeyStore([]() -> db::TADOConnection& { throw db::DbError("server unreachable"); }),
               db::DbError);
  EXPECT_EQ(h.unit->HIRACrypto(), nullptr);
  EXPECT_FALSE(h.unit->ModuleLoaded());
  EXPECT_TRUE(h.unit->CryptoLoaded) << "the loader's result is kept";
  // The codec touches only what exists: no store and no module.
  EXPECT_EQ(h.unit->EncryptJumin("9001011234567"), "");
  EXPECT_EQ(h.unit->DecryptJumin("abcd01"), "");
  EXPECT_EQ(h.unit->EncryptWithPassword("x"), "");
  EXPECT_EQ(h.unit->DecryptWithPassword("abcd"), "");
  EXPECT_EQ(log.Text(), "initialize\nrelease(context)\n");
  EXPECT_TRUE(h.shell.messages.empty());
}

TEST(KeyStore, CodecWithoutAKeyStoreCallsNothing) {
  CryptoUnitHarness h(JC_FIXTURE_RECORDING);
  ModuleLog log(h.root.ModuleFile());
  h.unit->CryptoLoaded = h.unit->LoadCryptoModule();
  ASSERT_TRUE(h.unit->CryptoLoaded);
  EXPECT_EQ(h.unit->EncryptJumin(""), "");
  EXPECT_EQ(h.unit->DecryptJumin("abcd01"), "");
  EXPECT_EQ(log.Text(), "initialize\n");
  h.unit.reset();  // unloads a module that no key store owned
  EXPECT_EQ(log.Text(), "initialize\nrelease(context)\n");
}

TEST(KeyStore, CodecAfterAFailedLoadYieldsEmptyTexts) {
  CryptoUnitHarness h("");
  h.root.MakeFolder();
  ScriptedKeyTable table({"abc01"});
  h.StartUp(table.connection);
  ASSERT_FALSE(h.unit->CryptoLoaded);
  EXPECT_EQ(h.unit->EncryptJumin("9001011234567"), "");
  EXPECT_EQ(h.unit->DecryptJumin("abc01"), "");
  EXPECT_EQ(table.QueryCount(), 0u) << "the key table is not even read";
  EXPECT_EQ(h.shell.messages.size(), 1u);  // the load's own message only
}

TEST(KeyStore, OnlyOneKeyStoreAtATime) {
  CryptoUnitHarness h("");
  ScriptedKeyTable table;
  h.CreateKeyStore(table.connection);
  EXPECT_THROW(h.CreateKeyStore(table.connection), std::logic_error);
  EXPECT_EQ(h.Store().KeyQuery->Connection, &table.connection);
  EXPECT_EQ(h.Store().KeyQuery->CommandTimeout, 0);
}

}  // namespace
}  // namespace jc::test
