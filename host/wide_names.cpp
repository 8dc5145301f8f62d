// File names in any script.
#include "host/wide_names.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

namespace molvane::host {

std::wstring WideFromCodePage(const std::string& text, unsigned codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), &wide[0], length);
  return wide;
}

bool ToAnsiExactly(const std::wstring& text, std::string& ansi) {
  ansi.clear();
  if (text.empty()) return true;
  BOOL lost = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, &lost);
  ansi.assign(size_t(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), &ansi[0], length, nullptr, &lost);
  // The flag alone misses characters a code page maps to a look-alike: the way back decides.
  return !lost && WideFromCodePage(ansi, CP_ACP) == text;
}

std::string AnsiPathOf(const std::wstring& path) {
  std::string ansi;
  if (ToAnsiExactly(path, ansi)) return ansi;
  const std::string bestFit = ansi;
  const DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
  std::vector<wchar_t> shortPath(length + 1);
  if (length == 0 || GetShortPathNameW(path.c_str(), shortPath.data(), length + 1) == 0) return bestFit;
  return ToAnsiExactly(shortPath.data(), ansi) ? ansi : bestFit;
}

std::wstring LongPathOf(const std::string& ansiPath) {
  const std::wstring wide = WideFromCodePage(ansiPath, CP_ACP);
  const DWORD length = GetLongPathNameW(wide.c_str(), nullptr, 0);
  if (length == 0) return wide;
  std::vector<wchar_t> longPath(length + 1);
  if (GetLongPathNameW(wide.c_str(), longPath.data(), length + 1) == 0) return wide;
  return longPath.data();
}

}  // namespace molvane::host
