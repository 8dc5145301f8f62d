// The component gallery: one of every control on real windows, a screenshot of
// them, and a user's clicks, keys and slider moves sent as messages.
//
// ui_gallery [screenshot.bmp]
// Shows the gallery modally, saves what its window shows as a 24-bit BMP, then
// drives it from a thread timer as the plug-in's host tests do. Prints one
// line per check; the exit code is the number of failed checks.
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/path_names.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/form.h"

namespace {

using namespace molvane;
using namespace molvane::ui;

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

// --- pictures ----------------------------------------------------------------

Bitmap24 Swatch(Pixel24 colour) {
  Bitmap24 glyph(16, 16);  // cleared to black: the key colour of the last row and column
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 15; ++x) glyph.ScanLine(y)[x] = colour;
  return glyph;
}

// A folder: yellow body on a magenta key.
Bitmap24 FolderGlyph() {
  Bitmap24 glyph(16, 16);
  const Pixel24 key{255, 0, 255};
  const Pixel24 edge{0, 96, 128};
  const Pixel24 body{64, 208, 255};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool tab = y >= 2 && y < 4 && x >= 1 && x < 7;
      bool inside = y >= 4 && y < 14 && x >= 1 && x < 15;
      bool border = inside && (y == 4 || y == 13 || x == 1 || x == 14);
      glyph.ScanLine(y)[x] = border || tab ? edge : inside ? body : key;
    }
  return glyph;
}

// A diskette: dark blue with a light label, on a magenta key.
Bitmap24 DiskGlyph() {
  Bitmap24 glyph(16, 16);
  const Pixel24 key{255, 0, 255};
  const Pixel24 body{128, 48, 32};
  const Pixel24 label{240, 240, 240};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool inside = y >= 1 && y < 15 && x >= 1 && x < 15;
      bool paper = y >= 2 && y < 7 && x >= 4 && x < 12;
      glyph.ScanLine(y)[x] = paper ? label : inside ? body : key;
    }
  return glyph;
}

// A light-blue field whose corners darken.
Bitmap24 Illustration(int width, int height) {
  Bitmap24 picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double dx = std::min(x, width - 1 - x) / double(width / 2);
      double dy = std::min(y, height - 1 - y) / double(height / 2);
      double light = std::min(1.0, std::sqrt(dx * dx + dy * dy) * 1.6);
      picture.ScanLine(y)[x] = Pixel24{uint8_t(90 + 160 * light), uint8_t(70 + 150 * light),
                                       uint8_t(40 + 140 * light)};
    }
  return picture;
}

// A red flag on a pole, on a magenta key (the bottom-left pixel).
Bitmap24 Flag() {
  Bitmap24 flag(18, 18);
  const Pixel24 key{255, 0, 255};
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x) {
      Pixel24 p = key;
      if (x >= 3 && x < 5 && y >= 1) p = Pixel24{0, 0, 0};
      if (x >= 5 && x < 16 && y >= 1 && y < 9) p = Pixel24{0, 0, 224};
      flag.ScanLine(y)[x] = p;
    }
  return flag;
}

Bitmap24 Preview(int width, int height) {
  Bitmap24 picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.ScanLine(y)[x] = Pixel24{uint8_t(255 - y * 255 / height), uint8_t(x * 255 / width),
                                       uint8_t((x + y) * 255 / (width + height))};
  return picture;
}

// --- the gallery form --------------------------------------------------------

