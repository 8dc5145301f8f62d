// Tool 3, the matrix filter dialog, driven on its real windows: list, grid, errors, file dialogs, speed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "tools/convolution.h"
#include "tools/filter_file.h"
#include "tools/matrix_filter.h"

namespace molvane::hosttest {
namespace {

// The rows a combo box's list shows dropped down, as a user sees it.
int DroppedRows(HWND combo) {
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  RECT list{};
  const bool found = GetComboBoxInfo(combo, &info) && GetClientRect(info.hwndList, &list);
  const int row = found ? int(SendMessageA(info.hwndList, LB_GETITEMHEIGHT, 0, 0)) : 0;
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
  return row > 0 ? int(list.bottom - list.top) / row : -1;
}

constexpr int32_t kTool = MOLVANE_TOOL_MATRIX_FILTER;
constexpr int32_t kUserValue = 0xF17;
const char kCaption[] = "Filtres Matriciels";
const host::GridCells kCells{30, 21};
const std::vector<std::string> kBuiltInNames = {"Lissage", "Accentuation", "Passe-haut", "Contour",
                                                "Sobel",   "Gauss",        "Utilisateur"};

HWND Dialog() { return host::FindDialog(kCaption); }
HWND Button(const char* caption) { return host::FindChild(Dialog(), "Button", caption); }
// The controls by their places: GroupBox1 at (5, 5), GroupBox2 at (255, 5).
HWND Grid() { return host::ChildAt(Dialog(), "MolvaneGrid", 15, 25); }
HWND DenFlt() { return host::ChildAt(Dialog(), "Edit", 25, 205); }
HWND DecFlt() { return host::ChildAt(Dialog(), "Edit", 110, 205); }
HWND DimFlt() { return host::ChildAt(Dialog(), "ComboBox", 180, 205); }
HWND TypeFiltres() { return host::ChildAt(Dialog(), "ComboBox", 262, 25); }

std::string Decimal(const char* text) {
  std::string shown = text;
  for (char& c : shown)
    if (c == '.') c = UserDecimalSeparator();
  return shown;
}

// What the filter makes of the image, computed literally here.
std::vector<Pixel24> Filtered(const TMatrixFilter& filter, const std::vector<Pixel24>& pixels, int32_t width,
                              int32_t height) {
  std::vector<Pixel24> out(pixels.size());
  const ConvolutionStatus status =
      ConvolveReference(filter, (filter.Size - 1) / 2, pixels.data(), out.data(), width, height);
  EXPECT_EQ(status, ConvolutionStatus::Done);
  return out;
}

void ExpectCall(const host::CallbackCall& call, int32_t width, int32_t height, intptr_t actionData, int applied,
                int finished) {
  EXPECT_EQ(call.userValue, kUserValue);
  EXPECT_EQ(call.width, width);
  EXPECT_EQ(call.height, height);
  EXPECT_EQ(call.reserved1, 0);
  EXPECT_EQ(call.reserved2, 0);
  EXPECT_EQ(call.actionCode, MOLVANE_ACTION_NONE);
  EXPECT_EQ(call.actionData, actionData);
  EXPECT_EQ(call.applied & 0xFF, applied);
  EXPECT_EQ(call.finished, finished);
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A folder of its own under the system's temporary folder, for filter files.
std::string TemporaryFolder() {
  const std::string folder = TemporaryPath("molvane-filtres-" + std::to_string(GetCurrentProcessId()));
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// Each test starts from a freshly loaded library: the user filter's edits and
// name last as long as the library stays loaded.
class MatrixFilterDialog : public ::testing::Test {
 protected:
  void SetUp() override { ReloadPlugin(); }
};

// A built-in filter: the list, the read-only controls, "Visualiser" writing
// the filter into the host's buffer and reporting Finished 0, then
// "Appliquer", which with nothing changed does not run it again.
TEST_F(MatrixFilterDialog, GaussVisualiserThenAppliquer) {
  host::Bitmap24 photo;
  std::string error;
  ASSERT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), photo, error)) << error;
  const int32_t w = photo.width, h = photo.height;
  TPtsImg image = MakeImage(photo.pixels);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  const std::vector<Pixel24> expected = Filtered(BuiltInFilter(5), photo.pixels, w, h);
  std::vector<Pixel24> duringVisualiser;
  recorder.DuringCall([&](const host::CallbackCall& call) {
    if (call.finished == 0) duringVisualiser = PixelsOf(image);
  });
  const Pixel24 marker{1, 2, 3};

  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("the list at opening",
          [&] {
            EXPECT_EQ(host::ComboItems(TypeFiltres()), kBuiltInNames);
            EXPECT_EQ(host::ComboSelection(TypeFiltres()), 6);
            EXPECT_TRUE(host::IsEnabled(DenFlt())) << "the user filter is editable";
          })
      .Do("choose Gauss",
          [&] {
            ASSERT_TRUE(host::PickComboItem(TypeFiltres(), "Gauss"));
            EXPECT_EQ(host::TextOf(DenFlt()), "6676");
            EXPECT_EQ(host::TextOf(DecFlt()), "127");
            EXPECT_EQ(host::TextOf(DimFlt()), "7 x 7");
            EXPECT_FALSE(host::IsEnabled(DenFlt()));
            EXPECT_FALSE(host::IsEnabled(DecFlt()));
            EXPECT_FALSE(host::IsEnabled(DimFlt()));
            // A built-in's cells open no editor.
            EXPECT_FALSE(host::TypeInGrid(Grid(), kCells, 3, 3, {"5"}));
          })
      .Do("back to the list",
          [&] {
            // The grid lets the focus go and repaints before the run, as it
            // does when a user clicks elsewhere.
            ASSERT_TRUE(host::PickComboItem(TypeFiltres(), "Gauss"));
          })
      .Do("Visualiser", [&] { host::Click(Button("Visualiser")); })
      .Do("the host marks its buffer, then Appliquer", [&] {
        ASSERT_EQ(recorder.Calls().size(), 1u);
        image[0] = marker;
        host::Click(Button("Appliquer"));
      });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

