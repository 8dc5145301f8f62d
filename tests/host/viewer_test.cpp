// The viewer driven as a user drives it: files from its command line, menu commands, clicks on
// the image windows at a zoom and scrolled, the plug-in's dialogs through the dialog driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <shlobj.h>

#include "dialog_test_support.h"
#include "host/dialog_driver.h"
#include "host/dialog_runs.h"
#include "host/image_files.h"
#include "host/process_resources.h"
#include "host/viewer/clipboard.h"
#include "host/viewer/main_frame.h"
#include "host_test_support.h"
#include "image_mutations.h"
#include "viewer_test_support.h"

namespace molvane::hosttest {
namespace {

using viewer::ImageView;
using viewer::MainFrame;

// The viewer's main window among another process's windows.
struct FrameSearch {
  DWORD processId;
  HWND frame;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<FrameSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && host::ClassOf(window) == MainFrame::kClassName)
    search->frame = window;
  return search->frame == nullptr;
}

// The program's own start-up: the record, its window module, the plug-in and
// the image, seen from outside as a user sees the window; closing ends it cleanly.
TEST(ViewerProgram, StartsOnAnImageAndEndsWhenClosed) {
  const std::string program = host::ModuleFolder(reinterpret_cast<const void*>(&DataFile)) + "molvane_viewer.exe";
  std::string commandLine = "\"" + program + "\" \"" + DataFile("chelsea.png") + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process))
      << GetLastError();
  FrameSearch search{process.dwProcessId, nullptr};
  for (int tries = 0; tries < 200 && !search.frame; ++tries) {
    Sleep(50);
    EnumWindows(&FindFrame, reinterpret_cast<LPARAM>(&search));
  }
  ASSERT_TRUE(search.frame) << "no viewer window appeared";
  EXPECT_EQ(host::TextOf(search.frame), "Molvane — visionneuse d'images");
  // The image's window inside it, titled with the file's name.
  HWND client = FindWindowExA(search.frame, nullptr, "MDICLIENT", nullptr);
  HWND image = nullptr;
  for (int tries = 0; tries < 100 && !image; ++tries, Sleep(50))
    image = FindWindowExA(client, nullptr, ImageView::kClassName, "chelsea.png");
  EXPECT_TRUE(image);
  PostMessageA(search.frame, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST(ViewerFiles, OpensAPngAndAJpegFromItsCommandLine) {
  auto frame = StartViewer({DataFile("chelsea.png"), DataFile("chelsea.jpg")});
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->Views().size(), 2u);
  ImageView& png = *frame->Views()[0];
  ImageView& jpeg = *frame->Views()[1];
  EXPECT_EQ(host::TextOf(png.Window()), "chelsea.png");
  EXPECT_EQ(host::TextOf(jpeg.Window()), "chelsea.jpg");
  EXPECT_TRUE(SamePixels(png.Document().Bytes(), Chelsea(), 451));
  // A JPEG is near its source, never equal: the mean gap per channel stays small.
  ASSERT_EQ(jpeg.Document().Width(), 451);
  ASSERT_EQ(jpeg.Document().Height(), 300);
  const std::vector<Pixel24> decoded = jpeg.Document().Bytes(), source = Chelsea();
  double gap = 0;
  for (size_t i = 0; i < source.size(); ++i)
    gap += std::abs(decoded[i].r - source[i].r) + std::abs(decoded[i].g - source[i].g) +
           std::abs(decoded[i].b - source[i].b);
  EXPECT_LT(gap / double(source.size() * 3), 4.0);
  EXPECT_EQ(frame->StatusText(0), "451 x 300 pixels");
  EXPECT_EQ(MenuBarText(frame->Window()), "&Fichier|&Édition|&Affichage|&Image|&Divers|Fe&nêtre|&?");
}

TEST(ViewerFiles, DroppedFilesOpenInNewWindows) {
  auto frame = StartViewer({});
  ASSERT_TRUE(frame);
  // What the shell hands a window when files are dropped on it.
  const std::string file = DataFile("chelsea.jpg");
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + file.size() + 2);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), file.c_str(), file.size());
  GlobalUnlock(memory);
  SendMessageA(frame->Window(), WM_DROPFILES, WPARAM(memory), 0);
  ASSERT_EQ(frame->Views().size(), 1u);
  EXPECT_EQ(host::TextOf(frame->Views()[0]->Window()), "chelsea.jpg");
}

