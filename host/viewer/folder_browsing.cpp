// The images of a folder in their names' natural order.
#include "host/viewer/folder_browsing.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

#include "host/image_files.h"
#include "host/wide_names.h"
#include "platform/path_names.h"

namespace molvane::viewer {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Capitals to small letters in any script, as the system's case tables have them.
wchar_t Folded(wchar_t c) {
  wchar_t text[2] = {c, 0};
  CharLowerBuffW(text, 1);
  return text[0];
}

}  // namespace

int CompareNaturally(const std::wstring& a, const std::wstring& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Two numbers: leading zeros aside, the longer is the larger, then digit by digit.
      size_t endA = i, endB = j;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      size_t startA = i, startB = j;
      while (startA + 1 < endA && a[startA] == '0') ++startA;
      while (startB + 1 < endB && b[startB] == '0') ++startB;
      if (endA - startA != endB - startB) return endA - startA < endB - startB ? -1 : 1;
      if (const int digits = a.compare(startA, endA - startA, b, startB, endB - startB); digits != 0) return digits;
      i = endA;
      j = endB;
      continue;
    }
    if (Folded(a[i]) != Folded(b[j])) return Folded(a[i]) < Folded(b[j]) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return a.compare(b);
}

std::vector<FolderImage> ImagesInFolder(const std::string& folder) {
  std::vector<FolderImage> images;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(host::WideFromCodePage(InFolder(folder, "*"), CP_ACP).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return images;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FolderImage image{found.cFileName, std::string()};
    if (!host::ToAnsiExactly(image.name, image.ansiName) && !host::ToAnsiExactly(found.cAlternateFileName, image.ansiName))
      continue;
    if (host::FormatOfPath(image.ansiName) != host::ImageFormat::kUnknown) images.push_back(image);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(images.begin(), images.end(),
            [](const FolderImage& a, const FolderImage& b) { return CompareNaturally(a.name, b.name) < 0; });
  return images;
}

Neighbour NeighbourImage(const std::string& path, int step) {
  const std::string folder = FolderOf(path);
  // The file's whole name, from its short one if need be.
  const std::wstring whole = host::LongPathOf(path);
  const std::wstring name = whole.substr(whole.find_last_of(L"\\/") + 1);
  const std::vector<FolderImage> names = ImagesInFolder(folder);
  Neighbour next;
  next.count = names.size();
  const auto place = std::lower_bound(names.begin(), names.end(), name, [](const FolderImage& a, const std::wstring& b) {
    return CompareNaturally(a.name, b) < 0;
  });
  const bool present = place != names.end() && CompareNaturally(place->name, name) == 0;
  if (names.empty() || (present && names.size() == 1)) return next;
  const size_t at = size_t(place - names.begin());
  // Forward from a missing file, the one sorting after it comes first.
  long index = step > 0 ? long(at) + (present ? 1 : 0) : long(at) - 1;
  const long count = long(names.size());
  next.wrapped = index < 0 || index >= count;
  index = (index % count + count) % count;
  next.index = size_t(index);
  next.path = InFolder(folder, names[next.index].ansiName);
  return next;
}

}  // namespace molvane::viewer
