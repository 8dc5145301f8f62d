// The screen cursor of the Win32 backend.
#include <windows.h>

#include "ui/screen_cursor.h"

namespace molvane {
namespace {
ScreenCursor current = ScreenCursor::Default;
}

void SetScreenCursor(ScreenCursor cursor) {
  current = cursor;
  ::SetCursor(::LoadCursorA(nullptr, cursor == ScreenCursor::Hourglass ? IDC_WAIT : IDC_ARROW));
}

ScreenCursor CurrentScreenCursor() { return current; }

}  // namespace molvane
