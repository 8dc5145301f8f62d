// Reading and writing a file as one record, with the system's own error codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace molvane {

// Why a file operation failed, as the user is told it; `systemError` keeps
// the number the system gave (GetLastError on Windows, errno elsewhere),
// which the message shows for any other failure.
enum class FileFailure { None, NotFound, AccessDenied, DiskFull, Other };

struct FileOutcome {
  FileFailure failure = FileFailure::None;
  uint32_t systemError = 0;
  size_t bytes = 0;  // moved before the operation stopped
};

// Reads up to `size` bytes from the start of the file.
FileOutcome ReadFileStart(const std::string& path, void* buffer, size_t size);
// Creates or replaces the file with these bytes. Fewer bytes written than
// given, with no error from the system, is a full disk.
FileOutcome WriteWholeFile(const std::string& path, const void* data, size_t size);

}  // namespace molvane
