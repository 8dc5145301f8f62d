// Reading and writing ".flt" files with the runtime's French I/O messages.
#include "tools/filter_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace molvane {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ThrowOpenError(int error) {
  switch (error) {
    case ENOENT: throw FileError("Fichier introuvable");
    case EACCES: case EPERM: case EISDIR: throw FileError("Accès au fichier refusé");
    default: throw FileError("Erreur E/S " + std::to_string(error));
  }
}

}  // namespace

void SaveFilterFile(const std::string& path, const TMatrixFilter& filter) {
  errno = 0;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) ThrowOpenError(errno);
  const size_t written = std::fwrite(&filter, 1, sizeof filter, file.get());
  const bool flushed = std::fflush(file.get()) == 0;
  if (written != sizeof filter || !flushed) {
    const int error = errno;
    if (error == ENOSPC || error == 0) throw FileError("Disque plein");
    throw FileError("Erreur E/S " + std::to_string(error));
  }
}

TMatrixFilter LoadFilterFile(const std::string& path) {
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowOpenError(errno);
  TMatrixFilter filter;
  const size_t read = std::fread(&filter, 1, sizeof filter, file.get());
  if (read != sizeof filter) {
    if (std::ferror(file.get())) throw FileError("Erreur E/S " + std::to_string(errno));
    throw FileError("Lecture au-delà de la fin de fichier");
  }
  return filter;
}

}  // namespace molvane
