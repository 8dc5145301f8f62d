// A file written whole or not at all: a save that fails leaves the file that was there byte for byte.
//
// The new bytes go to a temporary file in the target's folder, which then
// takes the target's place in one move (MoveFileEx, replacing). Whatever
// fails (a full disk, a read-only file or folder, a file another program
// holds open, a name Windows refuses), the temporary file is deleted, the
// target is untouched, and the message says why, in French.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace molvane::host {

// The file system calls a replacement makes. Each returns false with the
// system's error code in GetLastError(). A test puts a failure in one of
// them, as a full disk or a program holding the file would.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates an empty file of a new name in `folder` and gives its path.
  virtual bool CreateTemporary(const std::string& folder, std::string& path);
  // Writes the bytes as the whole content of an existing file, and flushes them.
  virtual bool Write(const std::string& path, const uint8_t* data, size_t size);
  // Moves `from` over `to`, replacing it.
  virtual bool Replace(const std::string& from, const std::string& to);
  virtual bool Remove(const std::string& path);

  static FileSystem& System();
};

bool ReplaceFileWith(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error,
                     FileSystem& files = FileSystem::System());

}  // namespace molvane::host