TEST(ViewerFiles, SavedFilesReadBackAsTheImage) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  // Lossless formats give the bytes back; JPEG what its quality allows.
  const struct {
    const char* name;
    double meanGap;
  } cases[] = {{"copie.png", 0}, {"copie.bmp", 0}, {"copie.tif", 0}, {"copie.jpg", 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = TemporaryFile(c.name);
    ASSERT_TRUE(frame->SaveAs(view, path));
    EXPECT_EQ(host::TextOf(view.Window()), std::string("molvane-viewer-") + c.name);
    host::Bitmap24 back;
    std::string error;
    ASSERT_TRUE(host::ReadImageFile(path, back, error)) << error;
    ASSERT_EQ(back.pixels.size(), view.Document().Bytes().size());
    if (c.meanGap == 0) {
      EXPECT_TRUE(SamePixels(back.pixels, view.Document().Bytes(), 451));
    } else {
      double gap = 0;
      const std::vector<Pixel24> bytes = view.Document().Bytes();
      for (size_t i = 0; i < bytes.size(); ++i) gap += std::abs(back.pixels[i].g - bytes[i].g);
      EXPECT_LT(gap / double(bytes.size()), c.meanGap);
    }
    DeleteFileA(path.c_str());
  }
}

TEST(ViewerFiles, SaveAsAsksWhereAndKeepsTheImagesType) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  // A name typed without an extension: the type chosen in the dialog gives it.
  const std::string typed = TemporaryFile("par-dialogue");
  host::DialogScript script;
  script.OnSystemDialog("the save dialog", [&](HWND dialog) { EXPECT_TRUE(host::AnswerFileDialog(dialog, typed)); });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kSaveAs); })) << script.FailureText();
  EXPECT_EQ(frame->Views()[0]->Document().Path(), typed + ".png");
  host::Bitmap24 back;
  std::string error;
  ASSERT_TRUE(host::ReadImageFile(typed + ".png", back, error)) << error;
  EXPECT_TRUE(SamePixels(back.pixels, Chelsea(), 451));
  DeleteFileA((typed + ".png").c_str());
}

// A name the viewer cannot write is refused in its own words and comes back
// to the dialog as typed; nothing is written, under that name or another.
TEST(ViewerFiles, SaveAsRefusesAFormatItCannotWriteAndKeepsTheName) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  const struct {
    const char* name;
    const char* why;
  } cases[] = {{"x.gif", "ne l'écrit pas"}, {"x.webp", "l'extension « .webp »"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string typed = TemporaryFile(c.name);
    const char* const added[] = {"", ".png", ".bmp"};
    for (const char* end : added) DeleteFileA((typed + end).c_str());
    std::string said, offered;
    host::DialogScript script;
    script.OnSystemDialog("the save dialog", [&](HWND dialog) { EXPECT_TRUE(host::AnswerFileDialog(dialog, typed)); });
    script.Then("the refusal", [&] {
      HWND box = host::FindSystemDialog();
      if (!host::IsMessageBox(box)) return false;
      said = host::MessageBoxText(box);
      host::PressOk(box);
      return true;
    });
    script.Then("the save dialog again", [&] {
      HWND dialog = host::FindFileDialog();
      if (!dialog) return false;
      offered = FileDialogName(dialog);
      host::PressCancel(dialog);
      return true;
    });
    EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kSaveAs); })) << script.FailureText();
    EXPECT_TRUE(Contains(said, std::string("Impossible d'enregistrer sous le nom « molvane-viewer-") + c.name + " »"))
        << said;
    EXPECT_TRUE(Contains(said, c.why)) << said;
    EXPECT_TRUE(Contains(said, "PNG (.png), BMP (.bmp), JPEG (.jpg) et TIFF (.tif)")) << said;
    EXPECT_TRUE(EndsWith(offered, std::string("molvane-viewer-") + c.name)) << offered;
    for (const char* end : added) EXPECT_FALSE(Exists(typed + end)) << typed + end;
  }
  EXPECT_EQ(frame->Views()[0]->Document().Path(), DataFile("chelsea.png"));
}

