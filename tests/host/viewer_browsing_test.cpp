// The viewer's browsing as a photographer uses it: the next and previous image of a folder in the
// same window, several files from one Ouvrir, the recent files across runs, the Fenêtre menu, Plein
// écran, the toolbar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/dialog_driver.h"
#include "host/image_files.h"
#include "host/viewer/main_frame.h"
#include "host/viewer/recent_files.h"
#include "host/wide_names.h"
#include "host_test_support.h"
#include "platform/path_names.h"
#include "viewer_test_support.h"

#include <commctrl.h>
#include <shlobj.h>

namespace molvane::hosttest {
namespace {

using viewer::ImageView;
using viewer::MainFrame;

// A folder of the temporary folder, emptied, holding small images of the given names (any
// format the viewer reads, by extension) and, for other names, bytes that are no image.
std::string FolderWith(const std::string& folderName, const std::vector<std::string>& names) {
  const std::string folder = TemporaryFile(folderName) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do DeleteFileA((folder + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string path = folder + names[i];
    if (host::FormatOfPath(path) == host::ImageFormat::kUnknown || names[i].find("damaged") != std::string::npos) {
      WriteFileBytes(path, "not an image", 12);
      continue;
    }
    host::Bitmap24 image{int32_t(8 + i), 6, std::vector<Pixel24>(size_t(8 + i) * 6)};
    for (size_t k = 0; k < image.pixels.size(); ++k)
      image.pixels[k] = Pixel24{uint8_t(k * 97 + i), uint8_t(k * 53), uint8_t(k * k * 31)};
    std::string error;
    EXPECT_TRUE(host::WriteImageFile(path, image, error)) << path << ": " << error;
  }
  return folder;
}

std::string TitleOf(const ImageView& view) { return host::TextOf(view.Window()); }

// The viewers of a test start with no recent files.
void ForgetSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kTestSettingsKey); }

// Next and previous go through the folder in the order a person reads the
// names (digits by value, case aside), over the formats the viewer reads
// only, in the same window; a damaged file is stepped over and named; the
// ends go round, and the status bar says so.
TEST(ViewerBrowsing, NextAndPreviousFollowTheFoldersNaturalOrderAndGoRound) {
  const std::string folder = FolderWith(
      "dossier", {"img10.png", "IMG2.jpg", "img1.bmp", "notes.txt", "img3.tif", "img4-damaged.png", "img20.gif.txt"});
  ForgetSettings();
  auto frame = StartViewer({folder + "img3.tif"});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  const struct {
    UINT command;
    const char* title;
    const char* status;
  } steps[] = {
      {viewer::kNextImage, "img10.png", "Image 5 / 5 du dossier. Illisible, passé : « img4-damaged.png »."},
      {viewer::kNextImage, "img1.bmp", "Fin du dossier : retour à la première image (1 / 5)."},
      {viewer::kNextImage, "IMG2.jpg", "Image 2 / 5 du dossier."},
      {viewer::kPreviousImage, "img1.bmp", "Image 1 / 5 du dossier."},
      {viewer::kPreviousImage, "img10.png", "Début du dossier : retour à la dernière image (5 / 5)."},
  };
  for (const auto& step : steps) {
    Command(*frame, step.command);
    EXPECT_EQ(TitleOf(view), step.title);
    EXPECT_EQ(frame->StatusText(3), step.status);
  }
  ASSERT_EQ(frame->Views().size(), 1u);
  EXPECT_EQ(frame->Views()[0], &view);
  // The window going through the folder holds one place among the recent files.
  EXPECT_EQ(frame->Recent().Paths(), std::vector<std::string>{folder + "img10.png"});
  EXPECT_EQ(view.Document().Width(), 8);  // img10.png, the first written
  EXPECT_EQ(frame->StatusText(0), "8 x 6 pixels");
}

// A changed image is asked about before the next one replaces it: "Annuler"
// keeps it and its change, "Ne pas enregistrer" moves on.
TEST(ViewerBrowsing, AChangedImageIsAskedAboutBeforeTheNextReplacesIt) {
  const std::string folder = FolderWith("question", {"a.png", "b.png"});
  auto frame = StartViewer({folder + "a.png"});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  Command(*frame, viewer::kFirstTool + 2);
  ASSERT_EQ(TitleOf(*frame->Views()[0]), "a.png *");
  for (const char* answer : {"Annuler", "&Ne pas enregistrer"}) {
    SCOPED_TRACE(answer);
    std::string asked;
    host::DialogScript script;
    script.OnSystemDialog("the question", [&](HWND box) {
      asked = host::MessageBoxText(box);
      host::PostClick(host::FindChild(box, "Button", answer));
    });
    EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kNextImage); })) << script.FailureText();
    EXPECT_EQ(asked, "Enregistrer les modifications de « a.png » ?");
    EXPECT_EQ(TitleOf(*frame->Views()[0]), answer == std::string("Annuler") ? "a.png *" : "b.png");
  }
  EXPECT_FALSE(frame->Views()[0]->Document().CanUndo());
}