class Gallery : public Form {
 public:
  Gallery() : Form("Galerie") {
    SetCaption("Galerie des contrôles");
    SetClientSize(700, 420);

    CadreAff.SetBounds({10, 10, 242, 242});
    CadreAff.SetColour(0x808080);
    CadreAff.SetDoubleBuffered(true);
    PreVisu.Bitmap() = Preview(240, 180);
    PreVisu.SetBounds({1, 31, 240, 180});  // centred: the panel shows above and below

    SelectFond.SetBounds({10, 262, 111, 118});
    Titre.SetCaption("Sélection de la couleur de fond sur l'image originale");
    Titre.SetBounds({10, 15, 91, 46});
    Titre.SetAlignment(Alignment::Center);
    Titre.SetWordWrap(true);
    FondF1.SetCaption("Fond F1");
    FondF1.SetBounds({25, 65, 70, 17});
    FondF2.SetCaption("Fond F2");
    FondF2.SetBounds({25, 90, 70, 17});

    Fond.Bitmap() = Illustration(84, 56);
    Fond.SetStretch(true);
    Fond.SetBounds({130, 265, 168, 112});
    Label1.SetCaption("F1");
    Label1.SetBounds({135, 283, 0, 0});
    Label1.SetFont(0x00FFFF, FontWeight::Bold);
    Label1.SetTransparent(true);
    Label2.SetCaption("F2");
    Label2.SetBounds({235, 310, 0, 0});
    Label2.SetFont(0x00FFFF, FontWeight::Bold);
    Label2.SetTransparent(true);
    PtDep.Bitmap() = Flag();
    PtDep.SetTransparent(true);
    PtDep.SetBounds({198, 276, 18, 18});
    PosF1.SetBounds({135, 270, 12, 12});
    PosF2.SetBounds({236, 325, 12, 12});

    GroupBox1.SetCaption(" Caractéristiques du filtre ");
    GroupBox1.SetBounds({310, 5, 241, 236});
    CoeffFlt.SetBounds({10, 20, 220, 157});
    CoeffFlt.SetSize(7, 7, 30, 21);
    for (int r = 0; r < 7; ++r)
      for (int c = 0; c < 7; ++c) CoeffFlt.SetCell(c, r, r >= 2 && r <= 4 && c >= 2 && c <= 4 ? "1" : "0");
    CoeffFlt.SetCell(3, 3, "-8");
    Label3.SetCaption("Diviseur");
    Label3.SetBounds({25, 183, 0, 0});
    DenFlt.SetBounds({20, 200, 46, 21});
    DenFlt.SetText("1");
    Label4.SetCaption("Décalage");
    Label4.SetBounds({100, 183, 0, 0});
    DecFlt.SetBounds({105, 200, 36, 21});
    DecFlt.SetText("0");
    Label5.SetCaption("Taille");
    Label5.SetBounds({185, 183, 0, 0});
    DimFlt.SetBounds({175, 200, 50, 21});
    DimFlt.SetEditable(true);
    DimFlt.SetItems({"3 x 3", "5 x 5", "7 x 7"});
    DimFlt.SetItemIndex(0);

    SousSeuil.SetCaption(" Conserver l'image ");
    SousSeuil.SetBounds({310, 250, 241, 66});
    SousSeuil.SetItems({"Au-dessus du seuil", "En-dessous du seuil"});
    SousSeuil.SetItemIndex(0);
    ModeFusion.SetCaption(" Mode de fusion ");
    ModeFusion.SetBounds({310, 320, 241, 41});
    ModeFusion.SetColumns(2);
    ModeFusion.SetItems({"Luminosité", "Transparence"});
    ModeFusion.SetItemIndex(1);
    Img1PreV.SetCaption("Image N° 1");
    Img1PreV.SetBounds({318, 368, 90, 17});
    Img2PreV.SetCaption("Image N° 2");
    Img2PreV.SetBounds({420, 368, 90, 17});
    Img2PreV.SetEnabled(false);

    GroupBox2.SetCaption(" Filtres prédéfinis ");
    GroupBox2.SetBounds({560, 5, 130, 126});
    TypeFiltres.SetBounds({7, 20, 116, 21});
    TypeFiltres.SetItems({"Passe-bas", "Passe-haut", "Laplacien", "Sobel", "Gauss"});
    TypeFiltres.SetItemIndex(3);
    ChargFlt.SetCaption("Charger");
    ChargFlt.SetBounds({7, 55, 116, 25});
    ChargFlt.SetGlyph(FolderGlyph());
    EnrgFlt.SetCaption("Enregistrer");
    EnrgFlt.SetBounds({7, 93, 116, 25});
    EnrgFlt.SetGlyph(DiskGlyph());

    Seuil.SetCaption("Seuil :");
    Seuil.SetBounds({560, 142, 0, 0});
    ValS.SetAlignment(Alignment::Right);
    ValS.SetBounds({650, 142, 40, 16});
    PosSeuil.SetBounds({556, 158, 138, 30});
    PosSeuil.SetRange(0, 255);
    PosSeuil.SetPageSize(5);
    PosSeuil.SetFrequency(8);
    PosSeuil.SetPosition(128);
    ValS.SetCaption("128");

    ZoneTrsp.SetCaption("Zone transparente");
    ZoneTrsp.SetColour(0x00FFFF);
    ZoneTrsp.SetBounds({560, 196, 130, 14});
    Alerte.SetCaption("Texte en gras, rouge");
    Alerte.SetFont(0x0000C0, FontWeight::Bold);
    Alerte.SetBounds({560, 220, 0, 0});
    Eteint.SetCaption("Libellé désactivé");
    Eteint.SetBounds({560, 240, 0, 0});
    Eteint.SetEnabled(false);

    BtnCoulF1.SetCaption("Couleur de fond F1");
    BtnCoulF1.SetBounds({560, 262, 130, 25});
    BtnCoulF1.SetGlyph(Swatch(Pixel24{0x20, 0x10, 0xC0}));

    ReInit.SetCaption("Réinitialiser");
    ReInit.SetBounds({400, 388, 90, 25});
    Annuler.SetCaption("Annuler");
    Annuler.SetBounds({500, 388, 90, 25});
    Annuler.SetCancel(true);
    Annuler.SetResult(ModalResult::Cancel);
    Appliquer.SetCaption("Appliquer");
    Appliquer.SetBounds({600, 388, 90, 25});
    Appliquer.SetDefault(true);
    Appliquer.SetResult(ModalResult::Ok);

    Blink.SetInterval(50);

    Appliquer.OnClick = [this](Component*) { ++appliquerClicks; };
    Annuler.OnClick = [this](Component*) { ++annulerClicks; };
    ReInit.OnClick = [this](Component*) { ++reinitClicks; };
    PosSeuil.OnChange = [this](Component*) {
      positions.push_back(PosSeuil.Position());
      ValS.SetCaption(std::to_string(PosSeuil.Position()));
    };
    PosSeuil.OnMouseUp = [this](Component*) { ++mouseUps; };
    SousSeuil.OnClick = [this](Component*) { ++radioClicks; };
    Img1PreV.OnClick = [this](Component*) { ++checkClicks; };
    DenFlt.OnChange = [this](Component*) { ++editChanges; };
    TypeFiltres.OnChange = [this](Component*) { ++comboChanges; };
    // Renames the first entry at each keystroke, as the filter list does.
    DimFlt.OnChange = [this](Component*) {
      ++comboChanges;
      if (DimFlt.ItemIndex() < 0) DimFlt.SetItem(0, DimFlt.Text());
    };
    CoeffFlt.OnDrawCell = [this](Component*, int, int) { ++drawnCells; };
    CoeffFlt.OnSetEditText = [this](Component*, int col, int row) {
      cellEdits.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + CoeffFlt.Cell(col, row));
    };
    FondF1.OnClick = [this](Component*) { ++radioButtonClicks; };
    Blink.OnTimer = [this](Component*) { ++ticks; };
    OnShow = [this](Component*) { ++shows; };
    OnClose = [this](Component*) { ++closes; };
  }

  Panel CadreAff{this, "CadreAff"};
  Picture PreVisu{&CadreAff, "PreVisu"};
  GroupBox SelectFond{this, "SelectFond"};
  Label Titre{&SelectFond, "Titre"};
  RadioButton FondF1{&SelectFond, "FondF1"};
  RadioButton FondF2{&SelectFond, "FondF2"};
  Picture Fond{this, "Fond"};
  Label Label1{this, "Label1"};
  Label Label2{this, "Label2"};
  Picture PtDep{this, "PtDep"};
  CheckBox PosF1{this, "PosF1"};
  CheckBox PosF2{this, "PosF2"};
  GroupBox GroupBox1{this, "GroupBox1"};
  StringGrid CoeffFlt{&GroupBox1, "CoeffFlt"};
  Label Label3{&GroupBox1, "Label3"};
  Edit DenFlt{&GroupBox1, "DenFlt"};
  Label Label4{&GroupBox1, "Label4"};
  Edit DecFlt{&GroupBox1, "DecFlt"};
  Label Label5{&GroupBox1, "Label5"};
  ComboBox DimFlt{&GroupBox1, "DimFlt"};
  RadioGroup SousSeuil{this, "SousSeuil"};
  RadioGroup ModeFusion{this, "ModeFusion"};
  CheckBox Img1PreV{this, "Img1PreV"};
  CheckBox Img2PreV{this, "Img2PreV"};
  GroupBox GroupBox2{this, "GroupBox2"};
  ComboBox TypeFiltres{&GroupBox2, "TypeFiltres"};
  Button ChargFlt{&GroupBox2, "ChargFlt"};
  Button EnrgFlt{&GroupBox2, "EnrgFlt"};
  Label Seuil{this, "Seuil"};
  Label ValS{this, "ValS"};
  TrackBar PosSeuil{this, "PosSeuil"};
  Panel ZoneTrsp{this, "ZoneTrsp"};
  Label Alerte{this, "Alerte"};
  Label Eteint{this, "Eteint"};
  Button BtnCoulF1{this, "BtnCoulF1"};
  Button ReInit{this, "ReInit"};
  Button Annuler{this, "Annuler"};
  Button Appliquer{this, "Appliquer"};
  Timer Blink{this, "Blink"};

  int appliquerClicks = 0;
  int annulerClicks = 0;
  int reinitClicks = 0;
  std::vector<int> positions;
  int mouseUps = 0;
  int radioClicks = 0;
  int radioButtonClicks = 0;
  int checkClicks = 0;
  int editChanges = 0;
  int comboChanges = 0;
  std::vector<std::string> cellEdits;
  int drawnCells = 0;
  int ticks = 0;
  int shows = 0;
  int closes = 0;
};

