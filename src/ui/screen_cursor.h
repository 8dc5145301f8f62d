// The screen cursor, shown as the hourglass over full-image computations.
#pragma once

namespace molvane {

enum class ScreenCursor { Default, Hourglass };

// Implemented by the backend: the real cursor, or a recorded state in tests.
void SetScreenCursor(ScreenCursor cursor);
ScreenCursor CurrentScreenCursor();
// Loads the cursors once, ahead of the first computation: under Wine the
// hourglass's first load takes milliseconds, which the first press of a
// computing button would otherwise wait for.
void LoadScreenCursors();

// The hourglass for the lifetime of the scope; the default cursor comes back
// also when the computation stops on an error.
class HourglassScope {
 public:
  HourglassScope() { SetScreenCursor(ScreenCursor::Hourglass); }
  ~HourglassScope() { SetScreenCursor(ScreenCursor::Default); }
  HourglassScope(const HourglassScope&) = delete;
  HourglassScope& operator=(const HourglassScope&) = delete;
};

}  // namespace molvane