  EXPECT_TRUE(SamePixels(duringVisualiser, expected, w)) << "the host's buffer during the Visualiser callback";
  ASSERT_EQ(recorder.Calls().size(), 2u);
  ExpectCall(recorder.Calls()[0], w, h, 0, 0, 0);
  ExpectCall(recorder.Calls()[1], w, h, 0, 1, 1);
  EXPECT_EQ(PixelsOf(image)[0], marker) << "Appliquer ran the filter again";
  std::vector<Pixel24> rest = PixelsOf(image);
  rest[0] = expected[0];
  EXPECT_TRUE(SamePixels(rest, expected, w));
}

// The user filter edited as a user does: a 5 x 5 size, cells typed into the
// grid (an asymmetric block, so a transposition shows), divisor and offset.
// "Appliquer" alone runs it and closes with ActionData 3.
TEST_F(MatrixFilterDialog, UserFilterTypedIntoTheGrid) {
  const int32_t w = 37, h = 23;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);

  // Rows 1..5, columns 1..5 of the grid; and one cell outside the block.
  const std::vector<std::vector<std::string>> block = {{"1", "0", "0", "0", "0"},
                                                       {"0", "0", "2", "0", "0"},
                                                       {"0", "0", "3", "0", "-1"},
                                                       {"0", "-1", "0", "0", "0"},
                                                       {"0", "0", "0", "0", "1"}};
  TMatrixFilter expectedFilter = BuiltInFilter(6);
  expectedFilter.Size = 5;
  expectedFilter.Offset = 10;
  expectedFilter.SetDivisor(4);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c) expectedFilter.Coeff[r + 1][c + 1] = std::stoi(block[size_t(r)][size_t(c)]);
  expectedFilter.Coeff[0][6] = 9;

  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("edit the user filter",
          [&] {
            EXPECT_EQ(host::TextOf(DenFlt()), "1");
            EXPECT_EQ(host::TextOf(DimFlt()), "3 x 3");
            ASSERT_TRUE(host::PickComboItem(DimFlt(), "5 x 5"));
            host::TypeInto(DenFlt(), "4");
            host::TypeInto(DecFlt(), "10");
            for (int r = 0; r < 5; ++r) ASSERT_TRUE(host::TypeInGrid(Grid(), kCells, 1, r + 1, block[size_t(r)]));
            ASSERT_TRUE(host::TypeInGrid(Grid(), kCells, 6, 0, {"9"}));
            host::PressKey(host::GridEditor(Grid()), VK_RETURN);
            EXPECT_EQ(host::GridEditor(Grid()), nullptr) << "Enter leaves the cell editor open";
          })
      .Do("Appliquer", [&] { host::Click(Button("Appliquer")); });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

  ASSERT_EQ(recorder.Calls().size(), 1u);
  ExpectCall(recorder.Calls()[0], w, h, 3, 1, 1);
  EXPECT_TRUE(SamePixels(PixelsOf(image), Filtered(expectedFilter, original, w, h), w));

  // The edits last: the next opening shows them.
  std::string offset;
  host::DialogScript again;
  again.WaitFor(kCaption).Do("read and cancel", [&] {
    offset = host::TextOf(DecFlt());
    host::Click(Button("Annuler"));
  });
  ASSERT_TRUE(RunDialog(again, kTool, image, w, h));
  EXPECT_EQ(offset, "10");
}

