// The fixed Windows paths on Windows: as they stand, unless a root folder is
// given for "C:\\" (a demo root, a test's folder).
#include <gtest/gtest.h>

#include "common/HostPath.h"

namespace jc {
namespace {

TEST(PathMapper, WithoutARootThePathsStandAsTheyAre) {
  const PathMapper none;
  EXPECT_EQ(none.Root(), "");
  for (const char* path : {"C:\\TELVARO\\TELVARO.ini", "C:\\TELVARO\\Dll\\HIRAEncryption\\IndvInfmCrypto.dll",
                           "C:\\TELVARO\\Dll\\HIRAEncryption\\"})
    EXPECT_EQ(none.Map(path), path);
}

TEST(PathMapper, ARootFolderStandsForTheDrive) {
  struct Case {
    const char* root;
    const char* windows;
    const char* host;
  };
  const Case cases[] = {
      {"D:\\demo", "C:\\TELVARO\\TELVARO.ini", "D:\\demo\\TELVARO\\TELVARO.ini"},
      {"D:\\demo\\", "C:\\TELVARO\\Dll\\HIRAEncryption\\IndvInfmCrypto.dll",
       "D:\\demo\\TELVARO\\Dll\\HIRAEncryption\\IndvInfmCrypto.dll"},
      {"D:/demo/root", "C:\\TELVARO\\Dll\\HIRAEncryption\\", "D:\\demo\\root\\TELVARO\\Dll\\HIRAEncryption\\"},
      {"D:\\약국", "c:\\x.DLL", "D:\\약국\\x.DLL"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathMapper(c.root).Map(c.windows), c.host) << c.root << " " << c.windows;
}

}  // namespace
}  // namespace jc