// Several names typed in the open dialog, as a multiple selection gives them, open one window each.
TEST(ViewerBrowsing, OpenTakesSeveralFilesOfAFolderAtOnce) {
  ForgetSettings();
  const std::string folder = FolderWith("plusieurs", {"un.png", "deux.jpg", "trois.bmp"});
  auto frame = StartViewer({folder + "un.png"});
  ASSERT_TRUE(frame);
  host::DialogScript script;
  script.OnSystemDialog("the open dialog", [&](HWND dialog) {
    // The list lets a person pick several files with Ctrl or Maj.
    const std::vector<HWND> lists = host::ChildrenOfClass(dialog, WC_LISTVIEWA);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_FALSE(GetWindowLongPtrA(lists[0], GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_TRUE(host::AnswerFileDialog(dialog, "\"deux.jpg\" \"trois.bmp\""));
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kOpen); })) << script.FailureText();
  std::vector<std::string> titles;
  for (const ImageView* view : frame->Views()) titles.push_back(TitleOf(*view));
  EXPECT_EQ(titles, (std::vector<std::string>{"un.png", "deux.jpg", "trois.bmp"}));
}

// The last eight files opened or saved, newest first, in the next run's
// menu; one gone from the disk is dropped from the list with a message.
TEST(ViewerBrowsing, RecentFilesKeepTheLastEightAcrossRunsAndDropAMissingOne) {
  ForgetSettings();
  std::vector<std::string> names;
  for (int i = 1; i <= 10; ++i) names.push_back("photo" + std::to_string(i) + ".png");
  const std::string folder = FolderWith("recents", names);
  {
    auto frame = StartViewer({});
    ASSERT_TRUE(frame);
    for (const std::string& name : names) frame->Open(folder + name);
    // Opened again: back to the top, once.
    frame->Open(folder + "PHOTO5.png");
  }
  auto frame = StartViewer({});
  ASSERT_TRUE(frame);
  std::vector<std::string> expected = {"PHOTO5.png", "photo10.png", "photo9.png", "photo8.png",
                                       "photo7.png", "photo6.png",  "photo4.png", "photo3.png"};
  for (std::string& name : expected) name = folder + name;
  EXPECT_EQ(frame->Recent().Paths(), expected);
  char item[MAX_PATH + 8] = {};
  GetMenuStringA(GetMenu(frame->Window()), viewer::kFirstRecentFile + 1, item, sizeof item, MF_BYCOMMAND);
  EXPECT_EQ(std::string(item), "&2 " + folder + "photo10.png");

  DeleteFileA((folder + "photo10.png").c_str());
  std::string message;
  host::DialogScript script;
  script.OnSystemDialog("the message", [&](HWND box) {
    message = host::MessageBoxText(box);
    host::PressOk(box);
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kFirstRecentFile + 1); })) << script.FailureText();
  EXPECT_EQ(message, "« " + folder + "photo10.png » n'existe plus : il est retiré des fichiers récents.");
  EXPECT_TRUE(frame->Views().empty());
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(frame->Recent().Paths(), expected);
  // A recent file opens from its menu item.
  Command(*frame, viewer::kFirstRecentFile + 2);
  ASSERT_EQ(frame->Views().size(), 1u);
  EXPECT_EQ(TitleOf(*frame->Views()[0]), "photo8.png");
  EXPECT_EQ(frame->Recent().Paths()[0], folder + "photo8.png");
  frame.reset();
  EXPECT_EQ(StartViewer({})->Recent().Paths().size(), 7u);
  ForgetSettings();
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) != FALSE;
}

