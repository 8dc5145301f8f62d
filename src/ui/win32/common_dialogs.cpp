// Message boxes, the colour dialog, the file dialogs and the decimal separator, from the system.
#include <windows.h>
#include <commdlg.h>
#undef MessageBox  // the backend's function of that name is ours, not the system's macro

#include <vector>

#include "ui/dialogs.h"
#include "ui/win32/peers.h"

namespace molvane::ui::backend {
namespace {

// The form's window when it is on screen; a box over a hidden form has no owner.
HWND WindowOf(Form* over) {
  if (!over) return nullptr;
  win32::FormPeer* peer = win32::FormPeer::Of(*over);
  if (!peer || !peer->Handle() || !::IsWindowVisible(peer->Handle())) return nullptr;
  return peer->Handle();
}

// "Text|*.ext|..." becomes the system's list of zero-terminated pairs ending with two zeros.
std::vector<char> SystemFilter(const std::string& filter) {
  std::vector<char> out(filter.begin(), filter.end());
  for (char& c : out)
    if (c == '|') c = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

}  // namespace

void MessageBox(Form* over, const std::string& text, const std::string& caption, BoxIcon icon) {
  HWND owner = WindowOf(over);
  UINT type = MB_OK | (icon == BoxIcon::Error ? MB_ICONERROR : MB_ICONWARNING);
  if (!owner) type |= MB_TASKMODAL;
  ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

bool ColourDialog(Form* over, TColor& colour) {
  static COLORREF custom[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255)};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = WindowOf(over);
  choose.rgbResult = COLORREF(colour & 0xFFFFFF);  // both are 0x00BBGGRR
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!::ChooseColorA(&choose)) return false;
  colour = TColor(choose.rgbResult & 0xFFFFFF);
  return true;
}

bool FileDialog(Form* over, const FileDialogOptions& options, bool save, std::string& path) {
  std::vector<char> filter = SystemFilter(options.filter);
  std::string extension = options.defaultExtension;
  if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
  std::vector<char> file(4096, '\0');
  options.fileName.copy(file.data(), file.size() - 1);

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = WindowOf(over);
  dialog.lpstrFilter = options.filter.empty() ? nullptr : filter.data();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = DWORD(file.size());
  dialog.lpstrInitialDir = options.initialDirectory.empty() ? nullptr : options.initialDirectory.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (save ? (options.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0) : OFN_FILEMUSTEXIST);
  BOOL chosen = save ? ::GetSaveFileNameA(&dialog) : ::GetOpenFileNameA(&dialog);
  if (!chosen) return false;
  path = file.data();
  return true;
}

char UserDecimalSeparator() {
  char buffer[8] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 0 && buffer[0])
    return buffer[0];
  return '.';
}

}  // namespace molvane::ui::backend
