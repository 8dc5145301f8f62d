// Writing an image under a name in any script, through the image files' code, which takes ANSI names.
#pragma once

#include <string>

#include "host/bmp.h"

namespace molvane::viewer {

// As host::WriteImageFile. A name outside the ANSI code page (new or
// existing: writing to its short name would rename the file) is written
// under a temporary name of its folder, then moved over the name whole.
bool WriteImageFileAnywhere(const std::wstring& path, const host::Bitmap24& image, std::string& error,
                            int jpegQuality);

}  // namespace molvane::viewer