// Mosaïque lays the windows side by side, Cascade steps them; the menu lists
// them; Fermer tout asks about unsaved changes as quitting does and leaves
// the main window open.
TEST(ViewerBrowsing, WindowMenuArrangesListsAndClosesAll) {
  auto frame = StartViewer({DataFile("chelsea.png"), DataFile("chelsea.jpg"), DataFile("chelsea.bmp")});
  ASSERT_TRUE(frame && frame->Views().size() == 3u);
  auto rectangles = [&] {
    std::vector<RECT> all;
    for (const ImageView* view : frame->Views()) {
      RECT r;
      GetWindowRect(view->Window(), &r);
      all.push_back(r);
    }
    return all;
  };
  Command(*frame, viewer::kTile);
  std::vector<RECT> tiled = rectangles();
  for (size_t i = 0; i < tiled.size(); ++i)
    for (size_t j = i + 1; j < tiled.size(); ++j) EXPECT_FALSE(Overlap(tiled[i], tiled[j])) << i << " and " << j;
  Command(*frame, viewer::kCascade);
  std::vector<RECT> cascaded = rectangles();
  // The window in front is the last of the cascade, lowest and furthest right.
  std::vector<LONG> lefts;
  for (const RECT& r : cascaded) lefts.push_back(r.left);
  std::sort(lefts.begin(), lefts.end());
  EXPECT_LT(lefts[0], lefts[1]);
  EXPECT_LT(lefts[1], lefts[2]);

  EXPECT_EQ(MenuBarText(frame->Window()), "&Fichier|&Édition|&Affichage|&Image|&Divers|Fe&nêtre|&?");
  auto listed = [&] {
    HMENU windows = GetSubMenu(GetMenu(frame->Window()), 5);
    std::string items;
    for (int i = 0; i < GetMenuItemCount(windows); ++i) {
      char text[128] = {};
      GetMenuStringA(windows, UINT(i), text, sizeof text, MF_BYPOSITION);
      items += std::string(text) + "|";
    }
    return items;
  };
  EXPECT_EQ(listed(), "&Cascade|&Mosaïque||&Fermer tout||&1 chelsea.png|&2 chelsea.jpg|&3 chelsea.bmp|");
  // The list follows a title that changes.
  Activate(*frame->Views()[1]);
  Command(*frame, viewer::kFirstTool + 2);
  EXPECT_EQ(listed(), "&Cascade|&Mosaïque||&Fermer tout||&1 chelsea.png|&2 chelsea.jpg *|&3 chelsea.bmp|");
  for (const char* answer : {"Annuler", "&Ne pas enregistrer"}) {
    SCOPED_TRACE(answer);
    std::vector<std::string> asked;
    host::DialogScript script;
    script.OnSystemDialog("the question", [&](HWND box) {
      asked.push_back(host::MessageBoxText(box));
      host::PostClick(host::FindChild(box, "Button", answer));
    });
    EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kCloseAll); })) << script.FailureText();
    EXPECT_EQ(asked, std::vector<std::string>{"Enregistrer les modifications de « chelsea.jpg » ?"});
    EXPECT_EQ(frame->Views().size(), answer == std::string("Annuler") ? 3u : 0u);
  }
  EXPECT_TRUE(IsWindow(frame->Window()));
}