// --- driving a modal run from a thread timer -----------------------------------

std::string TextOf(HWND hwnd);

// A step that opens a box of its own lets the next steps run in the box's loop.
std::vector<std::function<void()>> steps;
size_t nextStep = 0;

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
  if (nextStep >= steps.size()) return;
  std::function<void()> step = steps[nextStep++];
  step();
}

// Runs `form` modally while the steps run one per timer tick; a form the steps
// leave open is cancelled after them so a failing run cannot hang.
ModalResult RunModal(Form& form, std::vector<std::function<void()>> script) {
  script.push_back([&form] { ::PostMessageA(::GetActiveWindow(), WM_CLOSE, 0, 0); });
  steps = std::move(script);
  nextStep = 0;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, RunStep);
  ModalResult result = form.ShowModal();
  ::KillTimer(nullptr, timer);
  steps.clear();
  return result;
}

HWND FormWindow() { return ::FindWindowA("MolvaneForm", "Galerie des contrôles"); }

// Presses OK in the system dialog or box that a step opened, once it is up:
// the step waits for it, tick after tick.
void PressOkWhenUp(std::string* title) {
  HWND dialog = ::FindWindowA("#32770", nullptr);
  if (!dialog || !::IsWindowVisible(dialog)) {
    steps.insert(steps.begin() + long(nextStep), [title] { PressOkWhenUp(title); });
    return;
  }
  if (title) *title = TextOf(dialog);
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(::GetDlgItem(dialog, IDOK)));
}

