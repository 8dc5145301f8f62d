// The viewer's main window.
#include "host/viewer/main_frame.h"

#include <commctrl.h>
#include <windowsx.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "host/image_files.h"
#include "host/shared_record.h"
#include "host/tool_list.h"
#include "host/viewer/background_write.h"
#include "host/viewer/clipboard.h"
#include "host/viewer/dialog_placement.h"
#include "host/viewer/file_dialogs.h"
#include "host/viewer/help_pages.h"
#include "host/viewer/orientation.h"
#include "host/viewer/folder_browsing.h"
#include "host/viewer/question_box.h"
#include "host/viewer/wide_save.h"
#include "host/viewer/window_menu.h"
#include "host/wide_names.h"
#include "platform/path_names.h"

namespace molvane::viewer {
namespace {

const char kTitle[] = "Molvane — visionneuse d'images";
const char kToolbarSetting[] = "Barre d'outils";
constexpr UINT_PTR kDialogWatch = 1;
constexpr UINT kFirstChildId = 5000;
enum StatusPart { kSizePart, kZoomPart, kPixelPart, kHintPart, kSelectionPart };
constexpr int kSelectionPartWidth = 180;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<const char*>(&ThisModule), &module);
  return module;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return FolderOf(std::string(path, length));
}

std::string Quoted(const std::string& name) { return "« " + name + " »"; }

// The letter without its accent, in capitals: É and é are reached by E.
char PlainLetter(char c) {
  static const char kAccented[] = "ÀÂÄÇÉÈÊËÎÏÔÖÙÛÜàâäçéèêëîïôöùûü";
  static const char kPlain[] = "AAACEEEEIIOOUUUAAACEEEEIIOOUUU";
  if (const char* found = std::strchr(kAccented, c); found && c) c = kPlain[found - kAccented];
  return char(std::toupper(static_cast<unsigned char>(c)));
}

// The caption with "&" before its first letter whose plain form `used` does
// not hold yet (a word's first letter preferred); that letter joins `used`.
std::string WithMnemonic(const std::string& caption, std::string& used) {
  for (bool wordStartsOnly : {true, false}) {
    for (size_t i = 0; i < caption.size(); ++i) {
      const char plain = PlainLetter(caption[i]);
      if (plain < 'A' || plain > 'Z' || (wordStartsOnly && i > 0 && caption[i - 1] != ' ')) continue;
      if (used.find(plain) != std::string::npos) continue;
      used += plain;
      return caption.substr(0, i) + "&" + caption.substr(i);
    }
  }
  return caption;
}

void Append(HMENU menu, UINT id, const char* text) { AppendMenuA(menu, MF_STRING, id, text); }

void Enable(HMENU menu, UINT id, bool enabled) {
  EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadTopWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void PaintWorkspaceHint(HWND client) {
  static const char kHint[] = "Ouvrez une image : Fichier > Ouvrir (Ctrl+O),\nou déposez un fichier ici.";
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(client, &paint);
  NONCLIENTMETRICSA system;
  system.cbSize = sizeof system;
  HFONT font = nullptr;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0)) {
    system.lfMessageFont.lfHeight = system.lfMessageFont.lfHeight * 5 / 4;
    font = CreateFontIndirectA(&system.lfMessageFont);
  }
  HGDIOBJ previous = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  // Dark text on a light workspace, light on a dark one.
  const COLORREF back = GetSysColor(COLOR_APPWORKSPACE);
  const bool light = GetRValue(back) * 299 + GetGValue(back) * 587 + GetBValue(back) * 114 > 140000;
  SetTextColor(dc, light ? RGB(64, 64, 64) : RGB(236, 236, 236));
  SetBkMode(dc, TRANSPARENT);
  RECT area, text{0, 0, 0, 0};
  GetClientRect(client, &area);
  DrawTextA(dc, kHint, -1, &text, DT_CALCRECT | DT_CENTER | DT_NOPREFIX);
  OffsetRect(&text, (area.right - text.right) / 2, (area.bottom - text.bottom) / 2);
  DrawTextA(dc, kHint, -1, &text, DT_CENTER | DT_NOPREFIX);
  SelectObject(dc, previous);
  if (font) DeleteObject(font);
  EndPaint(client, &paint);
}

// The workspace without any image window says how to begin.
LRESULT CALLBACK Workspace(HWND client, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  const bool empty = GetWindow(client, GW_CHILD) == nullptr;
  switch (message) {
    case WM_PAINT:
      if (!empty) break;
      PaintWorkspaceHint(client);
      return 0;
    case WM_SIZE:
      if (empty) InvalidateRect(client, nullptr, TRUE);
      break;
    case WM_MDICREATE:
    case WM_MDIDESTROY: {
      const LRESULT result = DefSubclassProc(client, message, wParam, lParam);
      InvalidateRect(client, nullptr, TRUE);
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(client, message, wParam, lParam);
}

// The item of `menu` whose mnemonic is `key` once accents are set aside, or
// -1: a keyboard without É still reaches "&Édition".
int MenuItemForKey(HMENU menu, char key) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
    const char* amp = std::strchr(text, '&');
    if (amp && amp[1] && amp[1] != '&' && PlainLetter(amp[1]) == PlainLetter(key)) return i;
  }
  return -1;
}

}  // namespace

constexpr char MainFrame::kClassName[];

bool ParseViewerArguments(int argc, char** argv, ViewerOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin") {
      if (i + 1 >= argc) {
        error = "--plugin attend le chemin d'un module (.dll).";
        return false;
      }
      options.plugin = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      error = "Option inconnue : " + arg + "\nUsage : molvane_viewer [--plugin MODULE.dll] [IMAGE...]";
      return false;
    } else {
      options.files.push_back(arg);
    }
  }
  return true;
}