// Ctrl+S on a GIF, which the viewer reads but cannot write, offers the same
// name as a PNG; the question before replacing names that very file.
TEST(ViewerFiles, SavingAGifOffersAPngAndAsksBeforeReplacingIt) {
  const unsigned char kRedPixel[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0,
                                     0,   0,   0,   ',', 0,   0,   0, 0, 1, 0, 1,    0, 0, 2, 2,    0x44,
                                     1,   0,   ';'};
  const std::string gif = TemporaryFile("palette.gif"), png = TemporaryFile("palette.png");
  WriteFileBytes(gif, kRedPixel, sizeof kRedPixel);
  DeleteFileA((gif + ".png").c_str());
  ASSERT_TRUE(CopyFileA(DataFile("chelsea.png").c_str(), png.c_str(), FALSE));
  auto frame = StartViewer({gif});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  std::string offered, asked;
  std::vector<std::string> buttons;
  host::DialogScript script;
  script.OnSystemDialog("the save dialog", [&](HWND dialog) {
    offered = FileDialogName(dialog);
    host::PressOk(dialog);
  });
  script.OnSystemDialog("the question", [&](HWND box) {
    asked = host::MessageBoxText(box);
    buttons = ButtonTexts(box);
    host::PostClick(host::FindChild(box, "Button", "&Remplacer"));
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kSave); })) << script.FailureText();
  EXPECT_TRUE(EndsWith(offered, "molvane-viewer-palette.png")) << offered;
  EXPECT_EQ(asked, "« molvane-viewer-palette.png » existe déjà. Voulez-vous le remplacer ?");
  EXPECT_EQ(buttons, (std::vector<std::string>{"&Remplacer", "Annuler"}));
  EXPECT_EQ(host::TextOf(frame->Views()[0]->Window()), "molvane-viewer-palette.png");
  host::Bitmap24 back;
  std::string error;
  EXPECT_TRUE(host::ReadImageFile(png, back, error)) << error;
  EXPECT_EQ(back.width, 1);
  EXPECT_FALSE(Exists(gif + ".png"));
  DeleteFileA(gif.c_str());
  DeleteFileA(png.c_str());
}

TEST(ViewerFiles, BadFilesGiveAMessageAndLoseNothing) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  const std::string text = TemporaryFile("pas-une-image.png");
  HANDLE file = CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, "bonjour", 7, &written, nullptr);
  CloseHandle(file);
  const struct {
    std::string path;
    const char* says;
  } cases[] = {{TemporaryFile("absent.png"), "introuvable"}, {text, "format connu"}};
  for (const auto& c : cases) {
    const std::string said = AnswerBox([&] { EXPECT_FALSE(frame->Open(c.path)); });
    EXPECT_TRUE(Contains(said, "Impossible d'ouvrir")) << said;
    EXPECT_TRUE(Contains(said, c.says)) << said;
  }
  EXPECT_EQ(frame->Views().size(), 1u);
  // A save into a folder that does not exist fails with a message; the image keeps its file and bytes.
  ImageView& view = *frame->Views()[0];
  const std::string said =
      AnswerBox([&] { EXPECT_FALSE(frame->SaveAs(view, TemporaryFile("absent\\dossier\\copie.png"))); });
  EXPECT_TRUE(Contains(said, "Impossible d'enregistrer")) << said;
  EXPECT_EQ(view.Document().Path(), DataFile("chelsea.png"));
  EXPECT_TRUE(SamePixels(view.Document().Bytes(), Chelsea(), 451));
  DeleteFileA(text.c_str());
}

// Damaged files of each kind (DamagedFiles tries many more through the same
// reading code): each opens, or its box names it and says what is wrong; the
// viewer goes on. Among them a GIF without any palette, which once took the
// process down inside the system's codec.
TEST(ViewerFiles, DamagedFilesOpenOrSayWhyNamingTheFile) {
  auto frame = StartViewer({});
  ASSERT_TRUE(frame);
  size_t windows = 0;
  bool paletteLessGif = false;
  for (const ImageSeed& seed : ImageSeeds()) {
    for (uint32_t number = 0; number < 5; ++number) {
      const std::string name = seed.name + "-" + std::to_string(number) + seed.extension;
      SCOPED_TRACE(name);
      const std::string path = TemporaryFile(name);
      WriteBytes(path, Mutate(seed, number).bytes);
      host::Bitmap24 image;
      std::string error;
      if (host::ReadImageFile(path, image, error)) {
        EXPECT_TRUE(frame->Open(path));
        ++windows;
      } else {
        const std::string said = AnswerBox([&] { EXPECT_FALSE(frame->Open(path)); });
        EXPECT_EQ(said, "Impossible d'ouvrir « molvane-viewer-" + name + " ».\n\n" + error);
        paletteLessGif = paletteLessGif || Contains(error, "GIF est endommagé : une de ses images n'a pas de palette");
      }
      DeleteFileA(path.c_str());
    }
  }
  EXPECT_EQ(frame->Views().size(), windows);
  EXPECT_TRUE(paletteLessGif);
}