// A text that cannot be read stops the run before any pixel: the user reads
// the runtime's message in the real error box; "Visualiser" then reports
// nothing, "Appliquer" still closes the dialog, reported not applied.
TEST_F(MatrixFilterDialog, UnreadableValuesShowTheErrorAndWriteNothing) {
  const struct {
    const char* what;
    const char* field;  // "DenFlt", "DecFlt" or a grid cell
    const char* text;
    const char* button;
    const char* message;
  } cases[] = {
      {"offset", "DecFlt", "abc", "Appliquer", "'abc' n'est pas une valeur entière correcte"},
      {"divisor", "DenFlt", "1,5x", "Visualiser", "'1,5x' n'est pas une valeur en virgule flottante correcte"},
      {"emptied cell", "cell", "\b", "Appliquer", "'' n'est pas une valeur entière correcte"},
  };
  const int32_t w = 9, h = 7;
  const std::vector<Pixel24> original = Ramp(w, h);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TPtsImg image = MakeImage(original);
    host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
    std::string boxText;
    size_t callsAfterBox = 99;
    const bool visualiser = std::strcmp(c.button, "Visualiser") == 0;
    host::DialogScript script;
    script.WaitFor(kCaption)
        .Do("type the bad value",
            [&] {
              if (std::strcmp(c.field, "DenFlt") == 0) host::TypeInto(DenFlt(), c.text);
              else if (std::strcmp(c.field, "DecFlt") == 0) host::TypeInto(DecFlt(), c.text);
              else {
                ASSERT_TRUE(host::TypeInGrid(Grid(), kCells, 4, 5, {c.text}));
                host::PressKey(host::GridEditor(Grid()), VK_RETURN);
              }
            })
        .Do(std::string("click ") + c.button, [&] { host::PostClick(Button(c.button)); })
        .OnSystemDialog("read the error box", [&](HWND box) {
          boxText = host::MessageBoxText(box);
          callsAfterBox = recorder.Calls().size();
          host::PressOk(box);
        });
    if (visualiser) script.Do("Annuler", [&] { host::Click(Button("Annuler")); });
    ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

    EXPECT_EQ(boxText, c.message);
    EXPECT_EQ(callsAfterBox, 0u) << "a callback before the box was closed";
    EXPECT_TRUE(SamePixels(PixelsOf(image), original, w));
    ASSERT_EQ(recorder.Calls().size(), 1u) << "one callback, at the close";
    ExpectCall(recorder.Calls()[0], w, h, 3, 0, 1);
  }
}

