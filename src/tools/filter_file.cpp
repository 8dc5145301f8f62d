// Reading and writing ".flt" files with the runtime's French I/O messages.
#include "tools/filter_file.h"

#include "platform/record_file.h"

namespace molvane {
namespace {

// The message of a failed operation; the number is the system's own, the
// one users and the rest of the system know.
[[noreturn]] void ThrowFileError(const FileOutcome& outcome) {
  switch (outcome.failure) {
    case FileFailure::NotFound: throw FileError("Fichier introuvable");
    case FileFailure::AccessDenied: throw FileError("Accès au fichier refusé");
    case FileFailure::DiskFull: throw FileError("Disque plein");
    default: throw FileError("Erreur E/S " + std::to_string(outcome.systemError));
  }
}

}  // namespace

void SaveFilterFile(const std::string& path, const TMatrixFilter& filter) {
  const FileOutcome outcome = WriteWholeFile(path, &filter, sizeof filter);
  if (outcome.failure != FileFailure::None) ThrowFileError(outcome);
}

TMatrixFilter LoadFilterFile(const std::string& path) {
  TMatrixFilter filter;
  const FileOutcome outcome = ReadFileStart(path, &filter, sizeof filter);
  if (outcome.failure != FileFailure::None) ThrowFileError(outcome);
  if (outcome.bytes != sizeof filter) throw FileError("Lecture au-delà de la fin de fichier");
  return filter;
}

}  // namespace molvane