// The viewer's own box, in French whatever the system's language, answered
// from the keyboard: Échap keeps the window and its change, Alt+N ("Ne pas
// enregistrer") closes it.
TEST(ViewerFiles, ClosingAChangedImageAsksWhetherToSave) {
  const struct {
    const char* keys;
    UINT message;
    WPARAM key;
    LPARAM flags;
    size_t left;
  } cases[] = {{"Échap", WM_KEYDOWN, VK_ESCAPE, 0, 1}, {"Alt+N", WM_SYSCHAR, 'n', LPARAM(1) << 29, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    auto frame = StartViewer({DataFile("chelsea.png")});
    ASSERT_TRUE(frame && frame->Views().size() == 1u);
    Command(*frame, viewer::kFirstTool + 2);
    ASSERT_EQ(host::TextOf(frame->Views()[0]->Window()), "chelsea.png *");
    std::string question, byDefault;
    std::vector<std::string> buttons;
    host::DialogScript script;
    script.OnSystemDialog("the question", [&](HWND box) {
      question = host::MessageBoxText(box);
      buttons = ButtonTexts(box);
      byDefault = host::TextOf(GetDlgItem(box, LOWORD(SendMessageA(box, DM_GETDEFID, 0, 0))));
      EXPECT_EQ(host::TextOf(GetFocus()), byDefault);
      PostMessageA(GetFocus(), c.message, c.key, c.flags);
    });
    EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kClose); })) << script.FailureText();
    EXPECT_EQ(question, "Enregistrer les modifications de « chelsea.png » ?");
    EXPECT_EQ(buttons, (std::vector<std::string>{"&Enregistrer", "&Ne pas enregistrer", "Annuler"}));
    EXPECT_EQ(byDefault, "&Enregistrer");
    EXPECT_EQ(frame->Views().size(), c.left);
  }
}

// Quitting asks about each changed image in turn, with that image in front;
// windows close only once every answer is in, so "Annuler" on the last one
// leaves them all open.
TEST(ViewerFiles, QuittingAsksAboutEveryImageBeforeClosingAny) {
  for (const char* second : {"Annuler", "&Ne pas enregistrer"}) {
    SCOPED_TRACE(second);
    auto frame = StartViewer({DataFile("chelsea.png"), DataFile("chelsea.jpg")});
    ASSERT_TRUE(frame && frame->Views().size() == 2u);
    for (ImageView* view : frame->Views()) {
      Activate(*view);
      Command(*frame, viewer::kFirstTool + 2);
    }
    std::vector<std::string> asked, inFront;
    auto answer = [&](const char* button) {
      return [&, button](HWND box) {
        asked.push_back(host::MessageBoxText(box));
        inFront.push_back(host::TextOf(frame->ActiveView()->Window()));
        host::PostClick(host::FindChild(box, "Button", button));
      };
    };
    host::DialogScript script;
    script.OnSystemDialog("the first question", answer("&Ne pas enregistrer"));
    script.OnSystemDialog("the second question", answer(second));
    EXPECT_TRUE(script.Run([&] { SendMessageA(frame->Window(), WM_CLOSE, 0, 0); })) << script.FailureText();
    EXPECT_EQ(asked, (std::vector<std::string>{"Enregistrer les modifications de « chelsea.png » ?",
                                               "Enregistrer les modifications de « chelsea.jpg » ?"}));
    EXPECT_EQ(inFront, (std::vector<std::string>{"chelsea.png *", "chelsea.jpg *"}));
    const bool quit = second != std::string("Annuler");
    EXPECT_EQ(frame->Window() == nullptr, quit);
    EXPECT_EQ(frame->Views().size(), quit ? 0u : 2u);
  }
}

TEST(ViewerPlugin, AMissingPluginLeavesAViewerThatSaysWhy) {
  std::unique_ptr<MainFrame> frame;
  const std::string said = AnswerBox([&] { frame = StartViewer({DataFile("chelsea.png")}, TemporaryFile("absent.dll")); });
  ASSERT_TRUE(frame);
  EXPECT_TRUE(Contains(said, "introuvable")) << said;
  EXPECT_TRUE(Contains(said, "« Divers »")) << said;
  EXPECT_EQ(MenuBarText(frame->Window()), "&Fichier|&Édition|&Affichage|&Image|Fe&nêtre|&?");
  EXPECT_EQ(frame->Views().size(), 1u);
}

TEST(ViewerPlugin, AboutBoxGivesThePluginsNameAndVersion) {
  auto frame = StartViewer({});
  ASSERT_TRUE(frame);
  int32_t major = -1, minor = -1;
  const char* menu = nullptr;
  const std::string name = Exports().PrmDLL(&major, &minor, &menu);
  const std::string said = AnswerBox([&] { Command(*frame, viewer::kAbout); });
  EXPECT_TRUE(Contains(said, name)) << said;
  EXPECT_TRUE(Contains(said, "Version " + std::to_string(major) + "." + std::to_string(minor))) << said;
}