HWND Child(const char* windowClass, const char* text) {
  return ::FindWindowExA(FormWindow(), nullptr, windowClass, text);
}

// The child of that class whose top-left corner is at (x, y) in the form.
HWND ChildAt(const char* windowClass, int x, int y) {
  for (HWND c = ::FindWindowExA(FormWindow(), nullptr, windowClass, nullptr); c;
       c = ::FindWindowExA(FormWindow(), c, windowClass, nullptr)) {
    RECT r{};
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(nullptr, FormWindow(), reinterpret_cast<POINT*>(&r), 2);
    if (r.left == x && r.top == y) return c;
  }
  return nullptr;
}

std::string TextOf(HWND hwnd) {
  char buffer[256] = {};
  ::GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

RECT PlaceOf(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The window as it shows on screen, frame included, as a bottom-up 24-bit BMP.
bool SaveScreenshot(HWND hwnd, const std::string& path) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC window = ::GetWindowDC(hwnd);
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(window);
  HGDIOBJ old = ::SelectObject(memory, dib);
  ::BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
  ::GdiFlush();
  const DWORD stride = DWORD((width * 3 + 3) & ~3);
  const DWORD size = stride * DWORD(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + size;
  bool written = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
              std::fwrite(bits, 1, size, out) == size;
    written = std::fclose(out) == 0 && written;
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(dib);
  ::ReleaseDC(hwnd, window);
  return written;
}

// The colour the screen shows at a point of the form's client area.
COLORREF ScreenPixel(HWND form, int x, int y) {
  HDC dc = ::GetDC(form);
  COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(form, dc);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string screenshot = argc > 1 ? argv[1] : "ui_gallery.bmp";
  Gallery g;

  // 1. The screenshot, then "Appliquer" clicked with BM_CLICK.
  bool shotSaved = false;
  HWND shownWindow = nullptr;
  std::string caption;
  ModalResult result = RunModal(g, {
      [&] {
        shownWindow = FormWindow();
        caption = TextOf(shownWindow);
        ::RedrawWindow(shownWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        shotSaved = SaveScreenshot(shownWindow, screenshot);
      },
      [&] { ::SendMessageA(Child("Button", "Appliquer"), BM_CLICK, 0, 0); },
  });
  Check(shownWindow != nullptr, "the form shows as a window of class MolvaneForm");
  Check(caption == "Galerie des contr\xF4les", "the caption is the Windows-1252 text");
  Check(shotSaved, "screenshot written to " + screenshot);
  Check(result == ModalResult::Ok, "BM_CLICK on \"Appliquer\" closes the modal form with OK");
  Check(g.appliquerClicks == 1, "\"Appliquer\" handler ran once");
  Check(g.shows == 1 && g.closes == 1, "OnShow and OnClose fired once each");
  Check(g.drawnCells >= 49, "painting the grid tells the model of every cell (" +
                                std::to_string(g.drawnCells) + ")");
  Check(shownWindow && !::IsWindowVisible(shownWindow), "the window is hidden after the run");
  Check(::FormWindow() == shownWindow, "the window is kept for the next run");
  {
    RECT client{};
    ::GetClientRect(shownWindow, &client);
    Check(client.right == 700 && client.bottom == 420, "client area is 700 x 420");
    HWND left = Child("Button", "Luminosit\xE9");
    HWND right = Child("Button", "Transparence");
    RECT a = PlaceOf(left);
    RECT b = PlaceOf(right);
    Check(left && right && a.top == b.top && b.left >= a.left + 100 && a.left > 310 && b.right <= 310 + 241,
          "a two-column radio group puts its items side by side inside its frame");
    LONG type = ::GetWindowLongA(Child("Button", "Appliquer"), GWL_STYLE) & BS_TYPEMASK;
    Check(type == BS_DEFPUSHBUTTON, "the default button has the default push-button style");
    LONG style = ::GetWindowLongA(shownWindow, GWL_STYLE);
    Check((style & WS_CAPTION) == WS_CAPTION && !(style & WS_SYSMENU) && (style & WS_POPUP),
          "dialog frame with a caption and no system buttons");
  }

  // 2. The slider: End and Home keys move it and the model follows; a mouse
  //    release fires OnMouseUp; Esc closes with Cancel.
  int positionAfterEnd = -1;
  int positionAfterHome = -1;
  int barAfterModel = -1;
  result = RunModal(g, {
      [&] {
        HWND bar = Child(TRACKBAR_CLASSA, nullptr);
        ::SendMessageA(bar, WM_KEYDOWN, VK_END, 0);
        ::SendMessageA(bar, WM_KEYUP, VK_END, 0);
        positionAfterEnd = g.PosSeuil.Position();
        ::SendMessageA(bar, WM_KEYDOWN, VK_HOME, 0);
        ::SendMessageA(bar, WM_KEYUP, VK_HOME, 0);
        positionAfterHome = g.PosSeuil.Position();
        RECT r{};
        ::GetClientRect(bar, &r);
        ::SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom / 2));
        ::SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
        g.PosSeuil.SetPosition(77);
        barAfterModel = int(::SendMessageA(bar, TBM_GETPOS, 0, 0));
      },
      [&] { ::PostMessageA(Child(TRACKBAR_CLASSA, nullptr), WM_KEYDOWN, VK_ESCAPE, 0); },
  });
  Check(positionAfterEnd == 255, "VK_END moves the slider to 255 (model reads " +
                                     std::to_string(positionAfterEnd) + ")");
  Check(positionAfterHome == 0, "VK_HOME moves the slider to 0");
  Check(g.positions.size() >= 2 && g.positions[0] == 255 && g.positions[1] == 0,
        "OnChange fired with 255, then 0");
  Check(g.ValS.Caption() == "77", "the handler's label follows the slider");
  Check(g.mouseUps == 1, "releasing the mouse over the slider fires OnMouseUp once");
  Check(barAfterModel == 77, "a position set by the program moves the bar");
  Check(result == ModalResult::Cancel, "Esc closes the modal form with Cancel");
  Check(g.annulerClicks == 1, "Esc ran the \"Annuler\" handler");

  // 3. Enter closes with OK; on the way: radio group, radio button, check box,
  //    edit, combo boxes, grid, picture and timer, both ways.
  std::string editWindowText;
  std::string valsWindowText;
  int comboShows = -1;
  int editableBefore = 0;
  TColor colour = 0x00123456;
  bool colourChosen = false;
  std::string colourTitle;
  bool fileChosen = false;
  std::string fileTitle;
  std::string savedPath;
  char folder[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string directory = folder;
  std::string typedText;
  int programChoice = -1;
  int pickedIndex = -1;
  std::string renamedItem;
  int cellAfterTab = -1;
  int changesAfterPick = -1;
  bool readOnlyGridEdits = true;
  HWND focusAfterTab = nullptr;
  HWND focusAfterSecondTab = nullptr;
  int reinitBefore = 0;
  bool listOnlyAfterSwitch = false;
  int f1Checked = -1;
  int f2Checked = -1;
  std::string editorText;
  RECT editorPlace{};
  bool topmostDuringBox = true;
  bool topmostAfterBox = false;
  g.ticks = 0;
  g.Blink.SetRunning(true);
  result = RunModal(g, {
      [&] {
        ::SendMessageA(Child("Button", "En-dessous du seuil"), BM_CLICK, 0, 0);
        ::SendMessageA(Child("Button", "Fond F2"), BM_CLICK, 0, 0);
        ::SendMessageA(Child("Button", "Fond F1"), BM_CLICK, 0, 0);
        f1Checked = int(::SendMessageA(Child("Button", "Fond F1"), BM_GETCHECK, 0, 0));
        f2Checked = int(::SendMessageA(Child("Button", "Fond F2"), BM_GETCHECK, 0, 0));
        ::SendMessageA(Child("Button", "Image N\xB0 1"), BM_CLICK, 0, 0);
        // DenFlt and DecFlt sit in GroupBox1 at (310, 5).
        ::SendMessageA(ChildAt("Edit", 310 + 20, 5 + 200), WM_SETTEXT, 0, LPARAM("2,5"));
        g.DecFlt.SetText("-3");
        editWindowText = TextOf(ChildAt("Edit", 310 + 105, 5 + 200));
        g.ValS.SetCaption("200");
        valsWindowText = TextOf(Child("Static", "200"));
      },
      [&] {
        // A user's choice in a list: the selection moves, the list notifies.
        HWND list = nullptr;
        for (HWND c = ::FindWindowExA(FormWindow(), nullptr, "ComboBox", nullptr); c;
             c = ::FindWindowExA(FormWindow(), c, "ComboBox", nullptr))
          if ((::GetWindowLongA(c, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) list = c;
        ::SendMessageA(list, CB_SETCURSEL, 1, 0);
        ::SendMessageA(FormWindow(), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(list), CBN_SELCHANGE), LPARAM(list));
        comboShows = int(::SendMessageA(list, CB_GETCURSEL, 0, 0));
        pickedIndex = g.TypeFiltres.ItemIndex();
        changesAfterPick = g.comboChanges;
        // Typing in the editable one: its edit field tells the combo, the combo tells us.
        HWND editable = nullptr;
        for (HWND c = ::FindWindowExA(FormWindow(), nullptr, "ComboBox", nullptr); c;
             c = ::FindWindowExA(FormWindow(), c, "ComboBox", nullptr))
          if ((::GetWindowLongA(c, GWL_STYLE) & 3) == CBS_DROPDOWN) editable = c;
        HWND field = ::FindWindowExA(editable, nullptr, "Edit", nullptr);
        ::SendMessageA(field, EM_SETSEL, 0, -1);
        ::SendMessageA(field, WM_CHAR, '9', 1);
        ::SendMessageA(field, WM_CHAR, '8', 1);
        typedText = TextOf(field);
        char first[32] = {};
        ::SendMessageA(editable, CB_GETLBTEXT, 0, LPARAM(first));
        renamedItem = first;
        // A choice made by the program shows in the list.
        g.TypeFiltres.SetItemIndex(4);
        programChoice = int(::SendMessageA(list, CB_GETCURSEL, 0, 0));
        // The editable one becomes list-only: a new control of the other kind.
        for (HWND c = ::FindWindowExA(FormWindow(), nullptr, "ComboBox", nullptr); c;
             c = ::FindWindowExA(FormWindow(), c, "ComboBox", nullptr))
          if ((::GetWindowLongA(c, GWL_STYLE) & 3) == CBS_DROPDOWN) ++editableBefore;
        g.DimFlt.SetEditable(false);
      },
      [&] {
        int lists = 0;
        for (HWND c = ::FindWindowExA(FormWindow(), nullptr, "ComboBox", nullptr); c;
             c = ::FindWindowExA(FormWindow(), c, "ComboBox", nullptr))
          if ((::GetWindowLongA(c, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) ++lists;
        listOnlyAfterSwitch = lists == 2;
        // A click on cell (2, 1) opens its editor; typing edits the cell; Tab moves on.
        HWND grid = Child("MolvaneGrid", nullptr);
        ::SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2 * 31 + 10, 1 * 22 + 10));
        ::SendMessageA(grid, WM_LBUTTONUP, 0, MAKELPARAM(2 * 31 + 10, 1 * 22 + 10));
        HWND editor = ::FindWindowExA(grid, nullptr, "Edit", nullptr);
        ::SendMessageA(editor, WM_SETTEXT, 0, LPARAM("12"));
        ::SendMessageA(editor, WM_KEYDOWN, VK_TAB, 0);
        editorText = TextOf(editor);
        cellAfterTab = g.CoeffFlt.Row() * 10 + g.CoeffFlt.Col();
        editorPlace = PlaceOf(editor);
        ::SendMessageA(editor, WM_KEYDOWN, VK_ESCAPE, 0);
        // A grid whose editing is off opens no editor.
        g.CoeffFlt.SetEditingEnabled(false);
        ::SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4 * 31 + 10, 4 * 22 + 10));
        readOnlyGridEdits = ::IsWindowVisible(editor) != FALSE;
        g.CoeffFlt.SetEditingEnabled(true);
      },
      [&] {
        // The colour dialog starts from the colour given; OK gives it back.
        steps.insert(steps.begin() + long(nextStep), [&] { PressOkWhenUp(&colourTitle); });
        colourChosen = ChooseColour(&g, colour);
      },
      [&] {
        // The save dialog adds the default extension, given with its dot, to the name.
        FileDialogOptions options;
        options.filter = "Filtres (*.flt)|*.flt|Tous les fichiers|*.*";
        options.defaultExtension = ".flt";
        options.initialDirectory = directory;
        options.fileName = "essai";
        steps.insert(steps.begin() + long(nextStep), [&] { PressOkWhenUp(&fileTitle); });
        fileChosen = ChooseFileToSave(&g, options, savedPath);
      },
      [&] {
        // A box over a form on top: the form is a normal window while the box is up.
        g.SetStayOnTop(true);
        steps.insert(steps.begin() + long(nextStep), [&] {
          HWND box = ::FindWindowA("#32770", "Avertissement");
          topmostDuringBox = ::GetWindowLongA(FormWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST;
          ::SendMessageA(box, WM_COMMAND, IDOK, 0);
        });
        ShowWarning(&g, "Les deux images n'ont pas la même taille.");
        topmostAfterBox = ::GetWindowLongA(FormWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST;
        g.SetStayOnTop(false);
      },
      [&] {
        // Tab goes through the dialog's controls in declaration order.
        ::SetFocus(Child("Button", "Charger"));
        ::PostMessageA(Child("Button", "Charger"), WM_KEYDOWN, VK_TAB, 0);
      },
      [&] {
        focusAfterTab = ::GetFocus();
        ::PostMessageA(focusAfterTab, WM_KEYDOWN, VK_TAB, 0);
      },
      [&] {
        focusAfterSecondTab = ::GetFocus();
        // Enter on a button that is not the default presses that button.
        reinitBefore = g.reinitClicks;
        ::PostMessageA(Child("Button", "R\xE9initialiser"), WM_KEYDOWN, VK_RETURN, 0);
      },
      [&] { ::PostMessageA(ChildAt("Edit", 310 + 20, 5 + 200), WM_KEYDOWN, VK_RETURN, 0); },
  });
  g.Blink.SetRunning(false);
  Check(g.SousSeuil.ItemIndex() == 1 && g.radioClicks == 1, "BM_CLICK on a radio group's item chooses it");
  Check(g.FondF1.Checked() && !g.FondF2.Checked() && f1Checked == BST_CHECKED && f2Checked == BST_UNCHECKED,
        "radio buttons: the last clicked is checked, model and window alike");
  Check(g.Img1PreV.Checked() && g.checkClicks == 1, "BM_CLICK ticks the check box");
  Check(g.DenFlt.Text() == "2,5" && g.editChanges == 1, "typing in an edit reaches the model once");
  Check(editWindowText == "-3", "an edit shows the text the program sets");
  Check(valsWindowText == "200", "a label shows the caption the program sets");
  Check(pickedIndex == 1 && comboShows == 1 && changesAfterPick == 1,
        "choosing in a list picks the item and fires OnChange once");
  Check(typedText == "98" && g.DimFlt.Text() == "98" && g.comboChanges == 3,
        "typing in an editable combo box reaches the model (window [" + typedText + "], model [" +
            g.DimFlt.Text() + "])");
  Check(renamedItem == "98" && g.DimFlt.Items()[0] == "98",
        "an entry renamed while its text is typed leaves the typing undisturbed");
  Check(programChoice == 4, "an item chosen by the program is selected in the list");
  Check(!readOnlyGridEdits, "a grid whose editing is off opens no editor");
  Check(focusAfterTab == Child("Button", "Enregistrer"), "Tab moves from \"Charger\" to \"Enregistrer\"");
  Check(focusAfterSecondTab == Child(TRACKBAR_CLASSA, nullptr), "a second Tab reaches the slider");
  Check(g.reinitClicks == reinitBefore + 1, "Enter on a focused button presses that button");
  Check(editableBefore == 1 && listOnlyAfterSwitch,
        "an editable combo box switched to list-only is remade as a list");
  Check(g.cellEdits.size() >= 1 && g.cellEdits[0] == "2,1=12", "typing in a cell edits that cell (" +
                                                                    std::to_string(g.cellEdits.size()) +
                                                                    " edits)");
  Check(g.CoeffFlt.Cell(2, 1) == "12", "the grid's model holds the typed text");
  Check(editorText == "0" && editorPlace.left > 3 * 31 - 2 && editorPlace.left < 3 * 31 + 4 &&
            cellAfterTab == 13,
        "Tab moves the cell editor to the next cell, and the model's selection with it");
  Check(colourChosen && colour == 0x00123456,
        "the colour dialog (\"" + colourTitle + "\") starts from the given colour and returns it");
  {
    std::string expected = InFolder(directory, "essai.flt");
    Check(fileChosen && ::lstrcmpiA(savedPath.c_str(), expected.c_str()) == 0,
          "the save dialog (\"" + fileTitle + "\") returns " + savedPath + " (expected " + expected + ")");
  }
  Check(!topmostDuringBox && topmostAfterBox, "a form on top is a normal window while a box is up");
  Check(g.ticks >= 1, "the form's timer ticks (" + std::to_string(g.ticks) + " ticks)");
  Check(result == ModalResult::Ok, "Enter closes the modal form with OK");
  Check(g.appliquerClicks == 2, "Enter ran the default button's handler");

  // 4. Shown without blocking, closed by WM_CLOSE; the pixels of the preview.
  g.Show();
  HWND form = FormWindow();
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
  ::UpdateWindow(form);
  COLORREF inPreview = ScreenPixel(form, 11, 41);
  COLORREF aboveIt = ScreenPixel(form, 100, 20);
  Check(::IsWindowVisible(form) && g.Showing(), "Show leaves the form on screen");
  Check(inPreview == RGB(0, 0, 255), "the preview's top-left pixel is on screen");
  Check(aboveIt == RGB(0x80, 0x80, 0x80), "the panel's colour shows above the preview");
  {
    // Over the picture, the transparent label and picture let it show through.
    RECT label = PlaceOf(Child("Static", "F1"));
    RECT flag = PlaceOf(ChildAt("MolvanePicture", 198, 276));
    int face = 0;
    int yellow = 0;
    for (int y = label.top; y < label.bottom; ++y)
      for (int x = label.left; x < label.right; ++x) {
        COLORREF c = ScreenPixel(form, x, y);
        face += c == ::GetSysColor(COLOR_BTNFACE);
        yellow += c == RGB(255, 255, 0);
      }
    Check(label.right > label.left && face == 0 && yellow > 0,
          "a transparent label shows the picture beneath its text (" + std::to_string(face) +
              " face pixels, " + std::to_string(yellow) + " yellow)");
    int key = 0;
    int red = 0;
    for (int y = flag.top; y < flag.bottom; ++y)
      for (int x = flag.left; x < flag.right; ++x) {
        COLORREF c = ScreenPixel(form, x, y);
        key += c == RGB(255, 0, 255);
        red += c == RGB(224, 0, 0);
      }
    Check(flag.right - flag.left == 18 && key == 0 && red > 0,
          "a transparent picture lets its key colour through (" + std::to_string(key) + " key pixels)");
    // A label without a size takes the width of each new caption.
    g.Label1.SetCaption("F1 et F2");
    RECT longer = PlaceOf(Child("Static", "F1 et F2"));
    g.Label1.SetCaption("F1");
    RECT shorter = PlaceOf(Child("Static", "F1"));
    Check(longer.right - longer.left > 2 * (label.right - label.left) && ::EqualRect(&shorter, &label),
          "a label without a size grows and shrinks with its caption");
  }
  ::SendMessageA(form, WM_CLOSE, 0, 0);
  Check(!g.Showing() && !::IsWindowVisible(form) && g.closes == 4, "WM_CLOSE closes the form");

  std::printf("%d failed\n", failures);
  return failures;
}
