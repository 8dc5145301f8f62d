// The images of a folder in the order a person reads their names, and the one before or after a file.
#pragma once

#include <string>
#include <vector>

namespace molvane::viewer {

// Below, equal or above zero as `a` sorts before, with or after `b`: letters
// without regard to case (Windows-1252 accents included), runs of digits by
// their value ("img2" before "img10", "img02" beside "img2"); names equal so
// far are then told apart byte by byte, so the order is total.
int CompareNaturally(const std::wstring& a, const std::wstring& b);

struct FolderImage {
  std::wstring name;     // whole, in any script: the order follows it
  std::string ansiName;  // what the ANSI functions open: the name, or its short form
};
// The files in `folder` (an ANSI path) whose extension the viewer reads, in that order.
std::vector<FolderImage> ImagesInFolder(const std::string& folder);

struct Neighbour {
  std::string path;      // empty when the folder holds no other image; ANSI, as ImageDocument's
  bool wrapped = false;  // went round from the last to the first, or the first to the last
  size_t index = 0;      // its place in the folder, from 0
  size_t count = 0;      // the images in the folder
};

// The image after (`step` 1) or before (-1) `path` in its folder, going round
// at the ends. A file gone from the folder is placed where its name would sort.
Neighbour NeighbourImage(const std::string& path, int step);

}  // namespace molvane::viewer