// A quarter of the address space the process has (2 GB) and of the memory
// the machine has, within bounds: room is left for the images themselves and
// for a tool's work copies.
size_t DefaultHistoryBytes() {
  constexpr uint64_t kMiB = 1024 * 1024;
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  uint64_t share = 512 * kMiB;
  if (GlobalMemoryStatusEx(&memory)) share = std::min(memory.ullTotalVirtual, memory.ullTotalPhys) / 4;
  return size_t(std::clamp<uint64_t>(share, 256 * kMiB, 1024 * kMiB));
}

MainFrame::MainFrame(const ViewerOptions& options)
    : session_(static_cast<SessionEvents&>(*this)),
      history_(options.historyBytes ? options.historyBytes : DefaultHistoryBytes()),
      settings_(options.settingsKey),
      recent_(settings_) {}

std::unique_ptr<MainFrame> MainFrame::Create(const ViewerOptions& options) {
  std::unique_ptr<MainFrame> frame(new MainFrame(options));
  if (!frame->Build(options)) return nullptr;
  return frame;
}

bool MainFrame::Build(const ViewerOptions& options) {
  const HINSTANCE instance = ThisModule();
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &MainFrame::Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  // What shows through the toolbar, whose flat buttons are transparent; the workspace paints its own.
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassExA(&windowClass);
  ImageView::RegisterClass(instance);

  const std::string plugin = options.plugin.empty() ? ProgramFolder() + "Molvane.dll" : options.plugin;
  if (!session_.Load(plugin, pluginProblem_)) pluginProblem_ += "\n\nLe menu « Divers » et ses outils sont absents ; "
                                                                "les images s'ouvrent et s'enregistrent normalement.";
  window_ = CreateWindowExA(WS_EX_ACCEPTFILES, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, 1000, 720, nullptr, BuildMenu(), instance, this);
  if (!window_) return false;
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'O', kOpen},       {FCONTROL | FVIRTKEY, 'S', kSave},
                  {FCONTROL | FVIRTKEY, 'W', kClose},      {FCONTROL | FVIRTKEY, 'Z', kUndo},
                  {FCONTROL | FVIRTKEY, 'Y', kRedo},       {FCONTROL | FVIRTKEY, 'C', kCopy},
                  {FCONTROL | FVIRTKEY, 'V', kPaste},      {FCONTROL | FVIRTKEY, '0', kZoomFit},
                  {FCONTROL | FVIRTKEY, '1', kZoom100},    {FCONTROL | FVIRTKEY, VK_ADD, kZoomIn},
                  {FCONTROL | FVIRTKEY, VK_OEM_PLUS, kZoomIn}, {FCONTROL | FSHIFT | FVIRTKEY, VK_OEM_PLUS, kZoomIn},
                  {FCONTROL | FVIRTKEY, VK_SUBTRACT, kZoomOut},
                  {FCONTROL | FVIRTKEY, VK_OEM_MINUS, kZoomOut}, {FVIRTKEY, VK_F1, kHelp},
                  {FVIRTKEY, VK_NEXT, kNextImage},         {FVIRTKEY, VK_SPACE, kNextImage},
                  {FVIRTKEY, VK_PRIOR, kPreviousImage},    {FVIRTKEY, VK_BACK, kPreviousImage},
                  {FVIRTKEY, VK_F11, kFullScreen},         {FVIRTKEY, VK_ESCAPE, kLeaveFullScreen},
                  {FCONTROL | FVIRTKEY, 'A', kSelectAll},  {FCONTROL | FSHIFT | FVIRTKEY, 'S', kSaveAs}};
  accelerators_ = CreateAcceleratorTableA(keys, int(sizeof keys / sizeof keys[0]));
  SetTimer(window_, kDialogWatch, 250, nullptr);
  beforeAfterKeys_ = std::make_unique<BeforeAfterKeys>([this](HWND window, bool held) { CompareHeld(window, held); });
  if (!pluginProblem_.empty()) MessageBoxA(window_, pluginProblem_.c_str(), kTitle, MB_OK | MB_ICONWARNING);
  for (const std::string& file : options.files) Open(file);
  ShowHint();
  return true;
}

MainFrame::~MainFrame() {
  beforeAfterKeys_.reset();
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (window_) {
    // Closing for good: windows go without questions.
    for (ImageView* view : std::vector<ImageView*>(views_)) SendMessageA(client_, WM_MDIDESTROY, WPARAM(view->Window()), 0);
    DestroyWindow(window_);
  }
}

