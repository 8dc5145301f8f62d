// The recent files' list and its menu.
#include "host/viewer/recent_files.h"

#include <algorithm>

#include "host/wide_names.h"

namespace molvane::viewer {
namespace {

constexpr char kValueName[] = "Fichiers récents";

bool SameFile(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(), int(b.size())) ==
         CSTR_EQUAL;
}

}  // namespace

constexpr size_t RecentFiles::kMaximum;

RecentFiles::RecentFiles(const ViewerSettings& settings) : settings_(settings), paths_(settings.ReadList(kValueName)) {
  if (paths_.size() > kMaximum) paths_.resize(kMaximum);
}

void RecentFiles::Add(const std::string& path) {
  if (path.empty()) return;
  paths_.erase(std::remove_if(paths_.begin(), paths_.end(), [&](const std::string& p) { return SameFile(p, path); }),
               paths_.end());
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kMaximum) paths_.resize(kMaximum);
  Save();
}

void RecentFiles::Remove(const std::string& path) {
  paths_.erase(std::remove_if(paths_.begin(), paths_.end(), [&](const std::string& p) { return SameFile(p, path); }),
               paths_.end());
  Save();
}

void RecentFiles::FillMenu(HMENU menu, UINT firstId) const {
  while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
  if (paths_.empty()) AppendMenuA(menu, MF_STRING | MF_GRAYED, firstId, "(aucun)");
  for (size_t i = 0; i < paths_.size(); ++i) {
    // The path whole, in any script; "&" in a folder's name would be read as a mnemonic.
    std::wstring text = L"&" + std::to_wstring(i + 1) + L" ";
    for (wchar_t c : host::LongPathOf(paths_[i])) text += c == L'&' ? std::wstring(L"&&") : std::wstring(1, c);
    AppendMenuW(menu, MF_STRING, firstId + UINT(i), text.c_str());
  }
}

void RecentFiles::Save() const { settings_.WriteList(kValueName, paths_); }

}  // namespace molvane::viewer