TEST(ViewerView, StatusBarReadsThePixelUnderTheMouseAtAnyZoom) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  ZoomTo300(*frame);
  EXPECT_EQ(frame->StatusText(1), "Zoom 300 %");
  const std::vector<Pixel24> pixels = Chelsea();
  for (POINT pixel : {POINT{0, 0}, POINT{17, 250}, POINT{450, 299}}) {
    const POINT client = ScrollToAndLocate(view, pixel);
    SendMessageA(view.Window(), WM_MOUSEMOVE, 0, At(client));
    const Pixel24 p = pixels[size_t(pixel.y) * 451 + size_t(pixel.x)];
    EXPECT_EQ(frame->StatusText(2), "x " + std::to_string(pixel.x) + ", y " + std::to_string(pixel.y) + " : R " +
                                        std::to_string(p.r) + ", V " + std::to_string(p.g) + ", B " +
                                        std::to_string(p.b));
  }
}

// The pointer crossing another window and leaving it, the bar goes back to the image in front.
TEST(ViewerView, OffAPictureTheStatusBarSpeaksOfTheImageInFront) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Open(DataFile("chelsea.bmp")) && frame->Views().size() == 2u);
  ImageView& front = *frame->Views()[0];
  ImageView& crossed = *frame->Views()[1];
  Activate(front);
  Command(*frame, viewer::kZoom100);
  Activate(crossed);
  ZoomTo300(*frame);
  Activate(front);
  const std::string zoomInFront = frame->StatusText(1);
  SendMessageA(crossed.Window(), WM_MOUSEMOVE, 0, At(crossed.ClientPointOf(POINT{5, 5})));
  EXPECT_NE(frame->StatusText(1), zoomInFront) << "over a picture, the bar reads that picture";
  SendMessageA(crossed.Window(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(frame->StatusText(1), zoomInFront);
}

TEST(ViewerView, TheZoomReadsWithADecimalComma) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  const struct {
    double zoom;
    const char* text;
  } cases[] = {{1.303, "Zoom 130,3 %"}, {1.0 / 16, "Zoom 6,25 %"}, {2, "Zoom 200 %"}};
  for (const auto& c : cases) {
    frame->Views()[0]->SetZoom(c.zoom);
    EXPECT_EQ(frame->StatusText(1), c.text);
  }
}

TEST(ViewerView, CtrlWheelZoomsAroundThePixelUnderTheMouse) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  // From 200 %, where the picture is larger than the window and scrolls.
  Command(*frame, viewer::kZoom100);
  Command(*frame, viewer::kZoomIn);
  Command(*frame, viewer::kZoomIn);
  const POINT client = ScrollToAndLocate(view, POINT{300, 200});
  SendMessageA(view.Window(), WM_MOUSEMOVE, 0, At(client));
  const std::string under = frame->StatusText(2);
  EXPECT_EQ(under.substr(0, 14), "x 300, y 200 :");
  POINT screen = client;
  ClientToScreen(view.Window(), &screen);
  // Two notches in (300 %, 400 %), then one out (300 %).
  for (int notches : {WHEEL_DELTA, WHEEL_DELTA, -WHEEL_DELTA})
    SendMessageA(view.Window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, notches), At(screen));
  EXPECT_EQ(frame->StatusText(1), "Zoom 300 %");
  SendMessageA(view.Window(), WM_MOUSEMOVE, 0, At(client));
  EXPECT_EQ(frame->StatusText(2), under);
}

TEST(ViewerTools, EachToolByItsMenuGivesTheBatchHostsPixelsAndOneUndoStep) {
  for (const ToolRun& run : kToolRuns) {
    SCOPED_TRACE(run.run);
    auto frame = StartViewer({DataFile("chelsea.png")});
    ASSERT_TRUE(frame && frame->Views().size() == 1u);
    ImageView& view = *frame->Views()[0];
    ZoomTo300(*frame);
    host::DialogChoices choices;
    run.choose(choices);
    const host::DialogReport report = RunByMenu(*frame, view, run.tool, choices);
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    EXPECT_FALSE(frame->Session().Busy());
    const std::vector<Pixel24> result = view.Document().Bytes();
    EXPECT_TRUE(Near(result, BatchResult(run.run), run.tolerance));
    EXPECT_EQ(host::TextOf(view.Window()), "chelsea.png *");
    Command(*frame, viewer::kUndo);
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), Chelsea(), 451));
    EXPECT_EQ(host::TextOf(view.Window()), "chelsea.png");
    EXPECT_FALSE(view.Document().CanUndo());
    Command(*frame, viewer::kRedo);
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), result, 451));
  }
}