HMENU MainFrame::BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  Append(file, kOpen, "&Ouvrir…\tCtrl+O");
  recentMenu_ = CreatePopupMenu();
  recent_.FillMenu(recentMenu_, kFirstRecentFile);
  AppendMenuA(file, MF_POPUP, UINT_PTR(recentMenu_), "Fichiers &récents");
  Append(file, kNextImage, "Image su&ivante du dossier\tEspace");
  Append(file, kPreviousImage, "Image &précédente du dossier\tRetour arrière");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  Append(file, kSave, "&Enregistrer\tCtrl+S");
  Append(file, kSaveAs, "Enregistrer &sous…\tCtrl+Maj+S");
  HMENU quality = CreatePopupMenu();
  for (size_t i = 0; i < sizeof kJpegQualities / sizeof kJpegQualities[0]; ++i)
    Append(quality, UINT(kFirstJpegQuality + i), (std::to_string(kJpegQualities[i]) + " %").c_str());
  AppendMenuA(file, MF_POPUP, UINT_PTR(quality), "Qualité &JPEG");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  Append(file, kClose, "&Fermer\tCtrl+W");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  Append(file, kQuit, "&Quitter");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(file), "&Fichier");

  HMENU edit = CreatePopupMenu();
  Append(edit, kUndo, "&Annuler\tCtrl+Z");
  Append(edit, kRedo, "&Rétablir\tCtrl+Y");
  AppendMenuA(edit, MF_SEPARATOR, 0, nullptr);
  Append(edit, kCopy, "&Copier\tCtrl+C");
  Append(edit, kPaste, "C&oller comme nouvelle image\tCtrl+V");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(edit), "&Édition");

  HMENU view = CreatePopupMenu();
  Append(view, kZoomFit, "&Ajuster à la fenêtre\tCtrl+0");
  Append(view, kZoom100, "&Taille réelle (100 %)\tCtrl+1");
  Append(view, kZoomIn, "Zoom a&vant\tCtrl++");
  Append(view, kZoomOut, "Zoom a&rrière\tCtrl+-");
  AppendMenuA(view, MF_SEPARATOR, 0, nullptr);
  Append(view, kFullScreen, "&Plein écran\tF11");
  Append(view, kShowToolbar, "&Barre d'outils");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(view), "&Affichage");

  HMENU image = CreatePopupMenu();
  Append(image, kRotateLeft, "Rotation 90° à &gauche");
  Append(image, kRotateRight, "Rotation 90° à &droite");
  Append(image, kRotateHalf, "Rotation &180°");
  AppendMenuA(image, MF_SEPARATOR, 0, nullptr);
  Append(image, kMirrorLeftRight, "Miroir &horizontal");
  Append(image, kMirrorTopBottom, "Miroir &vertical");
  AppendMenuA(image, MF_SEPARATOR, 0, nullptr);
  Append(image, kCrop, "&Recadrer sur la sélection");
  AppendMenuA(image, MF_SEPARATOR, 0, nullptr);
  Append(image, kSelectAll, "Tout &sélectionner\tCtrl+A");
  Append(image, kSelectNone, "Désé&lectionner\tÉchap");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(image), "&Image");

  if (session_.Loaded()) {
    // The plug-in names its menu and items; the keys to reach them are ours.
    HMENU tools = CreatePopupMenu();
    std::string usedInItems;
    for (size_t i = 0; i < session_.ItemCaptions().size(); ++i) {
      const int32_t tool = int32_t(i + 1);
      const host::HostTool* known = host::FindHostTool(tool);
      const std::string ellipsis = known && known->kind == host::ToolKind::kAppliedAtOnce ? "" : "…";
      Append(tools, UINT(kFirstTool + tool), (WithMnemonic(session_.ItemCaptions()[i], usedInItems) + ellipsis).c_str());
    }
    std::string usedInBar = "FEAIN";  // Fichier, Édition, Affichage, Image, Fenêtre
    AppendMenuA(bar, MF_POPUP, UINT_PTR(tools), WithMnemonic(session_.MenuCaption(), usedInBar).c_str());
  }
  windowMenu_ = BuildWindowMenu();
  AppendMenuA(bar, MF_POPUP, UINT_PTR(windowMenu_), "Fe&nêtre");
  HMENU help = CreatePopupMenu();
  Append(help, kHelp, "&Aide\tF1");
  Append(help, kAbout, "À &propos…");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(help), "&?");
  return bar;
}

LRESULT CALLBACK MainFrame::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* frame = reinterpret_cast<MainFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    frame = static_cast<MainFrame*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    frame->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  if (!frame) return DefWindowProcA(window, message, wParam, lParam);
  try {
    return frame->Handle(message, wParam, lParam);
  } catch (const std::exception& e) {
    frame->ShowError(std::string("Erreur inattendue : ") + e.what());
  } catch (...) {
    frame->ShowError("Erreur inattendue.");
  }
  return 0;
}

LRESULT MainFrame::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      CLIENTCREATESTRUCT client{windowMenu_, kFirstChildId};
      // Wide, as its image windows: their titles and its window list show names in any script.
      client_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0, 0, 0, window_,
                                nullptr, ThisModule(), &client);
      SetWindowSubclass(client_, &Workspace, 0, 0);
      toolbar_.Create(window_, settings_.ReadFlag(kToolbarSetting, true));
      status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window_,
                                nullptr, ThisModule(), nullptr);
      const int parts[] = {150, 260, 500, -1};
      SendMessageA(status_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
      return 0;
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) {
        const UINT command = LOWORD(wParam);
        if (command < kFirstChildId) {
          OnCommand(command);
          UpdateToolbar();
          return 0;
        }
      }
      break;
    case WM_NOTIFY:
      if (toolbar_.Notify(lParam)) return 0;
      break;
    case WM_MENUCHAR:
      if (const int position = MenuItemForKey(reinterpret_cast<HMENU>(lParam), char(LOWORD(wParam))); position >= 0)
        return MAKELRESULT(position, MNC_EXECUTE);
      break;
    case WM_HELP:
      // F1 in a tool's dialog, which the system hands on to the dialog's owner.
      OnCommand(kHelp);
      return TRUE;
    case WM_INITMENUPOPUP:
      EnableMenus(GetMenu(window_));
      break;
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      std::vector<std::string> files;
      for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH] = {};
        if (DragQueryFileW(drop, i, path, MAX_PATH)) files.push_back(host::AnsiPathOf(path));
      }
      DragFinish(drop);
      for (const std::string& file : files) Open(file);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kDialogWatch) {
        WatchToolWindows();
        UpdateToolbar();
      }
      return 0;
    case WM_ACTIVATE:
      // A tool's dialog that closes gives the activation back to us: its run may have ended.
      WatchToolWindows();
      break;
    case WM_CLOSE:
      if (MayQuit()) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      KillTimer(window_, kDialogWatch);
      if (running_) PostQuitMessage(0);
      break;
    case WM_NCDESTROY:
      window_ = nullptr;
      break;
    default:
      break;
  }
  return DefFrameProcA(window_, client_, message, wParam, lParam);
}

