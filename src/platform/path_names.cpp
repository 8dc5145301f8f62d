// Paths as text, for the plug-in and the hosts alike.
#include "platform/path_names.h"

namespace molvane {
namespace {

size_t FileNameStart(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? 0 : separator + 1;
}

// Where the extension starts, or the path's length when there is none.
size_t ExtensionStart(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  return dot == std::string::npos || dot < FileNameStart(path) ? path.size() : dot;
}

}  // namespace

std::string FolderOf(const std::string& path) { return path.substr(0, FileNameStart(path)); }

std::string FileNameOf(const std::string& path) { return path.substr(FileNameStart(path)); }

std::string ExtensionOf(const std::string& path) { return path.substr(ExtensionStart(path)); }

std::string StemOf(const std::string& path) {
  const size_t start = FileNameStart(path);
  return path.substr(start, ExtensionStart(path) - start);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

}  // namespace molvane
