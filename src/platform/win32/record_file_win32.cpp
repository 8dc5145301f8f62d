// Record files through the Win32 file functions: their GetLastError codes.
#include <windows.h>

#include "platform/record_file.h"

namespace molvane {
namespace {

FileOutcome Failed(size_t bytes = 0) {
  const DWORD error = ::GetLastError();
  FileOutcome outcome;
  outcome.systemError = error;
  outcome.bytes = bytes;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      outcome.failure = FileFailure::NotFound;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      outcome.failure = FileFailure::AccessDenied;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      outcome.failure = FileFailure::DiskFull;
      break;
    default:
      outcome.failure = FileFailure::Other;
      break;
  }
  return outcome;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace

FileOutcome ReadFileStart(const std::string& path, void* buffer, size_t size) {
  Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Failed();
  FileOutcome outcome;
  auto* at = static_cast<char*>(buffer);
  while (outcome.bytes < size) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), at + outcome.bytes, DWORD(size - outcome.bytes), &read, nullptr))
      return Failed(outcome.bytes);
    if (read == 0) break;  // the end of the file
    outcome.bytes += read;
  }
  return outcome;
}

FileOutcome WriteWholeFile(const std::string& path, const void* data, size_t size) {
  Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Failed();
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data, DWORD(size), &written, nullptr)) return Failed(written);
  FileOutcome outcome;
  outcome.bytes = written;
  if (written != size) outcome.failure = FileFailure::DiskFull;
  return outcome;
}

}  // namespace molvane
