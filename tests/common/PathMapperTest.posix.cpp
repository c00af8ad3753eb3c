// The fixed Windows paths on Linux: always under a root folder.
#include <gtest/gtest.h>

#include "common/HostPath.h"

namespace jc {
namespace {

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