void MainFrame::Layout() {
  RECT area{0, 0, 0, 0};
  GetClientRect(window_, &area);
  SendMessageA(status_, WM_SIZE, 0, 0);
  ShowSelection(ActiveView());
  // Its size grip comes and goes with maximising: nothing of the old one may stay.
  InvalidateRect(status_, nullptr, TRUE);
  RECT status{0, 0, 0, 0};
  GetWindowRect(status_, &status);
  SendMessageA(toolbar_.Window(), TB_AUTOSIZE, 0, 0);
  const int top = toolbar_.Height();
  MoveWindow(client_, 0, top, area.right, area.bottom - top - (status.bottom - status.top), TRUE);
}

ImageView* MainFrame::ActiveView() const {
  return ImageView::From(reinterpret_cast<HWND>(SendMessageA(client_, WM_MDIGETACTIVE, 0, 0)));
}

ImageView* MainFrame::ViewOf(const ImageDocument& document) const {
  for (ImageView* view : views_)
    if (&view->Document() == &document) return view;
  return nullptr;
}

void MainFrame::EnableMenus(HMENU menu) {
  ImageView* view = ActiveView();
  const bool busy = view && session_.Target() == &view->Document();
  // While a file is written, nothing may change the image it holds or close it.
  const bool saving = view && saving_ == &view->Document();
  for (UINT id : {kZoomFit, kZoom100, kZoomIn, kZoomOut, kCascade, kTile}) Enable(menu, id, view != nullptr);
  for (UINT id : {kSave, kSaveAs, kClose}) Enable(menu, id, view && !saving);
  Enable(menu, kCloseAll, view && !saving_);
  for (UINT id : {kNextImage, kPreviousImage})
    Enable(menu, id, view && !busy && !saving && !view->Document().Path().empty());
  CheckMenuItem(menu, kFullScreen, MF_BYCOMMAND | (fullScreen_.Active() ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, kShowToolbar, MF_BYCOMMAND | (toolbar_.Shown() ? MF_CHECKED : MF_UNCHECKED));
  Enable(menu, kUndo, view && !busy && !saving && view->Document().CanUndo());
  Enable(menu, kRedo, view && !busy && !saving && view->Document().CanRedo());
  Enable(menu, kCopy, view != nullptr);
  for (UINT id = kRotateLeft; id <= kMirrorTopBottom; ++id) Enable(menu, id, view && !busy && !saving);
  const bool selected = view && view->CurrentSelection().Active();
  Enable(menu, kCrop, selected && !busy && !saving);
  Enable(menu, kSelectAll, view && !busy);
  Enable(menu, kSelectNone, selected && !busy);
  for (size_t i = 1; i <= session_.ItemCaptions().size(); ++i)
    Enable(menu, UINT(kFirstTool + i), view && !session_.Busy() && !saving_);
  for (size_t i = 0; i < sizeof kJpegQualities / sizeof kJpegQualities[0]; ++i)
    CheckMenuItem(menu, UINT(kFirstJpegQuality + i),
                  MF_BYCOMMAND | (kJpegQualities[i] == jpegQuality_ ? MF_CHECKED : MF_UNCHECKED));
}

void MainFrame::OnCommand(UINT command) {
  ImageView* view = ActiveView();
  if (command == kOpen) return ChooseAndOpen();
  if (command == kQuit) return void(PostMessageA(window_, WM_CLOSE, 0, 0));
  if (command == kAbout) return ShowAbout();
  // The running tool's page, or the viewer's.
  if (command == kHelp) return help_.Show(window_, session_.Busy() ? HelpPageOfTool(session_.Tool()) : 0);
  if (command == kPaste) return PasteFromClipboard();
  if (command == kFullScreen) return ToggleFullScreen();
  // Échap leaves full screen first; otherwise it drops the selection.
  if (command == kLeaveFullScreen && fullScreen_.Active()) return fullScreen_.Leave(window_);
  if (command == kLeaveFullScreen) command = kSelectNone;
  if (command == kCloseAll) return void(MayQuit());
  if (command == kShowToolbar) return ShowToolbar(!toolbar_.Shown());
  if (ArrangeWindows(client_, command)) return;
  if (command >= kFirstRecentFile && command < kFirstRecentFile + RecentFiles::kMaximum)
    return OpenRecent(command - kFirstRecentFile);
  if (command >= kFirstJpegQuality && command < kFirstJpegQuality + sizeof kJpegQualities / sizeof kJpegQualities[0]) {
    jpegQuality_ = kJpegQualities[command - kFirstJpegQuality];
    return;
  }
  if (!view) return;
  const bool busy = session_.Target() == &view->Document();
  // Keys reach here during a write too: what the menus grey waits for its end.
  if (saving_ && (saving_ == &view->Document() || command > kFirstTool) && command != kCopy &&
      command != kZoomFit && command != kZoom100 && command != kZoomIn && command != kZoomOut)
    return;
  switch (command) {
    case kSave: Save(*view); return;
    case kSaveAs: ChooseAndSave(*view); return;
    case kCopy: CopyToClipboard(*view); return;
    case kClose: SendMessageA(view->Window(), WM_CLOSE, 0, 0); return;
    case kCrop:
      if (busy || !view->CurrentSelection().Active()) return;
      try {
        view->Document().Crop(view->CurrentSelection().Rect());
      } catch (const std::bad_alloc&) {
        return ShowError("La mémoire manque pour recadrer " + Quoted(view->Document().Name()) +
                         " : l'image reste entière.");
      }
      view->Refresh();
      return;
    case kSelectAll:
    case kSelectNone:
      if (!busy) view->Select(command == kSelectAll ? PixelRect{0, 0, view->Document().Width(), view->Document().Height()}
                                                    : PixelRect{});
      return;
    case kUndo:
    case kRedo:
      if (!busy && (command == kUndo ? view->Document().Undo() : view->Document().Redo())) view->Refresh();
      return;
    case kRotateLeft:
    case kRotateRight:
    case kRotateHalf:
    case kMirrorLeftRight:
    case kMirrorTopBottom:
      if (!busy) Turn(*view, command);
      return;
    case kZoomFit: view->ZoomToFit(); return;
    case kZoom100: view->SetZoom(1); return;
    case kZoomIn: view->ZoomIn(); return;
    case kZoomOut: view->ZoomOut(); return;
    case kNextImage: Browse(1); return;
    case kPreviousImage: Browse(-1); return;
    default: break;
  }
  if (command > kFirstTool && command <= kFirstTool + session_.ItemCaptions().size() && !session_.Busy()) {
    historyNotice_.clear();
    const auto tool = int32_t(command - kFirstTool);
    try {
      session_.Run(tool, view->Document(), view->CurrentSelection().Rect());
    } catch (const std::bad_alloc&) {
      return ShowError("La mémoire manque pour ouvrir l'outil " + Quoted(session_.ItemCaptions()[size_t(tool - 1)]) +
                       " sur " + Quoted(view->Document().Name()) +
                       ".\n\nFermez d'autres images et essayez de nouveau : aucune image n'a été modifiée.");
    }
    WatchToolWindows();
    if (session_.Picking()) PlaceToolWindow(*view);
  }
}

bool MainFrame::Open(const std::string& path) {
  std::string error;
  try {
    if (std::unique_ptr<ImageDocument> document = ImageDocument::Read(path, history_, error)) {
      ImageView* view = ImageView::Create(client_, std::move(document), *this);
      if (view) {
        views_.push_back(view);
        ShowStatus(view, false, POINT{0, 0});
        ShowHint();  // a notice about another window's image no longer stands
        Remember(path);
        return true;
      }
      error = "La fenêtre de l'image n'a pas pu être créée.";
    }
  } catch (const std::bad_alloc&) {
    error = "La mémoire manque pour cette image.";
  }
  ShowError("Impossible d'ouvrir " + Quoted(FileNameOf(path)) + ".\n\n" + error);
  return false;
}

void MainFrame::ChooseAndOpen() {
  ImageView* view = ActiveView();
  for (const std::string& path : ChooseImagesToOpen(window_, view ? FolderOf(view->Document().Path()) : std::string()))
    Open(path);
}

void MainFrame::Remember(const std::string& path) {
  recent_.Add(path);
  recent_.FillMenu(recentMenu_, kFirstRecentFile);
}

void MainFrame::OpenRecent(size_t index) {
  if (index >= recent_.Paths().size()) return;
  const std::string path = recent_.Paths()[index];
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return void(Open(path));
  recent_.Remove(path);
  recent_.FillMenu(recentMenu_, kFirstRecentFile);
  ShowError(Quoted(path) + " n'existe plus : il est retiré des fichiers récents.");
}

void MainFrame::Browse(int step) {
  ImageView* view = ActiveView();
  if (!view || view->Document().Path().empty() || session_.Target() == &view->Document() ||
      saving_ == &view->Document())
    return;
  auto hint = [this](const std::string& text) {
    SendMessageA(status_, SB_SETTEXTA, kHintPart, reinterpret_cast<LPARAM>(text.c_str()));
  };
  // Unreadable files on the way are stepped over (and named), up to a full turn.
  std::string from = view->Document().Path(), skipped;
  bool wrapped = false, asked = false;
  for (size_t tries = 0;; ++tries) {
    const Neighbour next = NeighbourImage(from, step);
    wrapped = wrapped || next.wrapped;
    if (next.path.empty() || tries > next.count || next.path == view->Document().Path())
      return hint(skipped.empty() ? "Aucune autre image dans ce dossier." : "Aucune autre image lisible dans ce dossier.");
    if (!asked && !MayClose(*view)) return;
    asked = true;
    std::string error;
    try {
      if (std::unique_ptr<ImageDocument> document = ImageDocument::Read(next.path, history_, error)) {
        // A window going through a folder holds one place among the recent files.
        recent_.Remove(view->Document().Path());
        view->ShowDocument(std::move(document));
        Remember(next.path);
        const std::string place = std::to_string(next.index + 1) + " / " + std::to_string(next.count);
        std::string text = !wrapped     ? "Image " + place + " du dossier."
                           : step > 0 ? "Fin du dossier : retour à la première image (" + place + ")."
                                      : "Début du dossier : retour à la dernière image (" + place + ").";
        if (!skipped.empty()) text += " Illisible, passé : " + skipped + ".";
        return hint(text);
      }
    } catch (const std::bad_alloc&) {
    }
    skipped += (skipped.empty() ? "" : ", ") + Quoted(FileNameOf(next.path));
    from = next.path;
  }
}

void MainFrame::ShowToolbar(bool shown) {
  toolbar_.Show(shown);
  settings_.WriteFlag(kToolbarSetting, shown);
  Layout();
}

void MainFrame::UpdateToolbar() {
  if (!window_) return;
  HMENU bar = GetMenu(window_);
  EnableMenus(bar);
  toolbar_.Mirror(bar);
}

void MainFrame::ToggleFullScreen() {
  if (fullScreen_.Active()) fullScreen_.Leave(window_);
  else fullScreen_.Enter(window_);
}

namespace {

// The cursor changes at once, not at the next mouse move.
void RefreshCursor() {
  POINT at;
  GetCursorPos(&at);
  SetCursorPos(at.x, at.y);
}

}  // namespace

bool MainFrame::SaveAs(ImageView& view, const std::string& path) { return SaveAs(view, host::LongPathOf(path)); }

bool MainFrame::SaveAs(ImageView& view, const std::wstring& widePath) {
  if (saving_) return false;
  const std::string path = host::AnsiPathOf(widePath);
  std::string error;
  bool written = false;
  const uint64_t writtenState = view.Document().State();
  try {
    const host::Bitmap24 image = view.Document().Image();
    saving_ = &view.Document();
    savingName_ = FileNameOf(path);  // the document keeps its former name until written
    ShowHint();
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    written = WriteImageFileWhileResponsive(image, widePath, jpegQuality_, error);
  } catch (const std::bad_alloc&) {
    error = "La mémoire manque pour écrire cette image.";
  }
  saving_ = nullptr;
  ShowHint();
  RefreshCursor();
  if (!written) {
    ShowError("Impossible d'enregistrer " + Quoted(FileNameOf(path)) + ".\n\n" + error +
              "\n\nL'image reste ouverte : vous pouvez l'enregistrer ailleurs.");
    return false;
  }
  // Written, the file has a short name if it needs one.
  view.Document().MarkSaved(host::AnsiPathOf(widePath), writtenState);
  view.UpdateTitle();
  Remember(view.Document().Path());
  return true;
}

bool MainFrame::Save(ImageView& view) {
  const std::string& path = view.Document().Path();
  if (path.empty() || !host::CanWriteFormat(host::FormatOfPath(path))) return ChooseAndSave(view);
  return SaveAs(view, path);
}

bool MainFrame::ChooseAndSave(ImageView& view) {
  const ImageDocument& document = view.Document();
  const std::string& saved = document.Path();
  std::wstring path = saved.empty()                                          ? document.DisplayName() + L".png"
                      : host::CanWriteFormat(host::FormatOfPath(saved)) ? host::LongPathOf(saved)
                                                                             : host::LongPathOf(WritableName(saved));
  // The dialog comes back with the name as typed until it names a file we can
  // write, and one the person agrees to replace if it exists.
  for (;;) {
    path = ChooseWhereToSave(window_, path);
    if (path.empty()) return false;
    const std::string problem = WhyNotWritable(host::AnsiPathOf(path));
    if (!problem.empty()) {
      ShowError(problem);
      continue;
    }
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ||
        Ask(window_, kTitle, Quoted(FileNameOf(host::AnsiPathOf(path))) + " existe déjà. Voulez-vous le remplacer ?",
            {"&Remplacer", "Annuler"}, QuestionIcon::kWarning) == 0)
      return SaveAs(view, path);
  }
}

