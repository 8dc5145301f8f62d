// Paths as text: a path's folder, file name, stem and extension, and a name joined to a folder.
#pragma once

#include <string>

namespace molvane {

// Either separator counts, '\' or '/'. A file name's extension starts at its
// last dot, even a leading one (".flt" is an extension alone), as Windows
// reads names; a dot in a folder's name is no extension.

// Everything up to and including the last separator; empty when there is none.
std::string FolderOf(const std::string& path);
// What follows the last separator.
std::string FileNameOf(const std::string& path);
// The file name's extension with its dot; empty when it has none.
std::string ExtensionOf(const std::string& path);
// The file name without its extension.
std::string StemOf(const std::string& path);
// `name` in `folder`: a backslash between them unless the folder is empty or
// already ends with a separator.
std::string InFolder(const std::string& folder, const std::string& name);

}  // namespace molvane
