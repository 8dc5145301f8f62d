// ".flt" files: one 240-byte filter record, read and written whole.
#pragma once

#include <stdexcept>
#include <string>

#include "tools/matrix_filter.h"

namespace molvane {

// A failed read or write, with the message the user sees: "Fichier
// introuvable", "Accès au fichier refusé", "Lecture au-delà de la fin de
// fichier", "Disque plein" or "Erreur E/S <number>".
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates or replaces the file with the record's 240 bytes.
void SaveFilterFile(const std::string& path, const TMatrixFilter& filter);

// The first 240 bytes of the file, unvalidated; a shorter file is refused.
TMatrixFilter LoadFilterFile(const std::string& path);

}  // namespace molvane
