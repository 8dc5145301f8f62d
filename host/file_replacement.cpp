// Saving through a temporary file in the target's folder, and the French reasons for a failure.
#include "host/file_replacement.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

namespace molvane::host {
namespace {

// The folder of a path, without its last separator: "." for a bare name, "C:\" for a root.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

enum class Step { kTemporary, kWrite, kReplace };

// A name no file can have: there is then no file of that name to keep either.
bool NameRefused(DWORD code) {
  return code == ERROR_INVALID_NAME || code == ERROR_BAD_PATHNAME || code == ERROR_FILENAME_EXCED_RANGE ||
         code == ERROR_BUFFER_OVERFLOW || code == ERROR_DIRECTORY || code == ERROR_BAD_DEV_TYPE;
}

std::string Why(DWORD code, Step step, const std::string& folder) {
  if (NameRefused(code))
    return "Windows refuse ce nom de fichier (un caractère interdit, un nom réservé ou un chemin trop long).";
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "Le disque est plein.";
    case ERROR_WRITE_PROTECT:
      return "Le disque est protégé en écriture.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      if (step == Step::kTemporary) return "Le dossier « " + folder + " » n'existe pas.";
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      if (step == Step::kTemporary) return "Le dossier « " + folder + " » est protégé en écriture.";
      if (step == Step::kReplace)
        return "Le fichier est ouvert dans un autre programme, ou protégé : il ne peut pas être remplacé.";
      break;
    default:
      break;
  }
  return "Le fichier ne peut pas être écrit (erreur système " + std::to_string(code) + ").";
}

}  // namespace

bool FileSystem::CreateTemporary(const std::string& folder, std::string& path) {
  // A name of our own made with CREATE_NEW, so that a failure gives the
  // folder's own error (GetTempFileName gives ERROR_DIRECTORY for a missing one).
  static unsigned counter = 0;
  for (int tries = 0; tries < 100; ++tries) {
    char name[32];
    std::snprintf(name, sizeof name, "~mvl%04lx%04x.tmp", GetCurrentProcessId() & 0xFFFF, ++counter & 0xFFFF);
    path = folder + (folder.back() == '\\' || folder.back() == '/' ? "" : "\\") + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool FileSystem::Write(const std::string& path, const uint8_t* data, size_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = true;
  for (size_t at = 0; written && at < size;) {
    const DWORD part = DWORD(size - at < (DWORD(1) << 20) ? size - at : DWORD(1) << 20);
    DWORD done = 0;
    written = WriteFile(file, data + at, part, &done, nullptr) != 0;
    // A disk that takes fewer bytes than asked is full.
    if (written && done == 0) {
      SetLastError(ERROR_DISK_FULL);
      written = false;
    }
    at += done;
  }
  written = written && FlushFileBuffers(file);
  const DWORD code = GetLastError();
  const bool closed = CloseHandle(file) != 0;
  SetLastError(written ? GetLastError() : code);
  return written && closed;
}

bool FileSystem::Replace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FileSystem::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

FileSystem& FileSystem::System() {
  static FileSystem system;
  return system;
}

bool ReplaceFileWith(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error,
                     FileSystem& files) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  const char kept[] = " Le fichier existant est resté tel qu'il était.";
  if (existed && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "Ce nom est celui d'un dossier.";
    return false;
  }
  // A process with every right may write anyway: the file's own word holds.
  if (existed && (attributes & FILE_ATTRIBUTE_READONLY)) {
    error = std::string("Le fichier est en lecture seule.") + kept;
    return false;
  }
  const std::string folder = FolderOf(path);
  std::string temporary;
  Step step = Step::kTemporary;
  if (files.CreateTemporary(folder, temporary)) {
    step = Step::kWrite;
    if (files.Write(temporary, bytes.data(), bytes.size())) {
      step = Step::kReplace;
      if (files.Replace(temporary, path)) return true;
    }
  }
  const DWORD code = GetLastError();
  if (step != Step::kTemporary) files.Remove(temporary);
  error = Why(code, step, folder) + (existed && !NameRefused(code) ? kept : "");
  return false;
}

}  // namespace molvane::host