// Plein écran covers the monitor without the frame's border and caption, and
// gives back the window exactly as it was, moved and sized or maximised.
TEST(ViewerBrowsing, FullScreenCoversTheMonitorAndGivesTheWindowBackAsItWas) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame);
  HWND window = frame->Window();
  const RECT monitor{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  for (bool maximised : {false, true}) {
    SCOPED_TRACE(maximised ? "maximised" : "moved and sized");
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, nullptr, 70, 50, 800, 560, SWP_NOZORDER);
    if (maximised) ShowWindow(window, SW_MAXIMIZE);
    RECT before;
    GetWindowRect(window, &before);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    Command(*frame, viewer::kFullScreen);
    RECT full;
    GetWindowRect(window, &full);
    EXPECT_TRUE(EqualRect(&full, &monitor)) << full.left << "," << full.top << " " << full.right << "," << full.bottom;
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(frame->IsFullScreen());
    Command(*frame, viewer::kLeaveFullScreen);
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&after, &before)) << after.left << "," << after.top << " " << after.right << ","
                                            << after.bottom << " instead of " << before.left << "," << before.top;
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE), style);
    EXPECT_EQ(IsZoomed(window) != FALSE, maximised);
    // Restored from the maximised state, the window goes back where it was before.
    ShowWindow(window, SW_RESTORE);
    GetWindowRect(window, &after);
    EXPECT_EQ(after.left, 70);
    EXPECT_EQ(after.right - after.left, 800);
  }
}

// The buttons of the toolbar by command, and whether each is enabled once the viewer's timer has run.
std::vector<bool> EnabledButtons(MainFrame& frame, const std::vector<UINT>& commands) {
  host::PumpMessages();
  Sleep(300);
  host::PumpMessages();
  std::vector<bool> enabled;
  for (UINT command : commands) enabled.push_back(SendMessageA(frame.Tools().Window(), TB_ISBUTTONENABLED, command, 0) != 0);
  return enabled;
}

// A click on a button where a person sees it.
void ClickButton(HWND toolbar, UINT command) {
  RECT r{0, 0, 0, 0};
  SendMessageA(toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&r));
  ClickAt(toolbar, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// The buttons follow the menu's items (greyed as they are), a click gives the menu's command, each
// says what it does in French, and each shows its picture; Affichage ▸
// Barre d'outils hides it, and the next run remembers.
TEST(ViewerToolbar, ButtonsFollowTheMenuSayWhatTheyDoAndHideForTheNextRun) {
  ForgetSettings();
  const std::vector<UINT> commands = {viewer::kOpen, viewer::kSave, viewer::kUndo, viewer::kRedo, viewer::kZoomIn,
                                      viewer::kRotateLeft};
  auto frame = StartViewer({});
  ASSERT_TRUE(frame);
  HWND toolbar = frame->Tools().Window();
  ASSERT_TRUE(toolbar && IsWindowVisible(toolbar));
  EXPECT_EQ(EnabledButtons(*frame, commands), (std::vector<bool>{true, false, false, false, false, false}));
  frame->Open(DataFile("chelsea.png"));
  Command(*frame, viewer::kFirstTool + 2);
  EXPECT_EQ(EnabledButtons(*frame, commands), (std::vector<bool>{true, true, true, false, true, true}));
  ClickButton(toolbar, viewer::kUndo);
  EXPECT_EQ(TitleOf(*frame->Views()[0]), "chelsea.png");
  EXPECT_EQ(EnabledButtons(*frame, commands), (std::vector<bool>{true, true, false, true, true, true}));
  const double zoom = frame->Views()[0]->Zoom();
  ClickButton(toolbar, viewer::kZoomIn);
  EXPECT_GT(frame->Views()[0]->Zoom(), zoom);

  // What the tooltip asks its owner for a button's text.
  NMTTDISPINFOA question{};
  question.hdr = NMHDR{reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0)), viewer::kRedo,
                       TTN_GETDISPINFOA};
  SendMessageA(frame->Window(), WM_NOTIFY, viewer::kRedo, reinterpret_cast<LPARAM>(&question));
  EXPECT_STREQ(question.lpszText, "Rétablir (Ctrl+Y)");

  // Every button shows a picture: dark lines on the face colour, greyed or not.
  host::Bitmap24 image;
  ASSERT_TRUE(host::CaptureScreen({toolbar}, image));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int i = 0; i < int(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0)); ++i) {
    TBBUTTON button{};
    SendMessageA(toolbar, TB_GETBUTTON, WPARAM(i), reinterpret_cast<LPARAM>(&button));
    if (button.fsStyle & BTNS_SEP) continue;
    RECT r{0, 0, 0, 0};
    SendMessageA(toolbar, TB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    int ink = 0;
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x) {
        const Pixel24 p = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
        ink += std::abs(p.r - GetRValue(face)) + std::abs(p.g - GetGValue(face)) + std::abs(p.b - GetBValue(face)) > 120;
      }
    EXPECT_GE(ink, 12) << "button " << button.idCommand;
  }

  Command(*frame, viewer::kShowToolbar);
  EXPECT_FALSE(IsWindowVisible(toolbar));
  RECT workspace;
  GetWindowRect(FindWindowExA(frame->Window(), nullptr, "MDICLIENT", nullptr), &workspace);
  POINT top{workspace.left, workspace.top};
  ScreenToClient(frame->Window(), &top);
  EXPECT_EQ(top.y, 0);
  frame.reset();
  frame = StartViewer({});
  EXPECT_FALSE(frame->Tools().Shown());
  Command(*frame, viewer::kShowToolbar);
  EXPECT_TRUE(frame->Tools().Shown());
  frame.reset();
  EXPECT_TRUE(StartViewer({})->Tools().Shown());
  ForgetSettings();
}

