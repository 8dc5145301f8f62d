// The images of a folder in the order a person reads their names, and the one before or after a file.
#pragma once

#include <string>
#include <vector>

namespace molvane::viewer {

// Below, equal or above zero as `a` sorts before, with or after `b`: letters
// without regard to case (Windows-1252 accents included), runs of digits by
// their value ("img2" before "img10", "img02" beside "img2"); names equal so
// far are then told apart byte by byte, so the order is total.
int CompareNaturally(const std::string& a, const std::string& b);

// The names of the files in `folder` whose extension the viewer reads, in that order.
std::vector<std::string> ImagesInFolder(const std::string& folder);

struct Neighbour {
  std::string path;      // empty when the folder holds no other image
  bool wrapped = false;  // went round from the last to the first, or the first to the last
  size_t index = 0;      // its place in the folder, from 0
  size_t count = 0;      // the images in the folder
};

// The image after (`step` 1) or before (-1) `path` in its folder, going round
// at the ends. A file gone from the folder is placed where its name would sort.
Neighbour NeighbourImage(const std::string& path, int step);

}  // namespace molvane::viewer
