// An image file written on a worker thread while the viewer's windows keep answering.
#pragma once

#include <string>

#include "host/bmp.h"

namespace molvane::viewer {

// WriteImageFileAnywhere (a name in any script) on a thread of its own; until it ends, the calling
// thread's messages are dispatched (painting, the mouse, scroll bars, the
// plug-in's dialogs), so that no window freezes while a large file is
// written. Keyboard accelerators are not translated meanwhile: the caller
// greys what must wait. A WM_QUIT met on the way is posted again once the
// file is written. `image` must stay alive and unchanged until the return.
bool WriteImageFileWhileResponsive(const host::Bitmap24& image, const std::wstring& path, int jpegQuality,
                                   std::string& error);

}  // namespace molvane::viewer