TEST(ViewerTools, ACancelledToolLeavesTheImageAsItWas) {
  const ToolRun& threshold = kToolRuns[1];
  const ToolRun& background = kToolRuns[4];
  for (const ToolRun* run : {&threshold, &background}) {
    SCOPED_TRACE(run->run);
    auto frame = StartViewer({DataFile("chelsea.png")});
    ASSERT_TRUE(frame && frame->Views().size() == 1u);
    ImageView& view = *frame->Views()[0];
    ZoomTo300(*frame);
    host::DialogChoices choices;
    run->choose(choices);
    choices.cancel = true;
    const host::DialogReport report = RunByMenu(*frame, view, run->tool, choices);
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), Chelsea(), 451));
    EXPECT_FALSE(view.Document().CanUndo());
    EXPECT_EQ(host::TextOf(view.Window()), "chelsea.png");
  }
}

TEST(ViewerTools, VisualiserShowsAtOnceAndCancelPutsTheImageBack) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  Command(*frame, viewer::kZoom100);
  const int32_t y = 150;
  std::vector<Pixel24> shown, filtered;
  host::DialogScript script;
  script.WaitFor("Filtres Matriciels");
  script.Do("Gauss, Visualiser", [] {
    HWND dialog = host::FindDialog("Filtres Matriciels");
    host::PickComboItem(host::ChildAt(dialog, "ComboBox", 262, 25), "Gauss");
    host::Click(host::FindChild(dialog, "Button", "Visualiser"));
  });
  script.Do("read the screen, then Annuler", [&] {
    shown = RowOnScreen(view, y);
    const std::vector<Pixel24> bytes = view.Document().Bytes();
    filtered.assign(bytes.begin() + y * 451, bytes.begin() + (y + 1) * 451);
    host::PostClick(host::FindChild(host::FindDialog("Filtres Matriciels"), "Button", "Annuler"));
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kFirstTool + 3); })) << script.FailureText();
  const std::vector<Pixel24> original = Chelsea();
  const std::vector<Pixel24> originalRow(original.begin() + y * 451, original.begin() + (y + 1) * 451);
  EXPECT_FALSE(SamePixels(filtered, originalRow, 451)) << "Visualiser changed nothing";
  EXPECT_TRUE(SamePixels(shown, filtered, 451));
  EXPECT_TRUE(SamePixels(view.Document().Bytes(), original, 451));
  EXPECT_FALSE(view.Document().CanUndo());
}