namespace {

enum SaveAnswer : size_t { kSaveIt, kDiscardIt, kKeepOpen };

// Brings the image's window to the front, then asks about its unsaved changes.
SaveAnswer AskToSave(HWND frame, HWND client, ImageView& view) {
  if (IsIconic(view.Window())) SendMessageA(client, WM_MDIRESTORE, WPARAM(view.Window()), 0);
  SendMessageA(client, WM_MDIACTIVATE, WPARAM(view.Window()), 0);
  return SaveAnswer(Ask(frame, kTitle, "Enregistrer les modifications de " + Quoted(view.Document().Name()) + " ?",
                        {"&Enregistrer", "&Ne pas enregistrer", "Annuler"}));
}

}  // namespace

bool MainFrame::MayClose(ImageView& view) {
  if (saving_) return false;  // the file being written needs its image, and the answer may need a save
  if (session_.Target() == &view.Document()) {
    ShowError("L'outil " + Quoted(session_.ToolCaption()) +
              " travaille sur cette image : fermez d'abord sa fenêtre.");
    return false;
  }
  if (!view.Document().Modified()) return true;
  switch (AskToSave(window_, client_, view)) {
    case kSaveIt: return Save(view);
    case kDiscardIt: return true;
    default: return false;
  }
}

bool MainFrame::MayQuit() {
  // Every image is asked about (and saved if so answered) before any window
  // goes: "Annuler" on any of them leaves them all open.
  const std::vector<ImageView*> views(views_);
  for (ImageView* view : views)
    if (!MayClose(*view)) return false;
  for (ImageView* view : views) SendMessageA(client_, WM_MDIDESTROY, WPARAM(view->Window()), 0);
  return true;
}

