// The open and save dialogs for image files.
#include "host/viewer/file_dialogs.h"

#include <commdlg.h>

#include <cstring>

#include "host/image_files.h"

namespace molvane::viewer {
namespace {

OPENFILENAMEA DialogFor(HWND owner, char* path, const char* title, const char* filter) {
  OPENFILENAMEA dialog;
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

std::string ChooseImageToOpen(HWND owner) {
  char path[MAX_PATH] = {};
  OPENFILENAMEA dialog = DialogFor(owner, path, "Ouvrir une image",
                                   "Images (BMP, PNG, JPEG, TIFF, GIF)\0*.bmp;*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.gif\0"
                                   "Tous les fichiers\0*.*\0");
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  return GetOpenFileNameA(&dialog) ? std::string(path) : std::string();
}

std::string ChooseWhereToSave(HWND owner, const std::string& suggested) {
  // The types in the order of the dialog's list (its index counts from 1).
  static const char* const kExtensions[] = {"png", "bmp", "jpg", "tif"};
  char path[MAX_PATH] = {};
  std::strncpy(path, suggested.c_str(), MAX_PATH - 1);
  OPENFILENAMEA dialog = DialogFor(owner, path, "Enregistrer l'image sous",
                                   "PNG (*.png)\0*.png\0BMP (*.bmp)\0*.bmp\0JPEG (*.jpg)\0*.jpg;*.jpeg\0"
                                   "TIFF (*.tif)\0*.tif;*.tiff\0");
  const host::ImageFormat current = host::FormatOfPath(suggested);
  dialog.nFilterIndex = current == host::ImageFormat::kBmp    ? 2
                        : current == host::ImageFormat::kJpeg ? 3
                        : current == host::ImageFormat::kTiff ? 4
                                                              : 1;
  dialog.lpstrDefExt = "png";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&dialog)) return std::string();
  std::string chosen = path;
  if (!host::CanWriteFormat(host::FormatOfPath(chosen)) && dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= 4)
    chosen += std::string(".") + kExtensions[dialog.nFilterIndex - 1];
  return chosen;
}

}  // namespace molvane::viewer
