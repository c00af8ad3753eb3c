#pragma once
// What the WAL of one store file holds and how much of it has been copied
// into the file, read from the shared WAL index beside it (the "-shm" file:
// the frame count of the index header at byte 16, the checkpoint's count of
// frames copied at byte 96, both native 32-bit integers).
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace jc::test {

struct WalState {
  std::uint32_t frames = 0;      // frames written since the WAL last started over
  std::uint32_t backfilled = 0;  // of them, copied into the database file
  bool CheckpointedWhole() const { return backfilled == frames; }
};

inline WalState ReadWalState(const std::string& databaseFile) {
  std::ifstream in(databaseFile + "-shm", std::ios::binary);
  char header[100] = {};
  in.read(header, sizeof header);
  WalState state;
  if (in.gcount() == sizeof header) {
    std::memcpy(&state.frames, header + 16, 4);
    std::memcpy(&state.backfilled, header + 96, 4);
  }
  return state;
}

}  // namespace jc::test
