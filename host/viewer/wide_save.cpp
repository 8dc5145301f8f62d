// Writing an image under a name in any script.
#include "host/viewer/wide_save.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/image_files.h"
#include "host/wide_names.h"
#include "platform/path_names.h"

namespace molvane::viewer {

bool WriteImageFileAnywhere(const std::wstring& path, const host::Bitmap24& image, std::string& error,
                            int jpegQuality) {
  std::string ansi;
  if (host::ToAnsiExactly(path, ansi)) return host::WriteImageFile(ansi, image, error, jpegQuality);
  const size_t slash = path.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  // The extension tells the format; the process id keeps two viewers apart.
  const std::string temporary = InFolder(host::AnsiPathOf(folder), "~molvane-" + std::to_string(GetCurrentProcessId()) +
                                                                      ExtensionOf(host::AnsiPathOf(path)));
  if (!host::WriteImageFile(temporary, image, error, jpegQuality)) return false;
  if (MoveFileExW(host::WideFromCodePage(temporary, CP_ACP).c_str(), path.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  error = "Le fichier n'a pas pu prendre son nom (erreur " + std::to_string(GetLastError()) + ").";
  DeleteFileA(temporary.c_str());
  return false;
}

}  // namespace molvane::viewer
