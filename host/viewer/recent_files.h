// Fichier ▸ Fichiers récents: the last images opened or saved, newest first, kept across runs.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "host/viewer/viewer_settings.h"

namespace molvane::viewer {

class RecentFiles {
 public:
  static constexpr size_t kMaximum = 8;
  // Reads the list the settings hold.
  explicit RecentFiles(const ViewerSettings& settings);

  const std::vector<std::string>& Paths() const { return paths_; }
  // To the top of the list (once, whatever the case of its letters), the
  // ninth dropped; written to the settings at once.
  void Add(const std::string& path);
  void Remove(const std::string& path);
  // Fills `menu` with one item per file, "&1 path" with id `firstId` + index,
  // or a greyed line when there is none.
  void FillMenu(HMENU menu, UINT firstId) const;

 private:
  void Save() const;

  const ViewerSettings& settings_;
  std::vector<std::string> paths_;
};

}  // namespace molvane::viewer