// --- names in any script ---------------------------------------------------------------

std::wstring WideTitle(HWND window) {
  wchar_t text[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

std::vector<std::wstring> WideTitles(const MainFrame& frame) {
  std::vector<std::wstring> titles;
  for (const ImageView* view : frame.Views()) titles.push_back(WideTitle(view->Window()));
  return titles;
}

// Greek, Cyrillic, Japanese and an emoji, which no ANSI code page holds together.
const wchar_t* const kWideNames[] = {L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.png",
                                     L"\u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430.jpg",
                                     L"\u65e5\u672c\u8a9e \u5199\u771f.bmp", L"\U0001F600 sourire.png"};

// A folder holding "a.png" and one image under each of those names; its path as a wide string.
std::wstring FolderOfWideNames() {
  const std::wstring wide = host::WideFromCodePage(TemporaryFile("ecritures") + "\\", CP_ACP);
  // What an earlier run left, under names the ANSI functions cannot delete.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((wide + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do DeleteFileW((wide + found.cFileName).c_str());
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  const std::string folder = FolderWith("ecritures", {"a.png", "b.png", "c.jpg", "d.bmp", "e.png"});
  const char* const from[] = {"b.png", "c.jpg", "d.bmp", "e.png"};
  for (size_t i = 0; i < 4; ++i)
    EXPECT_TRUE(MoveFileW(host::WideFromCodePage(folder + from[i], CP_ACP).c_str(), (wide + kWideNames[i]).c_str()));
  return wide;
}

// Started with a Greek name on its command line, the program opens it and shows its name whole.
TEST(ViewerWideNames, TheCommandLineOpensANameInAnyScript) {
  const std::wstring folder = FolderOfWideNames();
  const std::wstring program =
      host::WideFromCodePage(host::ModuleFolder(reinterpret_cast<const void*>(&DataFile)) + "molvane_viewer.exe", CP_ACP);
  std::wstring commandLine = L"\"" + program + L"\" \"" + folder + kWideNames[0] + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  HWND frame = nullptr, image = nullptr;
  for (int tries = 0; tries < 200 && !image; ++tries, Sleep(50)) {
    frame = FindWindowA(MainFrame::kClassName, nullptr);
    image = frame ? FindWindowExA(FindWindowExA(frame, nullptr, "MDICLIENT", nullptr), nullptr, ImageView::kClassName,
                                  nullptr)
                  : nullptr;
  }
  EXPECT_TRUE(image) << "no image window appeared";
  EXPECT_EQ(WideTitle(image), kWideNames[0]);
  // A box saying why the file did not open would keep the program waiting.
  if (!image) TerminateProcess(process.hProcess, 1);
  else PostMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// Dropped, chosen in the open dialog, reached by browsing: each name opens and
// shows whole in its title and in the recent files, and the plug-in gets a
// name of the ANSI code page that opens the same file (its short name).
// Saving keeps the name whole, and Enregistrer sous writes a new one.
TEST(ViewerWideNames, NamesInAnyScriptOpenShowWholeAndSaveUnderTheirNames) {
  ForgetSettings();
  const std::wstring folder = FolderOfWideNames();
  auto frame = StartViewer({});
  ASSERT_TRUE(frame);
  // Dropped: what the shell hands a window, in wide characters.
  std::wstring files = folder + kWideNames[1] + L'\0' + folder + kWideNames[2] + L'\0' + L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + files.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), files.data(), files.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  SendMessageA(frame->Window(), WM_DROPFILES, WPARAM(memory), 0);
  // Chosen in the open dialog, typed as a person types it.
  host::DialogScript script;
  script.OnSystemDialog("the open dialog", [&](HWND dialog) {
    HWND field = GetDlgItem(dialog, 0x480);
    if (!field || !IsWindowVisible(field)) field = host::ChildrenOfClass(GetDlgItem(dialog, 0x47c), "Edit").front();
    SetWindowTextW(field, kWideNames[3]);
    host::PressOk(dialog);
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kOpen); })) << script.FailureText();
  EXPECT_EQ(WideTitles(*frame), (std::vector<std::wstring>{kWideNames[1], kWideNames[2], kWideNames[3]}));
  for (const ImageView* view : frame->Views()) {
    const std::string& path = view->Document().Path();
    EXPECT_EQ(path.find('?'), std::string::npos) << path;
    EXPECT_EQ(FolderOf(path) + view->Document().Name(), path);
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  }
  wchar_t item[MAX_PATH + 8] = {};
  GetMenuStringW(GetMenu(frame->Window()), viewer::kFirstRecentFile, item, MAX_PATH + 8, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(item), L"&1 " + folder + kWideNames[3]);

  // Browsing from a.png goes through the names in order, in any script.
  ASSERT_TRUE(frame->Open(host::AnsiPathOf(folder + L"a.png")));
  std::vector<std::wstring> seen;
  for (int i = 0; i < 4; ++i) {
    Command(*frame, viewer::kNextImage);
    seen.push_back(WideTitle(frame->ActiveView()->Window()));
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>(std::begin(kWideNames), std::end(kWideNames))));

  // Saved after a change: the Greek file keeps its name, and holds the change.
  for (int i = 0; i < 2; ++i) Command(*frame, viewer::kNextImage);  // round to a.png, then the Greek name
  ImageView& greek = *frame->ActiveView();
  ASSERT_EQ(WideTitle(greek.Window()), kWideNames[0]);
  Command(*frame, viewer::kFirstTool + 2);
  Command(*frame, viewer::kSave);
  EXPECT_EQ(WideTitle(greek.Window()), kWideNames[0]);
  host::Bitmap24 written;
  std::string error;
  ASSERT_TRUE(host::ReadImageFile(host::AnsiPathOf(folder + kWideNames[0]), written, error)) << error;
  EXPECT_EQ(written.pixels, greek.Document().Bytes());
  // Enregistrer sous a new name in another script.
  const std::wstring copy = folder + L"\u041a\u043e\u043f\u0438\u044f.png";
  DeleteFileW(copy.c_str());
  host::DialogScript saving;
  saving.OnSystemDialog("the save dialog", [&](HWND dialog) {
    HWND field = GetDlgItem(dialog, 0x480);
    if (!field || !IsWindowVisible(field)) field = host::ChildrenOfClass(GetDlgItem(dialog, 0x47c), "Edit").front();
    SetWindowTextW(field, copy.c_str());
    host::PressOk(dialog);
  });
  EXPECT_TRUE(saving.Run([&] { Command(*frame, viewer::kSaveAs); })) << saving.FailureText();
  EXPECT_NE(GetFileAttributesW(copy.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(WideTitle(greek.Window()), copy.substr(folder.size()));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"~molvane*").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file is left";
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  ForgetSettings();
}

}  // namespace
}  // namespace molvane::hosttest
