// The bounded snapshot of a query's rows: rows kept in memory up to a bound
// and in an encrypted temporary file past it, read back front to back with
// every cell, NULL and order as written; and the query object over it.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db/Query.h"
#include "db/RowStore.h"
#include "db/Session.h"
#include "support/TestStore.h"

namespace jc::db {
namespace {

namespace fs = std::filesystem;

// The key stream against OpenSSL's ChaCha20 (its IV is the 32-bit block
// counter, little-endian, then the 96-bit nonce), over lengths that end
// inside, at and past a 64-byte block.
TEST(ChaCha20, MatchesTheReferenceKeyStream) {
  std::uint32_t key[8];
  unsigned char keyBytes[32];
  for (int i = 0; i < 32; ++i) keyBytes[i] = static_cast<unsigned char>(i * 7 + 1);
  for (int w = 0; w < 8; ++w)
    key[w] = keyBytes[4 * w] | keyBytes[4 * w + 1] << 8 | keyBytes[4 * w + 2] << 16 |
             static_cast<std::uint32_t>(keyBytes[4 * w + 3]) << 24;
  const std::uint32_t nonce[3] = {0x00000009, 0x4a000000, 0x00000000};
  const std::uint32_t counter = 1;
  unsigned char iv[16];
  const std::uint32_t ivWords[4] = {counter, nonce[0], nonce[1], nonce[2]};
  for (int w = 0; w < 4; ++w)
    for (int b = 0; b < 4; ++b) iv[4 * w + b] = static_cast<unsigned char>(ivWords[w] >> (8 * b));
  for (std::size_t size : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65}, std::size_t{1000}}) {
    std::vector<unsigned char> plain(size);
    for (std::size_t i = 0; i < size; ++i) plain[i] = static_cast<unsigned char>(i * 31);
    std::vector<unsigned char> ours = plain;
    ChaCha20Xor(key, nonce, counter, ours.data(), ours.size());

    std::vector<unsigned char> reference(size);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int len = 0;
    ASSERT_EQ(EVP_EncryptInit_ex(ctx, EVP_chacha20(), nullptr, keyBytes, iv), 1);
    ASSERT_EQ(EVP_EncryptUpdate(ctx, reference.data(), &len, plain.data(), static_cast<int>(size)), 1);
    EVP_CIPHER_CTX_free(ctx);
    EXPECT_EQ(ours, reference) << size << " bytes";

    ChaCha20Xor(key, nonce, counter, ours.data(), ours.size());
    EXPECT_EQ(ours, plain) << "the same key stream decrypts";
  }
}

// The temporary files of this process in folder: open, already removed.
std::vector<std::string> OpenRemovedFilesIn(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = fs::read_symlink(fd.path(), ec).string();
    if (!ec && target.rfind(folder.string(), 0) == 0 && target.find("(deleted)") != std::string::npos)
      out.push_back(fd.path().string());
  }
  return out;
}

// TMPDIR set to a folder of the test's own while it lives.
class OwnTempFolder {
 public:
  OwnTempFolder() {
    std::string templ = (fs::temp_directory_path() / "jc-rows-XXXXXX").string();
    if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = templ;
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", folder_.c_str(), 1);
  }
  ~OwnTempFolder() {
    if (old_) ::setenv("TMPDIR", old_->c_str(), 1);
    else ::unsetenv("TMPDIR");
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  const fs::path& Folder() const { return folder_; }

 private:
  fs::path folder_;
  std::optional<std::string> old_;
};

// A result several times the memory bound, read through the query object
// while every row is changed and the rows not read yet are deleted: the
// count, the order, the cells and the end flag are those of the snapshot;
// its file is unreadable on disk, removed from the folder at once and
// closed with the query.
TEST(RowStore, AQueryLargerThanTheBoundKeepsItsSnapshot) {
  test::TestStore store;
  OwnTempFolder temp;  // made after the store, whose folder goes elsewhere
  Session s;
  s.Ado_Qry.Connection = &store.Connection();
  s.Ado_Exec.Connection = &store.Connection();
  constexpr int kRows = 60000;  // about 2.5 times the bound
  const std::string name(50, 'N');
  const std::string value(100, 'V');
  store.Exec("BEGIN TRANSACTION");
  for (int i = 0; i < kRows; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "C%06d", i);
    store.Exec("INSERT INTO TV_BASE..CD_PERSON(CUSCODE, SEQ, PANAME, PANUM, TEMPNUM) VALUES('" + std::string(code) +
               "', '1', '" + name + "', '900101123456" + std::to_string(i % 10) + "', " +
               (i % 5 == 0 ? std::string("NULL") : "'" + value + "'") + ")");
  }
  store.Exec("COMMIT TRANSACTION");

  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT CUSCODE, PANAME, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON"));
  EXPECT_EQ(s.Ado_Qry.RecordCount(), kRows);
  const std::vector<std::string> files = OpenRemovedFilesIn(temp.Folder());
  ASSERT_EQ(files.size(), 1u) << "the rows past the bound are in one temporary file";
  EXPECT_TRUE(fs::is_empty(temp.Folder())) << "the file has no name in the folder";
  {
    std::ifstream in(files[0], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_GT(bytes.size(), RowStore::kDefaultMemoryBytes);
    EXPECT_EQ(bytes.find("9001011234"), std::string::npos) << "no number readable on disk";
    EXPECT_EQ(bytes.find("NNNNNNNN"), std::string::npos) << "no name readable on disk";
  }

  ASSERT_TRUE(ExecQuery(s.Ado_Exec, "UPDATE TV_BASE..CD_PERSON SET PANAME = 'changed', TEMPNUM = NULL"));
  int read = 0;
  while (!s.Ado_Qry.Eof()) {
    char code[16];
    std::snprintf(code, sizeof code, "C%06d", read);
    ASSERT_EQ(s.Ado_Qry.FieldAsString("CUSCODE"), code);
    ASSERT_EQ(s.Ado_Qry.FieldAsString("PANAME"), name);
    ASSERT_EQ(s.Ado_Qry.FieldAsString("PANUM"), "900101123456" + std::to_string(read % 10));
    ASSERT_EQ(s.Ado_Qry.FieldIsNull("TEMPNUM"), read % 5 == 0);
    if (read % 5 != 0) ASSERT_EQ(s.Ado_Qry.FieldAsString("TEMPNUM"), value);
    if (read == 100) ASSERT_TRUE(ExecQuery(s.Ado_Exec, "DELETE FROM TV_BASE..CD_PERSON WHERE CUSCODE > 'C000100'"));
    ++read;
    s.Ado_Qry.Next();
  }
  EXPECT_EQ(read, kRows);
  EXPECT_EQ(s.Ado_Qry.RecordCount(), kRows);
  // Past the end the last row stays current.
  EXPECT_EQ(s.Ado_Qry.FieldAsString("CUSCODE"), "C059999");
  s.Ado_Qry.Next();
  EXPECT_TRUE(s.Ado_Qry.Eof());

  s.Ado_Qry.Close();
  EXPECT_TRUE(OpenRemovedFilesIn(temp.Folder()).empty()) << "closing the query closes its file";
  // A small result stays in memory: no file.
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT CUSCODE FROM TV_BASE..CD_PERSON"));
  EXPECT_EQ(s.Ado_Qry.RecordCount(), 101);
  EXPECT_TRUE(OpenRemovedFilesIn(temp.Folder()).empty());
}

}  // namespace
}  // namespace jc::db
