// File-descriptor steps that the POSIX side of the seam shares.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes every byte, retrying after interruptions; false on the first failed write.
bool WriteAll(int fd, const char* data, std::size_t size);

// Flushes a folder's entries to disk, so a file created or renamed in it stays after a
// crash. Best effort: a folder that cannot be opened is left as it is.
void FlushFolder(const std::string& folder);

}  // namespace platform
