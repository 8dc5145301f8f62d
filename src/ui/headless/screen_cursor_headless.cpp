// The screen cursor of the headless backend: a state tests can read.
#include "ui/screen_cursor.h"

namespace molvane {
namespace {
ScreenCursor current = ScreenCursor::Default;
}

void SetScreenCursor(ScreenCursor cursor) { current = cursor; }
ScreenCursor CurrentScreenCursor() { return current; }
void LoadScreenCursors() {}

}  // namespace molvane
