// The screen cursor of the Win32 backend.
#include <windows.h>

#include "ui/screen_cursor.h"

namespace molvane {
namespace {
ScreenCursor current = ScreenCursor::Default;

HCURSOR Loaded(ScreenCursor cursor) {
  return ::LoadCursorA(nullptr, cursor == ScreenCursor::Hourglass ? IDC_WAIT : IDC_ARROW);
}
}  // namespace

void SetScreenCursor(ScreenCursor cursor) {
  current = cursor;
  ::SetCursor(Loaded(cursor));
}

// The system's cursors are shared: loaded once, they stay for the process.
void LoadScreenCursors() {
  Loaded(ScreenCursor::Hourglass);
  Loaded(ScreenCursor::Default);
}

ScreenCursor CurrentScreenCursor() { return current; }

}  // namespace molvane