void MainFrame::ViewDestroyed(ImageView& view) {
  if (showingBefore_ == &view) showingBefore_ = nullptr;
  views_.erase(std::remove(views_.begin(), views_.end(), &view), views_.end());
  // The window going may still be the workspace's active one.
  ImageView* next = ActiveView();
  ShowStatus(next == &view ? nullptr : next, false, POINT{0, 0});
}

void MainFrame::ShowAbout() {
  std::string text = std::string(kTitle) + "\n\n";
  if (session_.Loaded())
    text += "Module de traitement : " + session_.DisplayName() + "\nVersion " + std::to_string(session_.Major()) + "." +
            std::to_string(session_.Minor()) + "\nMenu " + Quoted(session_.MenuCaption()) + " : " +
            std::to_string(session_.ItemCaptions().size()) + " outils";
  else
    text += "Aucun module de traitement.\n\n" + pluginProblem_;
  MessageBoxA(window_, text.c_str(), "À propos", MB_OK | MB_ICONINFORMATION);
}

void MainFrame::ShowMessage(const std::string& text, UINT icon) {
  // A tool's dialog stays above our windows: a box of ours shows over it, as its own.
  HWND tool = ToolWindow();
  MessageBoxA(tool ? tool : window_, text.c_str(), kTitle, MB_OK | icon);
}