TEST(ViewerTools, ComparisonAndMergeTakeTheImageWindowClickedSecond) {
  // The batch host's second images: the photograph after the noise
  // reduction, and the photograph mirrored.
  auto frame = StartOnTheSecondImages("miroir.png");
  ASSERT_TRUE(frame);
  ImageView& first = *frame->Views()[0];
  ImageView& reduced = *frame->Views()[1];
  ImageView& mirror = *frame->Views()[2];

  const struct {
    const char* run;
    int32_t tool;
    ImageView& second;
    host::DialogChoices choices;
    const char* title;
  } cases[] = {
      {"comparaison", 1, reduced, [] { host::DialogChoices c; c.factor = 8; return c; }(),
       "Image d'écart — chelsea, chelsea *"},
      {"fusionner", 7, mirror,
       [] {
         host::DialogChoices c;
         c.mode = "transparence", c.rate = 30, c.prevalent = 1, c.hasBand = true, c.bandLow = 60, c.bandHigh = 200;
         return c;
       }(),
       "Fusion d'images — chelsea, molvane-viewer-miroir *"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    const size_t before = frame->Views().size();
    const host::DialogReport report = RunByMenu(*frame, first, c.tool, c.choices, [&] {
      EXPECT_TRUE(frame->Session().WaitsForSecondImage());
      RECT area;
      GetClientRect(c.second.Window(), &area);
      ClickAt(c.second.Window(), POINT{area.right / 2, area.bottom / 2});
    });
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    ASSERT_EQ(frame->Views().size(), before + 1);
    ImageView& made = *frame->Views().back();
    EXPECT_EQ(host::TextOf(made.Window()), c.title);
    EXPECT_TRUE(SamePixels(made.Document().Bytes(), BatchResult(c.run), 451));
    EXPECT_TRUE(SamePixels(first.Document().Bytes(), Chelsea(), 451));
    EXPECT_FALSE(frame->Session().Busy());
  }
  DeleteFileA(TemporaryFile("miroir.png").c_str());
}

// One round of a person's work: every tool through its dialog, applied or
// cancelled, points picked, second images clicked, their results' windows
// closed, then every step undone and one redone and undone again.
void WorkRound(MainFrame& frame, ImageView& view, ImageView& second, bool cancel) {
  for (const ToolRun& run : kToolRuns) {
    SCOPED_TRACE(run.run);
    host::DialogChoices choices;
    run.choose(choices);
    choices.cancel = cancel && host::HasDrivenDialog(run.tool);
    const host::DialogReport report = RunByMenu(frame, view, run.tool, choices);
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    ASSERT_FALSE(frame.Session().Busy());
  }
  for (int32_t tool : {MOLVANE_TOOL_COMPARISON, MOLVANE_TOOL_MERGE}) {
    host::DialogChoices choices;
    choices.cancel = cancel;
    const size_t windows = frame.Views().size();
    const host::DialogReport report = RunByMenu(frame, view, tool, choices, [&] {
      RECT area;
      GetClientRect(second.Window(), &area);
      ClickAt(second.Window(), POINT{area.right / 2, area.bottom / 2});
    });
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    ASSERT_FALSE(frame.Session().Busy()) << "tool " << tool;
    ASSERT_EQ(frame.Views().size(), windows + (cancel ? 0 : 1));
    if (!cancel) SendMessageA(GetParent(view.Window()), WM_MDIDESTROY, WPARAM(frame.Views().back()->Window()), 0);
  }
  Activate(view);
  for (int step = 0; step < 20 && view.Document().CanUndo(); ++step) Command(frame, viewer::kUndo);
  Command(frame, viewer::kRedo);
  Command(frame, viewer::kUndo);
  ASSERT_TRUE(SamePixels(view.Document().Bytes(), Chelsea(), 451));
}

// MOLVANE_SOAK_ROUNDS measured rounds (4 unless set; 500 for a long run)
// after two rounds of warming up.
int SoakRounds() {
  const char* set = std::getenv("MOLVANE_SOAK_ROUNDS");
  const int rounds = set ? std::atoi(set) : 0;
  return rounds >= 2 ? rounds : 4;
}

TEST(ViewerSoak, RoundsOfEveryToolLeaveNoObjectAndNoMemoryBehind) {
  auto frame = StartViewer({DataFile("chelsea.png"), DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 2u);
  ImageView& view = *frame->Views()[0];
  ImageView& second = *frame->Views()[1];
  for (bool cancel : {false, true}) WorkRound(*frame, view, second, cancel);
  const host::ProcessResources start = host::CountProcessResources();
  const int rounds = SoakRounds();
  for (int round = 0; round < rounds && !HasFatalFailure(); ++round) WorkRound(*frame, view, second, round % 2 == 1);
  const host::ProcessResources end = host::CountProcessResources();
  std::printf("after warming up: %s\nafter %d rounds of %zu tool runs: %s\n",
              host::DescribeResources(start).c_str(), rounds, std::size(kToolRuns) + 2,
              host::DescribeResources(end).c_str());
  // A leak of one object in every run of one tool, applied or cancelled, is
  // rounds / 2 objects: fewer than that is the system's own caching.
  const auto grew = [](size_t from, size_t to) { return to > from ? to - from : 0; };
  const size_t objects = size_t(rounds / 2);
  EXPECT_LT(grew(start.gdiObjects, end.gdiObjects), objects);
  EXPECT_LT(grew(start.windows, end.windows), objects);
  EXPECT_LT(grew(start.kernelHandles, end.kernelHandles), objects);
  // One block of a few kB kept by every run of one tool is rounds / 2 blocks;
  // committed pages may grow a little as the heaps settle.
  EXPECT_LT(grew(start.heapBytes, end.heapBytes), size_t(rounds / 2) * 4096);
  EXPECT_LT(grew(start.privateBytes, end.privateBytes), size_t(4) << 20);
}

// The photograph repeated over 6000 x 4000 pixels: the size of a 24-megapixel camera's.
host::Bitmap24 LargePhotograph() {
  const std::vector<Pixel24> tile = Chelsea();
  host::Bitmap24 large{6000, 4000, std::vector<Pixel24>(size_t(6000) * 4000)};
  for (int32_t y = 0; y < large.height; ++y)
    for (int32_t x = 0; x < large.width; ++x)
      large.pixels[size_t(y) * 6000 + size_t(x)] = tile[size_t(y % 300) * 451 + size_t(x % 451)];
  return large;
}

// MOLVANE_LARGE_RUNS tool runs (12 unless set, enough to fill the budget; 50 for a long run).
int LargeRuns() {
  const char* set = std::getenv("MOLVANE_LARGE_RUNS");
  const int runs = set ? std::atoi(set) : 0;
  return runs > 0 ? runs : 12;
}

TEST(ViewerHistory, RunsOnA24MegapixelPhotographKeepUndoWithinTheBudget) {
  const std::string path = TemporaryFile("24mpx.bmp");
  std::string error;
  ASSERT_TRUE(host::WriteBmpFile(path, LargePhotograph(), error)) << error;
  auto frame = StartViewer({path});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  const int runs = LargeRuns();
  std::vector<Pixel24> previous;
  size_t mostPrivate = 0;
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE(::testing::Message() << "run " << run + 1);
    // The threshold and the gradient by turns: each changes what the other made.
    host::DialogChoices choices;
    const ToolRun& tool = kToolRuns[run % 2 ? 2 : 1];
    tool.choose(choices);
    previous = view.Document().Bytes();
    const host::DialogReport report = RunByMenu(*frame, view, tool.tool, choices);
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    ASSERT_TRUE(view.Document().CanUndo());
    ASSERT_LE(frame->History().Used(), frame->History().Limit());
    mostPrivate = std::max(mostPrivate, host::CountProcessResources().privateBytes);
  }
  std::printf("%d runs at 6000 x 4000: history %.0f of %.0f MB, at most %.0f MB of private memory\n", runs,
              double(frame->History().Used()) / (1 << 20), double(frame->History().Limit()) / (1 << 20),
              double(mostPrivate) / (1 << 20));
  // A 32-bit process has 2 GB; the viewer keeps well away from it.
  EXPECT_LT(mostPrivate, size_t(1536) << 20);
  Command(*frame, viewer::kUndo);
  EXPECT_TRUE(view.Document().Bytes() == previous) << "the last run's undo does not give its image back";
  if (runs >= 10) {
    EXPECT_NE(frame->StatusText(3).find("Historique plein"), std::string::npos) << frame->StatusText(3);
  }
  frame.reset();
  DeleteFileA(path.c_str());
}

TEST(ViewerFiles, CopyAndPasteCarryExactPixelsAndRefuseWhatIsNoImage) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  Command(*frame, viewer::kCopy);
  // The copy is what another program reads: a packed 24-bit bitmap of the image.
  ASSERT_TRUE(OpenClipboard(frame->Window()));
  HANDLE copied = GetClipboardData(CF_DIB);
  host::Bitmap24 read;
  std::string error;
  const bool decoded = copied && viewer::DecodeDib(static_cast<const uint8_t*>(GlobalLock(copied)),
                                                   GlobalSize(copied), read, error);
  if (copied) GlobalUnlock(copied);
  CloseClipboard();
  ASSERT_TRUE(decoded) << error;
  EXPECT_TRUE(SamePixels(read.pixels, Chelsea(), 451));

  const Pixel24 a{1, 2, 3}, b{4, 5, 6}, c{7, 8, 9}, d{10, 11, 12}, e{13, 14, 15}, f{16, 17, 18};
  const struct {
    const char* what;
    UINT format;
    std::vector<uint8_t> bytes;
    std::vector<Pixel24> pixels;  // empty: refused with `message`
    const char* message;
  } cases[] = {
      {"our own copy", CF_DIB, {}, Chelsea(), nullptr},
      {"32 bits, rows top-down", CF_DIB,
       Dib(3, -2, 32, {1, 2, 3, 255, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0}),
       {a, b, c, d, e, f}, nullptr},
      {"24 bits, rows bottom-up and padded", CF_DIB,
       Dib(3, 2, 24, {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}),
       {a, b, c, d, e, f}, nullptr},
      {"a PNG from a browser", RegisterClipboardFormatA("PNG"), FileBytes(DataFile("chelsea.png")), Chelsea(),
       nullptr},
      {"rows missing", CF_DIB, Dib(3, 200000, 24, {1, 2, 3}), {}, "endommagée"},
      {"8 bits", CF_DIB, Dib(3, 2, 8, std::vector<uint8_t>(8)), {}, "8 bits par pixel"},
      {"text", CF_TEXT, {'a', 'b', 0}, {}, "ne contient pas d'image"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.bytes.empty()) PutOnClipboard(frame->Window(), c.format, c.bytes);
    const size_t windows = frame->Views().size();
    if (c.message) {
      const std::string text = AnswerBox([&] { Command(*frame, viewer::kPaste); });
      EXPECT_TRUE(Contains(text, c.message)) << text;
      EXPECT_EQ(frame->Views().size(), windows);
      continue;
    }
    Command(*frame, viewer::kPaste);
    ASSERT_EQ(frame->Views().size(), windows + 1);
    const ImageView& pasted = *frame->Views().back();
    EXPECT_TRUE(pasted.Document().Bytes() == c.pixels);
    EXPECT_TRUE(Contains(host::TextOf(pasted.Window()), "Image collée")) << host::TextOf(pasted.Window());
  }
}

}  // namespace
}  // namespace molvane::hosttest
