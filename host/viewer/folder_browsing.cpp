// The images of a folder in their names' natural order.
#include "host/viewer/folder_browsing.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

#include "host/image_files.h"
#include "platform/path_names.h"

namespace molvane::viewer {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Capitals to small letters, ASCII and the accented ones of Windows-1252 (À..Þ but ×).
unsigned char Folded(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return u + 32;
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return u + 32;
  return u;
}

}  // namespace

int CompareNaturally(const std::string& a, const std::string& b) {
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

std::vector<std::string> ImagesInFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(InFolder(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (host::FormatOfPath(found.cFileName) != host::ImageFormat::kUnknown) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareNaturally(a, b) < 0; });
  return names;
}

Neighbour NeighbourImage(const std::string& path, int step) {
  const std::string folder = FolderOf(path), name = FileNameOf(path);
  const std::vector<std::string> names = ImagesInFolder(folder);
  Neighbour next;
  next.count = names.size();
  const auto place = std::lower_bound(names.begin(), names.end(), name, [](const std::string& a, const std::string& b) {
    return CompareNaturally(a, b) < 0;
  });
  const bool present = place != names.end() && CompareNaturally(*place, name) == 0;
  if (names.empty() || (present && names.size() == 1)) return next;
  const size_t at = size_t(place - names.begin());
  // Forward from a missing file, the one sorting after it comes first.
  long index = step > 0 ? long(at) + (present ? 1 : 0) : long(at) - 1;
  const long count = long(names.size());
  next.wrapped = index < 0 || index >= count;
  index = (index % count + count) % count;
  next.index = size_t(index);
  next.path = InFolder(folder, names[next.index]);
  return next;
}

}  // namespace molvane::viewer