std::string MainFrame::StatusText(int part) const {
  char text[512] = {};
  if (LOWORD(SendMessageA(status_, SB_GETTEXTLENGTHA, WPARAM(part), 0)) < sizeof text)
    SendMessageA(status_, SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(text));
  return text;
}

void MainFrame::ShowStatus(ImageView* view, bool inImage, POINT pixel) {
  auto set = [this](int part, const std::string& text) {
    SendMessageA(status_, SB_SETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(text.c_str()));
  };
  if (!view && !views_.empty()) view = ActiveView();
  if (!inImage) ShowSelection(view);
  if (!view) {
    for (int part : {kSizePart, kZoomPart, kPixelPart}) set(part, "");
    return;
  }
  const ImageDocument& document = view->Document();
  set(kSizePart, std::to_string(document.Width()) + " x " + std::to_string(document.Height()) + " pixels");
  char zoom[32];
  std::snprintf(zoom, sizeof zoom, "Zoom %.4g %%", view->Zoom() * 100);
  // The decimal comma a French reader expects.
  if (char* point = std::strchr(zoom, '.')) *point = ',';
  set(kZoomPart, zoom);
  if (!inImage || pixel.x >= document.Width() || pixel.y >= document.Height()) return set(kPixelPart, "");
  const Pixel24 p = document.Pixels()[pixel.y * document.Width() + pixel.x];
  set(kPixelPart, "x " + std::to_string(pixel.x) + ", y " + std::to_string(pixel.y) + " : R " + std::to_string(p.r) +
                      ", V " + std::to_string(p.g) + ", B " + std::to_string(p.b));
}

void MainFrame::ShowHint() {
  if (history_.TakeDroppedCount() > 0)
    historyNotice_ = "Historique plein : les plus anciennes étapes d'annulation ont été oubliées.";
  // What to do first in the running tool, until its result shows or the second image came.
  const char* firstStep = session_.Busy() ? HelpPageAt(HelpPageOfTool(session_.Tool())).firstStep : nullptr;
  const host::HostTool* tool = session_.Busy() ? host::FindHostTool(session_.Tool()) : nullptr;
  const bool secondImageCame = tool && tool->kind == host::ToolKind::kTwoImage && !session_.WaitsForSecondImage();
  std::string hint;
  if (session_.Picking() && session_.ResultShown())
    hint = "Résultat dans l'image : « Appliquer » le garde, « Annuler » le retire.";
  else if (firstStep && !secondImageCame && !session_.PointSent())
    hint = firstStep;
  else if (session_.Picking())
    hint = "Cliquez une petite case dans l'outil, puis l'endroit voulu sur l'image.";
  else if (session_.WaitsForSecondImage())
    hint = "Cliquez sur la seconde image (une autre fenêtre).";
  else if (saving_)
    hint = "Enregistrement de " + Quoted(savingName_) + " en cours…";
  else if (!session_.SecondImageName().empty())
    hint = "Seconde image : " + Quoted(session_.SecondImageName()) +
           ". Réglez l'outil, ou cliquez une autre image pour la remplacer.";
  else if (session_.Busy())
    hint = "Outil " + Quoted(session_.ToolCaption()) + " ouvert.";
  else if (!historyNotice_.empty())
    hint = historyNotice_;
  else if (!pluginProblem_.empty())
    hint = "Menu « Divers » absent : module de traitement non chargé.";
  SendMessageA(status_, SB_SETTEXTA, kHintPart, reinterpret_cast<LPARAM>(hint.c_str()));
}

HWND MainFrame::ToolWindow() const {
  // The plug-in's dialogs are owned by whichever window was active: they are
  // told apart by the module that made them.
  const auto plugin = reinterpret_cast<LONG_PTR>(session_.Module());
  for (HWND window : ThreadTopWindows())
    if (plugin && IsWindowVisible(window) && GetWindowLongPtrA(window, GWLP_HINSTANCE) == plugin) return window;
  return nullptr;
}

void MainFrame::WatchToolWindows() {
  if (!session_.Busy()) return;
  const bool showing = ToolWindow() != nullptr;
  // The plug-in's dialog watches its keys from when it shows: ours goes first again.
  if (showing && beforeAfterKeys_) beforeAfterKeys_->ComeFirst();
  session_.DialogShowing(showing);
}

bool MainFrame::ViewClicked(ImageView& view, bool inImage, POINT pixel) {
  if (saving_) return true;  // no tool takes a click while a file is written
  if (session_.Target() == &view.Document()) {
    // The tool's image keeps its selection while the tool works on it.
    const PixelRect& area = session_.Area();
    if (!session_.Picking() || !inImage) return true;
    if (!area.Empty() && !area.Contains(pixel.x, pixel.y)) {
      SendMessageA(status_, SB_SETTEXTA, kHintPart,
                   reinterpret_cast<LPARAM>("Hors de la sélection : point non envoyé. Cliquez dans le rectangle."));
      return true;
    }
    session_.SendPoint(pixel.x - area.x, pixel.y - area.y);
    ShowHint();
    return true;
  }
  if (!session_.TakesSecondImage()) return false;
  session_.SendSecondImage(view.Document(), view.CurrentSelection().Rect());
  return true;
}

void MainFrame::SelectionChanged(ImageView& view) {
  if (&view == ActiveView()) ShowSelection(&view);
}