// The real save and open dialogs: the user filter saved as 240 bytes under
// the name of its file, loaded back as a new list entry; a short file
// refused with the runtime's message, a long one read from its start.
TEST_F(MatrixFilterDialog, SaveAndLoadThroughTheFileDialogs) {
  const std::string folder = TemporaryFolder();
  const std::string saved = folder + "\\essai-molvane.flt";
  const std::string shortFile = folder + "\\court.flt";
  const std::string longFile = folder + "\\long.flt";
  DeleteFileA(saved.c_str());
  const int32_t w = 5, h = 4;
  TPtsImg image = MakeImage(Ramp(w, h));
  FreshRecorder(kUserValue);

  std::vector<std::string> listAfterSave, listAfterLoad;
  int selectionAfterLoad = -1, droppedRowsAfterLoad = -1;
  std::string offsetAfterLoad, divisorAfterLoad;
  bool editableAfterLoad = false;
  host::DialogScript script;
  script.WaitFor(kCaption)
      .Do("edit, Enregistrer",
          [&] {
            host::TypeInto(DenFlt(), Decimal("2.5"));
            host::TypeInto(DecFlt(), "-3");
            ASSERT_TRUE(host::TypeInGrid(Grid(), kCells, 3, 3, {"2"}));
            ASSERT_TRUE(host::TypeInGrid(Grid(), kCells, 0, 6, {"-7"}));
            host::PressKey(host::GridEditor(Grid()), VK_RETURN);
            host::PostClick(Button("Enregistrer"));
          })
      .OnSystemDialog("answer the save dialog",
                      [&](HWND dialog) { EXPECT_TRUE(host::AnswerFileDialog(dialog, saved)); })
      .Then("the file is written",
            [&] {
              if (FileBytes(saved).empty()) return false;
              listAfterSave = host::ComboItems(TypeFiltres());
              host::PostClick(Button("Charger"));
              return true;
            })
      .OnSystemDialog("answer the open dialog",
                      [&](HWND dialog) { EXPECT_TRUE(host::AnswerFileDialog(dialog, saved)); })
      .Then("the filter is loaded", [&] {
        if (host::FindSystemDialog()) return false;
        listAfterLoad = host::ComboItems(TypeFiltres());
        if (listAfterLoad.size() < 8) return false;
        selectionAfterLoad = host::ComboSelection(TypeFiltres());
        droppedRowsAfterLoad = DroppedRows(TypeFiltres());
        offsetAfterLoad = host::TextOf(DecFlt());
        divisorAfterLoad = host::TextOf(DenFlt());
        editableAfterLoad = host::IsEnabled(DecFlt());
        host::Click(Button("Annuler"));
        return true;
      });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));

  // The entry keeps its text in the list until the next opening.
  EXPECT_EQ(listAfterSave, kBuiltInNames);
  std::vector<std::string> withLoaded = kBuiltInNames;
  withLoaded.push_back("essai-molvane");
  EXPECT_EQ(listAfterLoad, withLoaded);
  EXPECT_EQ(selectionAfterLoad, 7);
  EXPECT_EQ(droppedRowsAfterLoad, 7) << "eight entries, a list of seven rows that scrolls";
  EXPECT_EQ(offsetAfterLoad, "-3");
  EXPECT_EQ(divisorAfterLoad, Decimal("2.5"));
  EXPECT_TRUE(editableAfterLoad);

  const std::vector<uint8_t> bytes = FileBytes(saved);
  ASSERT_EQ(bytes.size(), 240u);
  TMatrixFilter record;
  std::memcpy(&record, bytes.data(), sizeof record);
  EXPECT_EQ(int(bytes[0]), 13);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1]), 13), "essai-molvane");
  EXPECT_EQ(record.Size, 3);
  EXPECT_EQ(record.Offset, -3);
  const long double twoAndAHalf = 2.5L;
  EXPECT_EQ(std::memcmp(&bytes[32], &twoAndAHalf, 10), 0) << "the divisor's 80 bits";
  TMatrixFilter identity = BuiltInFilter(6);
  identity.Coeff[3][3] = 2;
  identity.Coeff[6][0] = -7;
  EXPECT_EQ(std::memcmp(record.Coeff, identity.Coeff, sizeof record.Coeff), 0);
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bytes[44 + 4 * (7 * 6 + 0)]), -7) << "row 6, column 0";

  // A file one byte short, and one with 60 bytes more.
  WriteFileBytes(shortFile, std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));
  std::vector<uint8_t> longer = bytes;
  longer.insert(longer.end(), 60, 0xEE);
  longer[1] = 'L';
  WriteFileBytes(longFile, longer);

  std::vector<std::string> listAtOpening, listAfterShort, listAfterLong;
  std::string shortBox;
  host::DialogScript reopen;
  reopen.WaitFor(kCaption)
      .Do("Charger the short file",
          [&] {
            listAtOpening = host::ComboItems(TypeFiltres());
            host::PostClick(Button("Charger"));
          })
      .OnSystemDialog("answer the open dialog",
                      [&](HWND dialog) { EXPECT_TRUE(host::AnswerFileDialog(dialog, shortFile)); })
      .Then("read the error box",
            [&] {
              HWND box = host::FindSystemDialog();
              if (!box || host::MessageBoxText(box).empty()) return false;
              shortBox = host::MessageBoxText(box);
              host::PressOk(box);
              return true;
            })
      .Then("Charger the long file",
            [&] {
              if (host::FindSystemDialog()) return false;
              listAfterShort = host::ComboItems(TypeFiltres());
              host::PostClick(Button("Charger"));
              return true;
            })
      .OnSystemDialog("answer the open dialog",
                      [&](HWND dialog) { EXPECT_TRUE(host::AnswerFileDialog(dialog, longFile)); })
      .Then("the long file is loaded", [&] {
        if (host::FindSystemDialog()) return false;
        listAfterLong = host::ComboItems(TypeFiltres());
        host::Click(Button("Annuler"));
        return true;
      });
  ASSERT_TRUE(RunDialog(reopen, kTool, image, w, h));

  std::vector<std::string> renamed = kBuiltInNames;
  renamed[6] = "essai-molvane";
  EXPECT_EQ(listAtOpening, renamed) << "the saved user filter is listed under its new name, and alone";
  EXPECT_EQ(shortBox, "Lecture au-delà de la fin de fichier");
  EXPECT_EQ(listAfterShort, renamed) << "a failed load changed the list";
  std::vector<std::string> withLong = renamed;
  withLong.push_back("Lssai-molvane");
  EXPECT_EQ(listAfterLong, withLong);

  DeleteFileA(saved.c_str());
  DeleteFileA(shortFile.c_str());
  DeleteFileA(longFile.c_str());
  RemoveDirectoryA(folder.c_str());
}

