#pragma once
// A temporary file for rows kept out of memory (large results and grids):
// open for reading and writing, in the system's temporary folder, gone from
// the folder (on Windows, once it is closed) so that no other program opens
// it by name, and gone with the process.
#include <cstdint>
#include <cstdio>

namespace jc {

// The new file, or null (errno says why where the system tells).
std::FILE* OpenTemporaryFile();
// Moves to a byte offset; false when it cannot.
bool SeekTo(std::FILE* file, std::uint64_t offset);

}  // namespace jc