void MainFrame::ShowSelection(ImageView* view) {
  const std::string text = view ? SelectionText(view->CurrentSelection().Rect()) : std::string();
  RECT bar{0, 0, 0, 0};
  GetClientRect(status_, &bar);
  int parts[] = {150, 260, 500, -1, -1};
  if (!text.empty()) parts[kHintPart] = std::max(int(bar.right) - kSelectionPartWidth, parts[kPixelPart] + 100);
  SendMessageA(status_, SB_SETPARTS, text.empty() ? 4 : 5, reinterpret_cast<LPARAM>(parts));
  if (!text.empty()) SendMessageA(status_, SB_SETTEXTA, kSelectionPart, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainFrame::PointerMoved(ImageView& view, bool inImage, POINT pixel) {
  // Off a picture, the bar speaks of the image in front, not of the one the pointer last crossed.
  ImageView* front = ActiveView();
  ShowStatus(inImage || !front ? &view : front, inImage, pixel);
}

HCURSOR MainFrame::CursorFor(ImageView& view) {
  if (saving_ == &view.Document()) return LoadCursor(nullptr, IDC_WAIT);
  if (session_.Picking() && session_.Target() == &view.Document()) return LoadCursor(nullptr, IDC_CROSS);
  if (session_.Target() == &view.Document()) return LoadCursor(nullptr, IDC_ARROW);
  if (session_.TakesSecondImage()) return LoadCursor(nullptr, IDC_HAND);
  return nullptr;
}

void MainFrame::CompareHeld(HWND window, bool held) {
  if (!held) {
    if (!showingBefore_) return;
    showingBefore_->ShowInstead(nullptr);
    showingBefore_ = nullptr;
    return ShowHintText(BeforeAfterText(false, true, false));
  }
  // The image under the middle button, else the tool's image, else the one in front.
  ImageView* view = ImageView::From(window);
  if (!view && session_.Target()) view = ViewOf(*session_.Target());
  if (!view) view = ActiveView();
  if (!view) return;
  host::Bitmap24 before;
  PixelRect now;
  const std::vector<Pixel24>* beforeRun = session_.BytesBefore(view->Document());
  if (!ImageBefore(view->Document(), beforeRun, before, now)) return ShowHintText(BeforeAfterText(true, false, false));
  view->ShowInstead(std::make_unique<host::Bitmap24>(std::move(before)), POINT{now.x, now.y});
  showingBefore_ = view;
  ShowHintText(BeforeAfterText(true, true, beforeRun != nullptr));
}

void MainFrame::ShowHintText(const std::string& text) {
  SendMessageA(status_, SB_SETTEXTA, kHintPart, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainFrame::PlaceToolWindow(ImageView& view) {
  RECT frame;
  GetWindowRect(window_, &frame);
  MoveAside(ToolWindow(), OnScreen(view, session_.Area()), frame);
}

void MainFrame::PixelsChanged(ImageDocument& document) {
  if (beforeAfterKeys_) beforeAfterKeys_->ComeFirst();
  if (ImageView* view = ViewOf(document)) view->Refresh();
}

void MainFrame::CopyToClipboard(ImageView& view) {
  std::string error;
  try {
    const PixelRect& selected = view.CurrentSelection().Rect();
    const ImageDocument& document = view.Document();
    const host::Bitmap24 image =
        selected.Empty() ? document.Image()
                         : host::FromPixelArray(document.CopyOfPart(selected), selected.width, selected.height);
    if (CopyImage(window_, image, error)) return;
  } catch (const std::bad_alloc&) {
    error = "La mémoire manque pour copier l'image.";
  }
  ShowError("Impossible de copier " + Quoted(view.Document().Name()) + ".\n\n" + error);
}

void MainFrame::Turn(ImageView& view, UINT command) {
  static const host::Turn kTurns[] = {host::Turn::kLeft, host::Turn::kRight, host::Turn::kHalf,
                                      host::Turn::kMirrorLeftRight, host::Turn::kMirrorTopBottom};
  std::string error;
  if (!TurnImage(view.Document(), kTurns[command - kRotateLeft], error)) return ShowError(error);
  view.Refresh();
  ShowStatus(&view, false, POINT{0, 0});
  ShowHint();
}

void MainFrame::PasteFromClipboard() {
  host::Bitmap24 image;
  std::string error;
  try {
    if (PasteImage(window_, image, error)) {
      ++pastedImages_;
      const std::string name = pastedImages_ == 1 ? "Image collée" : "Image collée " + std::to_string(pastedImages_);
      return ImageDelivered(image, name);
    }
  } catch (const std::bad_alloc&) {
    error = "La mémoire manque pour cette image.";
  }
  // Not a fault: the clipboard simply holds no image we read.
  ShowMessage("Rien à coller.\n\n" + error, MB_ICONINFORMATION);
}

void MainFrame::ImageDelivered(const host::Bitmap24& image, const std::string& name) {
  ImageView* view = nullptr;
  try {
    view = ImageView::Create(client_, std::make_unique<ImageDocument>(image, std::string(), name, history_), *this);
  } catch (const std::bad_alloc&) {
    return ShowError("La mémoire manque pour ouvrir la nouvelle image " + Quoted(name) + ".");
  }
  if (view) views_.push_back(view);
  else ShowError("La fenêtre de la nouvelle image " + Quoted(name) + " n'a pas pu être créée.");
}

void MainFrame::StateChanged() {
  ShowHint();
  RefreshCursor();
}

int MainFrame::Run() {
  running_ = true;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (help_.TakesKey(message)) continue;
    // Our shortcuts only in our own windows: the plug-in's dialogs keep their keys.
    const bool ours = message.hwnd == window_ || IsChild(window_, message.hwnd);
    // The wheel turns the image under the pointer, not the one that has the keyboard.
    if (ours && (message.message == WM_MOUSEWHEEL || message.message == WM_MOUSEHWHEEL)) {
      HWND under = WindowFromPoint(POINT{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)});
      if (ImageView::From(under)) message.hwnd = under;
    }
    if (ours && (TranslateMDISysAccel(client_, &message) || TranslateAcceleratorA(window_, accelerators_, &message)))
      continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  running_ = false;
  return int(message.wParam);
}

}  // namespace molvane::viewer
