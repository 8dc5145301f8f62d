// The open and save dialogs for image files.
#include "host/viewer/file_dialogs.h"

#include <commdlg.h>

#include <cstring>
#include <cwchar>

#include "host/image_files.h"
#include "host/wide_names.h"
#include "host/viewer/image_document.h"
#include "platform/path_names.h"

namespace molvane::viewer {
namespace {

OPENFILENAMEW DialogFor(HWND owner, wchar_t* path, const wchar_t* title, const wchar_t* filter) {
  OPENFILENAMEW dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = title;
  return dialog;
}

}  // namespace

std::vector<std::string> ChooseImagesToOpen(HWND owner, const std::string& folder) {
  // Room for a folder's worth of names: the folder, then each name, each ended by a zero.
  std::vector<wchar_t> names(64 * 1024, L'\0');
  OPENFILENAMEW dialog = DialogFor(owner, names.data(), L"Ouvrir une image",
                                   L"Images (BMP, PNG, JPEG, TIFF, GIF)\0*.bmp;*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.gif\0"
                                   L"Tous les fichiers\0*.*\0");
  dialog.nMaxFile = DWORD(names.size());
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ALLOWMULTISELECT;
  const std::wstring initial = host::LongPathOf(folder);
  if (!folder.empty()) dialog.lpstrInitialDir = initial.c_str();
  std::vector<std::string> chosen;
  if (!GetOpenFileNameW(&dialog)) return chosen;
  // One file: its whole path. Several: their folder, then their names.
  std::wstring first = names.data();
  for (const wchar_t* name = names.data() + first.size() + 1; *name; name += std::wcslen(name) + 1)
    chosen.push_back(host::AnsiPathOf(first + (first.back() == L'\\' ? L"" : L"\\") + name));
  if (chosen.empty()) chosen.push_back(host::AnsiPathOf(first));
  return chosen;
}

std::wstring ChooseWhereToSave(HWND owner, const std::wstring& suggested) {
  // The types in the order of the dialog's list (its index counts from 1).
  static const wchar_t* const kExtensions[] = {L"png", L"bmp", L"jpg", L"tif"};
  wchar_t path[MAX_PATH] = {};
  suggested.copy(path, MAX_PATH - 1);
  OPENFILENAMEW dialog = DialogFor(owner, path, L"Enregistrer l'image sous",
                                   L"PNG (*.png)\0*.png\0BMP (*.bmp)\0*.bmp\0JPEG (*.jpg)\0*.jpg;*.jpeg\0"
                                   L"TIFF (*.tif)\0*.tif;*.tiff\0");
  std::string ansi;
  host::ToAnsiExactly(suggested, ansi);
  const host::ImageFormat current = host::FormatOfPath(ansi);
  dialog.nFilterIndex = current == host::ImageFormat::kBmp    ? 2
                        : current == host::ImageFormat::kJpeg ? 3
                        : current == host::ImageFormat::kTiff ? 4
                                                              : 1;
  // No default extension and no overwrite prompt: the dialog would add one to
  // a name the person typed and ask about a file other than the one written.
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return std::wstring();
  std::wstring chosen = path;
  const std::wstring name = chosen.substr(chosen.find_last_of(L"\\/") + 1);
  if (name.find(L'.') == std::wstring::npos && dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= 4)
    chosen += std::wstring(L".") + kExtensions[dialog.nFilterIndex - 1];
  return chosen;
}

std::string WhyNotWritable(const std::string& path) {
  const host::ImageFormat format = host::FormatOfPath(path);
  if (host::CanWriteFormat(format)) return std::string();
  const std::string name = FileNameOf(path);
  const size_t dot = name.find_last_of('.');
  const std::string why = format == host::ImageFormat::kGif ? "la visionneuse lit le format GIF mais ne l'écrit pas"
                          : dot == std::string::npos        ? "ce nom n'a pas d'extension"
                                                            : "l'extension « " + name.substr(dot) +
                                                                  " » n'est celle d'aucun format que la visionneuse écrit";
  return "Impossible d'enregistrer sous le nom « " + name + " » : " + why +
         ".\n\nLa visionneuse enregistre en PNG (.png), BMP (.bmp), JPEG (.jpg) et TIFF (.tif) : "
         "donnez au nom l'une de ces extensions.";
}

std::string WritableName(const std::string& path) {
  if (host::CanWriteFormat(host::FormatOfPath(path))) return path;
  return FolderOf(path) + StemOf(path) + ".png";
}

}  // namespace molvane::viewer