// "Appliquer" of the heaviest built-in on a 4000 x 3000 image, timed as the
// user waits for it (printed, not asserted). Three bands of rows, the first,
// a middle and the last, are checked against the literal computation: a
// neighbour lies at most four rows away once a row's edge wraps.
TEST_F(MatrixFilterDialog, AppliquerOnALargeImageTimed) {
  const int32_t w = 4000, h = 3000;
  const std::vector<Pixel24> original = Ramp(w, h);
  TPtsImg image = MakeImage(original);
  host::CallbackRecorder& recorder = FreshRecorder(kUserValue);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  double appliquerMs = -1;

  host::DialogScript script(20, 120000);
  script.WaitFor(kCaption)
      .Do("choose Gauss", [&] { ASSERT_TRUE(host::PickComboItem(TypeFiltres(), "Gauss")); })
      .Do("Appliquer", [&] {
        QueryPerformanceCounter(&start);
        host::Click(Button("Appliquer"));
        QueryPerformanceCounter(&end);
        appliquerMs = double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
      });
  ASSERT_TRUE(RunDialog(script, kTool, image, w, h));
  std::printf("\"Appliquer\" of Gauss (7 x 7) on %d x %d under Wine: %.0f ms\n", int(w), int(h), appliquerMs);

  ASSERT_EQ(recorder.Calls().size(), 1u);
  ExpectCall(recorder.Calls()[0], w, h, 3, 1, 1);
  const TMatrixFilter gauss = BuiltInFilter(5);
  const std::vector<Pixel24> result = PixelsOf(image);
  const struct {
    int32_t first, last;  // rows checked
  } bands[] = {{0, 7}, {1500, 1507}, {h - 8, h - 1}};
  for (const auto& band : bands) {
    SCOPED_TRACE("rows " + std::to_string(band.first) + " to " + std::to_string(band.last));
    const int32_t top = std::max(band.first - 4, 0);
    const int32_t bottom = std::min(band.last + 4, h - 1);
    const std::vector<Pixel24> slice(original.begin() + ptrdiff_t(top) * w,
                                     original.begin() + ptrdiff_t(bottom + 1) * w);
    const std::vector<Pixel24> filtered = Filtered(gauss, slice, w, bottom - top + 1);
    const std::vector<Pixel24> expected(filtered.begin() + ptrdiff_t(band.first - top) * w,
                                        filtered.begin() + ptrdiff_t(band.last - top + 1) * w);
    const std::vector<Pixel24> actual(result.begin() + ptrdiff_t(band.first) * w,
                                      result.begin() + ptrdiff_t(band.last + 1) * w);
    EXPECT_TRUE(SamePixels(actual, expected, w));
  }
}

}  // namespace
}  // namespace molvane::hosttest

namespace molvane::hosttest {
namespace {

// The file errors as Windows reports them: the message for each failure the
// user can name, and for any other the system's own error code.
TEST(MatrixFilterFileErrors, EachFailureWithItsMessageOrTheSystemsCode) {
  const std::string folder = TemporaryFolder();
  const struct {
    const char* what;
    bool save;
    std::string path;
    std::string message;
  } cases[] = {
      {"no such file", false, folder + "\\absent-molvane.flt", "Fichier introuvable"},
      {"a folder saved over", true, folder, "Accès au fichier refusé"},
      {"a full disk", true, "Z:\\dev\\full", "Disque plein"},
      {"a name Windows refuses", true, folder + "\\a<b>.flt",
       "Erreur E/S " + std::to_string(ERROR_INVALID_NAME)},
  };
  for (const auto& c : cases) {
    std::string message = "no error";
    try {
      if (c.save) SaveFilterFile(c.path, BuiltInFilter(0));
      else LoadFilterFile(c.path);
    } catch (const FileError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.what;
  }
}

}  // namespace
}  // namespace molvane::hosttest
