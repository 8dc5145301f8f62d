// The viewer's settings in the user's registry: a list as one multi-string value, a flag as a number.
#include "host/viewer/viewer_settings.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace molvane::viewer {

constexpr char ViewerSettings::kDefaultKey[];

std::vector<std::string> ViewerSettings::ReadList(const char* name) const {
  std::vector<std::string> items;
  DWORD type = 0, size = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_MULTI_SZ, &type, nullptr, &size) != ERROR_SUCCESS)
    return items;
  std::string bytes(size, '\0');
  if (RegGetValueA(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_MULTI_SZ, &type, &bytes[0], &size) != ERROR_SUCCESS)
    return items;
  bytes.resize(size);
  for (size_t start = 0; start < bytes.size();) {
    const size_t end = bytes.find('\0', start);
    if (end == start || end == std::string::npos) break;
    items.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

void ViewerSettings::WriteList(const char* name, const std::vector<std::string>& items) const {
  std::string bytes;
  for (const std::string& item : items)
    if (!item.empty()) bytes += item + '\0';
  bytes += '\0';
  RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), name, REG_MULTI_SZ, bytes.data(), DWORD(bytes.size()));
}

bool ViewerSettings::ReadFlag(const char* name, bool byDefault) const {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return byDefault;
  return value != 0;
}

void ViewerSettings::WriteFlag(const char* name, bool value) const {
  const DWORD number = value ? 1 : 0;
  RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), name, REG_DWORD, &number, sizeof number);
}

}  // namespace molvane::viewer
