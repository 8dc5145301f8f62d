// Record files on the native build: POSIX calls and their errno codes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/record_file.h"

namespace molvane {
namespace {

FileOutcome Failed(size_t bytes = 0) {
  const int error = errno;
  FileOutcome outcome;
  outcome.systemError = uint32_t(error);
  outcome.bytes = bytes;
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      outcome.failure = FileFailure::NotFound;
      break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      outcome.failure = FileFailure::AccessDenied;
      break;
    case ENOSPC:
    case EDQUOT:
      outcome.failure = FileFailure::DiskFull;
      break;
    default:
      outcome.failure = FileFailure::Other;
      break;
  }
  return outcome;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

FileOutcome ReadFileStart(const std::string& path, void* buffer, size_t size) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return Failed();
  FileOutcome outcome;
  auto* at = static_cast<char*>(buffer);
  while (outcome.bytes < size) {
    const ssize_t read = ::read(file.Get(), at + outcome.bytes, size - outcome.bytes);
    if (read < 0) {
      if (errno == EINTR) continue;
      return Failed(outcome.bytes);
    }
    if (read == 0) break;  // the end of the file
    outcome.bytes += size_t(read);
  }
  return outcome;
}

FileOutcome WriteWholeFile(const std::string& path, const void* data, size_t size) {
  Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.Get() < 0) return Failed();
  FileOutcome outcome;
  const auto* at = static_cast<const char*>(data);
  while (outcome.bytes < size) {
    const ssize_t written = ::write(file.Get(), at + outcome.bytes, size - outcome.bytes);
    if (written < 0) {
      if (errno == EINTR) continue;
      return Failed(outcome.bytes);
    }
    if (written == 0) {
      outcome.failure = FileFailure::DiskFull;
      break;
    }
    outcome.bytes += size_t(written);
  }
  return outcome;
}

}  // namespace molvane
