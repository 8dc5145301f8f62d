// Driving real dialogs as a user does: finding windows, clicks, keys, typing, boxes, screenshots.
//
// Every control is found the way a user sees it: its window class and its
// caption, or its class and its place in the dialog. Every action is the
// message a click, a key or a choice would produce. user32 and gdi32 are
// loaded on first use, never imported: a host program must create the shared
// allocator record before either is loaded.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/bmp.h"

namespace molvane::host {

// False (with the reason) when user32 or gdi32 cannot be loaded or lacks a
// function the driver uses. Every other call of this file needs it true.
bool WindowFunctionsAvailable(std::string* error = nullptr);

// --- finding windows -------------------------------------------------------------

// The system's class names of the controls the driver knows.
constexpr char kTrackBarClass[] = "msctls_trackbar32";
constexpr char kSystemDialogClass[] = "#32770";

std::string TextOf(HWND window);
std::string ClassOf(HWND window);

// The visible top-level window of this thread with exactly this caption, or null.
HWND FindDialog(const std::string& caption);
// The visible system dialog of this thread (class "#32770": a message box or
// a common dialog), with this caption unless `caption` is null; or null.
HWND FindSystemDialog(const char* caption = nullptr);
// Every visible top-level window of this thread.
std::vector<HWND> ThreadWindows();

// A visible descendant of `dialog` of this class (case-insensitive) whose text
// is `caption`; null when there is none.
HWND FindChild(HWND dialog, const char* windowClass, const std::string& caption);
// A visible descendant of this class whose top-left corner is at (x, y) in
// the dialog's client area.
HWND ChildAt(HWND dialog, const char* windowClass, int x, int y);
// Every visible descendant of that class, in the order the system lists them.
std::vector<HWND> ChildrenOfClass(HWND dialog, const char* windowClass);
// A window's rectangle in the client area of `dialog`.
RECT PlaceIn(HWND dialog, HWND window);

// --- a user's actions -------------------------------------------------------------

// A click on a button, check box or radio button: BM_CLICK, sent (the click
// is handled when this returns) or posted (handled by the dialog's loop; for
// a click that opens a box or closes the dialog).
void Click(HWND button);
void PostClick(HWND button);
bool IsChecked(HWND button);
// Whether a user can use the control (false for a null handle).
bool IsEnabled(HWND window);

// Moves a track bar to `target` as a user's keys do: focus, then Home, End,
// Page Up/Down and arrow keys (WM_KEYDOWN and WM_KEYUP); the bar notifies its
// parent at each key. False when the keys cannot reach the target.
bool MoveTrackBar(HWND bar, int target);
int TrackBarPosition(HWND bar);
// Presses and releases the left button on the track bar's thumb, as a drag
// ends: the bar's mouse-up, with the position left where it was. False when
// the bar shows no thumb.
bool ReleaseOnThumb(HWND bar);

// Chooses a list entry as a user does: the selection moves, the parent is told
// with CBN_SELCHANGE. False when no entry has exactly this text.
bool PickComboItem(HWND combo, const std::string& item);
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);

// Replaces an edit's text as typing over a selection does (EN_CHANGE follows).
void TypeInto(HWND edit, const std::string& text);
// Types characters one WM_CHAR each into the focused control `window`.
void TypeCharacters(HWND window, const std::string& text);
// Presses and releases a key in `window`.
void PressKey(HWND window, UINT key);

// Dispatches what this thread's message queue holds, as a host's message
// loop does between a non-modal dialog's events (painting, posted clicks).
void PumpMessages();

// The host's own main window, shown while it lives, as an imaging
// application's is before any plug-in dialog opens.
class HostWindow {
 public:
  explicit HostWindow(const char* title);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

 private:
  HWND window_;
};

// A string grid of our own class: cells of `cellWidth` x `cellHeight` with a
// one-pixel line between them. Clicks cell (col, row), which opens its
// editor, then types each text into the cell editor and moves on with Tab
// (reading order). False when no editor opens.
struct GridCells {
  int cellWidth;
  int cellHeight;
};
bool TypeInGrid(HWND grid, GridCells geometry, int col, int row, const std::vector<std::string>& texts);
// The grid's in-place editor, when it is open (visible).
HWND GridEditor(HWND grid);

// --- the system's boxes and dialogs ---------------------------------------------------

// Whether a system dialog is a message box (it has the static control 0xFFFF
// holding the text), and that text.
bool IsMessageBox(HWND dialog);
std::string MessageBoxText(HWND box);
// The visible open or save dialog of this thread: a system dialog that is no
// message box; null when there is none.
HWND FindFileDialog();
// Presses the box's or dialog's OK (IDOK) or Cancel (IDCANCEL) button, posted.
void PressOk(HWND dialog);
void PressCancel(HWND dialog);
// Types a file name (a full path is best) into an open or save dialog's name
// field and presses its OK button. False when the dialog has no name field.
bool AnswerFileDialog(HWND dialog, const std::string& path);

// --- seeing what the screen shows --------------------------------------------------------

// What the screen shows of these windows, frames included, over the union of
// their rectangles: each window's pixels once it has painted, later windows
// over earlier ones (a box after its dialog shows as a user sees it).
bool CaptureScreen(const std::vector<HWND>& windows, Bitmap24& image);
bool SaveScreenshot(const std::vector<HWND>& windows, const std::string& path, std::string& error);

// --- scripts: a user's steps while a modal dialog runs ------------------------------------

// Steps run one per tick of a thread timer, which the dialog's own message
// loop dispatches (and the loop of any box a step opens, so the next step can
// answer that box). A step returns false to be tried again at the next tick,
// for instance while the window it wants has not appeared yet. A step that
// waits too long, or a dialog still open after the last step, is a failure:
// the script then closes whatever its thread still shows, so a failing run
// never waits for a user.
class DialogScript {
 public:
  using Step = std::function<bool()>;

  explicit DialogScript(int tickMs = 20, int patienceMs = 10000)
      : tickMs_(tickMs), patienceMs_(patienceMs) {}

  // A step that may wait; `what` names it in failures.
  DialogScript& Then(const std::string& what, Step step);
  // A step that never waits.
  DialogScript& Do(const std::string& what, std::function<void()> step);
  // Waits for a visible dialog with this caption (any window class).
  DialogScript& WaitFor(const std::string& caption);
  // Waits for a system dialog (message box or file dialog), then runs `answer` on it.
  DialogScript& OnSystemDialog(const std::string& what, std::function<void(HWND)> answer);
  // Runs at every tick before the step due, whatever the steps wait for:
  // for what may happen at any moment, such as a message box to answer.
  DialogScript& EveryTick(std::function<void()> watch);

  // Runs `call`, which shows the modal dialog and returns once it has
  // closed, while the steps run. False when a step failed or timed out.
  bool Run(const std::function<void()>& call);

  // From inside a step: the script failed; the rest is skipped and the
  // windows are closed.
  void Fail(const std::string& why);
  const std::vector<std::string>& Failures() const { return failures_; }
  std::string FailureText() const;
  // Steps that ran to the end.
  size_t StepsDone() const { return done_; }
  size_t StepCount() const { return steps_.size(); }

 private:
  struct Entry {
    std::string what;
    Step step;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();
  void Rescue();

  int tickMs_;
  int patienceMs_;
  std::vector<Entry> steps_;
  std::function<void()> watch_;
  size_t next_ = 0;
  size_t done_ = 0;
  DWORD waitingSince_ = 0;
  bool rescuing_ = false;
  bool callReturned_ = false;
  std::vector<std::string> failures_;
};

}  // namespace molvane::host
