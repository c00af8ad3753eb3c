#include <gtest/gtest.h>

#include "common/HostPath.h"
#include "common/Text.h"

namespace jc {
namespace {

TEST(Trim, RemovesBlanksAndControlCharactersOnlyAtTheEnds) {
  EXPECT_EQ(Trim(" \t\r\n 900101-1****** \x01"), "900101-1******");
  EXPECT_EQ(Trim("a b"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" 홍길동 "), "홍길동");  // multi-byte characters are never cut
}

TEST(Utf8, CountsAndCutsCharactersNotBytes) {
  EXPECT_EQ(Utf8Length("홍길동01"), 5u);
  EXPECT_EQ(Utf8Left("홍길동01", 2), "홍길");
  EXPECT_EQ(Utf8Right("홍길동01", 2), "01");
  EXPECT_EQ(Utf8Right("홍길동01", 3), "동01");
  EXPECT_EQ(Utf8Right("ab", 5), "ab");
  EXPECT_EQ(Utf8Right("ab", 0), "");
  EXPECT_EQ(Utf8Left("ab", 5), "ab");
}

TEST(PathMapper, MapsFixedWindowsPathsOntoTheRoot) {
  struct Case {
    const char* root;
    const char* windows;
    std::string host;
  };
  const Case cases[] = {
      {"/srv/pharm", "C:\\TELVARO\\TELVARO.ini", "/srv/pharm/TELVARO/TELVARO.ini"},
      {"/srv/pharm/", "C:\\TELVARO\\TELVARO.ini", "/srv/pharm/TELVARO/TELVARO.ini"},
      {"/", "C:\\TELVARO\\Dll\\HIRAEncryption\\",
       "/TELVARO/Dll/HIRAEncryption/"},
      {"/r", "C:\\TELVARO\\Dll\\HIRAEncryption\\IndvInfmCrypto.dll",
       std::string("/r/TELVARO/Dll/HIRAEncryption/IndvInfmCrypto") + SharedLibrarySuffix()},
      {"", "C:\\x.DLL", std::string("/x") + SharedLibrarySuffix()},
  };
  for (const auto& c : cases) EXPECT_EQ(PathMapper(c.root).Map(c.windows), c.host) << c.windows;
}

}  // namespace
}  // namespace jc
