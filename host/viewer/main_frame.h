// The viewer's main window: one child window per image, menus, status bar, files and the plug-in's tools.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/viewer/before_after.h"
#include "host/viewer/full_screen.h"
#include "host/viewer/help_window.h"
#include "host/viewer/image_view.h"
#include "host/viewer/plugin_session.h"
#include "host/viewer/recent_files.h"
#include "host/viewer/toolbar.h"
#include "host/viewer/viewer_settings.h"

namespace molvane::viewer {

// The menu commands, which tests send as the menu would.
enum Command : UINT {
  kOpen = 100,
  kSave,
  kSaveAs,
  kClose,
  kQuit,
  kFirstJpegQuality = 150,  // + index in kJpegQualities
  kUndo = 200,
  kRedo,
  kCopy,
  kPaste,
  kZoomFit = 300,
  kZoom100,
  kZoomIn,
  kZoomOut,
  kAbout = 400,
  kNextImage = 500,  // in the folder's order
  kPreviousImage,
  kFullScreen,
  kLeaveFullScreen,  // Échap: out of full screen, else the selection dropped
  kShowToolbar,
  kFirstRecentFile = 520,  // + index in the list, below RecentFiles::kMaximum
  kCascade = 540,
  kTile,
  kCloseAll,
  kCrop = 600,
  kSelectAll,
  kSelectNone,
  kRotateLeft = 650,  // Image: turns and mirrors
  kRotateRight,
  kRotateHalf,
  kMirrorLeftRight,
  kMirrorTopBottom,
  kHelp = 700,
  kFirstTool = 1000,  // + the tool's number, 1..8
};
constexpr int kJpegQualities[] = {50, 75, 90, 95, 100};

// molvane_viewer [--plugin FILE.dll] [IMAGE...]
struct ViewerOptions {
  std::string plugin;  // empty: Molvane.dll beside the program
  std::vector<std::string> files;
  size_t historyBytes = 0;  // what every image's undo steps may hold together; 0: a share of the address space
  std::string settingsKey = ViewerSettings::kDefaultKey;  // under HKEY_CURRENT_USER
};
bool ParseViewerArguments(int argc, char** argv, ViewerOptions& options, std::string& error);

class MainFrame : private ViewEvents, private SessionEvents {
 public:
  static constexpr char kClassName[] = "MolvaneViewer";
  // Shows the window, loads the plug-in (a message box says why when it
  // cannot) and opens the files given (a message box for each that fails).
  static std::unique_ptr<MainFrame> Create(const ViewerOptions& options);
  ~MainFrame();
  MainFrame(const MainFrame&) = delete;
  MainFrame& operator=(const MainFrame&) = delete;

  HWND Window() const { return window_; }
  HWND StatusBar() const { return status_; }
  std::string StatusText(int part) const;
  // The image windows, oldest first, and the one in front.
  const std::vector<ImageView*>& Views() const { return views_; }
  ImageView* ActiveView() const;
  PluginSession& Session() { return session_; }
  // Why the plug-in's menu is absent; empty when it is there.
  const std::string& PluginProblem() const { return pluginProblem_; }

  // A new window for the file; false after a message box saying why.
  bool Open(const std::string& path);
  // Writes the image to `path` in the format of its extension; false after a
  // message box saying why (the image and its window stay as they were). The
  // file is written on a worker thread: the windows keep painting meanwhile,
  // with a busy cursor over the image, a word in the status bar, and what
  // would change or close the image greyed.
  bool SaveAs(ImageView& view, const std::string& path);
  bool SaveAs(ImageView& view, const std::wstring& path);
  int JpegQuality() const { return jpegQuality_; }
  const UndoBudget& History() const { return history_; }
  HelpWindow& Help() { return help_; }
  const RecentFiles& Recent() const { return recent_; }
  bool IsFullScreen() const { return fullScreen_.Active(); }
  const Toolbar& Tools() const { return toolbar_; }

  // The message loop, until the window is closed: its result is the exit code.
  int Run();

 private:
  explicit MainFrame(const ViewerOptions& options);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Build(const ViewerOptions& options);
  HMENU BuildMenu();
  void OnCommand(UINT command);
  void EnableMenus(HMENU menu);
  void Layout();
  bool MayQuit();
  void ChooseAndOpen();
  void OpenRecent(size_t index);
  void Remember(const std::string& path);
  // The active window shows the next (`step` 1) or previous (-1) image of its folder.
  void Browse(int step);
  void ToggleFullScreen();
  void ShowToolbar(bool shown);
  // The toolbar's buttons greyed as the menu's items are now.
  void UpdateToolbar();
  bool Save(ImageView& view);
  bool ChooseAndSave(ImageView& view);
  void ShowAbout();
  void CopyToClipboard(ImageView& view);
  void Turn(ImageView& view, UINT command);
  void PasteFromClipboard();
  void ShowError(const std::string& text) { ShowMessage(text, MB_ICONERROR); }
  // In a box over the tool's dialog if one shows, over the frame otherwise.
  void ShowMessage(const std::string& text, UINT icon);
  ImageView* ViewOf(const ImageDocument& document) const;
  void ShowStatus(ImageView* view, bool inImage, POINT pixel);
  void ShowHint();
  void ShowHintText(const std::string& text);
  // The selection's part of the status bar, present while there is one.
  void ShowSelection(ImageView* view);
  // The before / after key or button pressed or released on `window`.
  void CompareHeld(HWND window, bool held);
  // A picking tool's dialog moved off the picture (or the selection) it works on.
  void PlaceToolWindow(ImageView& view);
  // The plug-in's dialog on screen, or null.
  HWND ToolWindow() const;
  // A run whose dialog closed without a final callback ends.
  void WatchToolWindows();

  // ViewEvents
  bool ViewClicked(ImageView& view, bool inImage, POINT pixel) override;
  void SelectionChanged(ImageView& view) override;
  void PointerMoved(ImageView& view, bool inImage, POINT pixel) override;
  HCURSOR CursorFor(ImageView& view) override;
  bool MayClose(ImageView& view) override;
  void ViewDestroyed(ImageView& view) override;
  // SessionEvents
  void PixelsChanged(ImageDocument& document) override;
  void ImageDelivered(const host::Bitmap24& image, const std::string& name) override;
  void StateChanged() override;

  HWND window_ = nullptr;
  HWND client_ = nullptr;
  HWND status_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HMENU recentMenu_ = nullptr;
  HMENU windowMenu_ = nullptr;
  PluginSession session_;
  ViewerSettings settings_;
  RecentFiles recent_;
  FullScreen fullScreen_;
  Toolbar toolbar_;
  UndoBudget history_;
  HelpWindow help_;
  // Said in the status bar once steps were dropped, until the next tool opens.
  std::string historyNotice_;
  std::string pluginProblem_;
  std::vector<ImageView*> views_;
  int jpegQuality_ = 90;
  // The image whose file is being written, or null.
  const ImageDocument* saving_ = nullptr;
  std::string savingName_;  // the file being written
  int pastedImages_ = 0;
  bool running_ = false;
  std::unique_ptr<BeforeAfterKeys> beforeAfterKeys_;
  ImageView* showingBefore_ = nullptr;
};

}  // namespace molvane::viewer
