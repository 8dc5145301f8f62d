// The reference host's dialog runs, on the real windows through the dialog driver.
#include "host/dialog_runs.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "host/dialog_driver.h"
#include "host/tool_list.h"
#include "tools/matrix_filter.h"

namespace molvane::host {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// "A", "B" and "C".
std::string QuotedList(const std::vector<std::string>& items) {
  std::string list;
  for (size_t i = 0; i < items.size(); ++i)
    list += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + Quoted(items[i]);
  return list;
}

// The names of the matrix filter dialog's built-in list, in its order.
std::vector<std::string> BuiltInFilterNames() {
  std::vector<std::string> names;
  for (int i = 0; i < kBuiltInFilterCount; ++i) names.push_back(BuiltInFilter(i).Name());
  return names;
}

class UserActions {
 public:
  UserActions(const char* caption, const DialogChoices& choices, DialogReport& report)
      : caption_(caption), choices_(choices), report_(report) {}

  HWND Dialog() const { return FindDialog(caption_); }
  HWND Button(const char* caption) const { return FindChild(Dialog(), "Button", caption); }
  std::string LabelAt(int x, int y) const { return TextOf(ChildAt(Dialog(), "Static", x, y)); }
  int MessageBoxes() const { return report_.messageBoxes; }
  // The button that ends the run when the user does not cancel.
  void SetApplyButton(const char* caption) { applyButton_ = caption; }
  void Say(const std::string& line) { report_.lines.push_back(line); }
  void Fail(const std::string& why) { report_.failures.push_back(why); }
  bool Failed() const { return !report_.failures.empty(); }

  // Clicks a control found by class and caption; false (and a failure) when absent.
  bool ClickOn(const char* caption) {
    HWND button = Button(caption);
    if (!button) {
      Fail("no button " + Quoted(caption));
      return false;
    }
    Click(button);
    return true;
  }

  bool Slide(const char* name, int x, int y, int position) {
    HWND bar = ChildAt(Dialog(), kTrackBarClass, x, y);
    if (!bar || !MoveTrackBar(bar, position)) {
      Fail(std::string("could not move the slider ") + name + " to " + std::to_string(position));
      return false;
    }
    return true;
  }

  // Every message box is read, pictured once if asked, and answered.
  void AnswerBoxes() {
    for (HWND window : ThreadWindows()) {
      if (!IsMessageBox(window) || window == lastBox_) continue;
      lastBox_ = window;
      ++report_.messageBoxes;
      Say("message box " + Quoted(TextOf(window)) + ": " + Quoted(MessageBoxText(window)));
      if (!choices_.boxScreenshot.empty() && !boxPictured_) {
        boxPictured_ = true;
        std::string error;
        if (SaveScreenshot({Dialog(), window}, choices_.boxScreenshot, error)) Say("box pictured in " + choices_.boxScreenshot);
        else Fail(error);
      }
      PressOk(window);
    }
  }

  // The picture of the dialog, then the final button, timed: "Annuler" when
  // asked, or when a choice could not be made.
  void Finish() {
    if (!choices_.screenshot.empty()) {
      std::string error;
      if (SaveScreenshot({Dialog()}, choices_.screenshot, error)) Say("dialog pictured in " + choices_.screenshot);
      else Fail(error);
    }
    const bool cancel = choices_.cancel || !report_.failures.empty();
    const char* button = cancel ? "Annuler" : applyButton_;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!ClickOn(button)) return;
    QueryPerformanceCounter(&end);
    report_.finalButtonMs = double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    report_.finalButton = button;
    Say(std::string("pressed ") + Quoted(button));
  }

  // Waits while an open or save dialog is up, answers it with `path`.
  void AnswerFileDialogStep(DialogScript& script, const std::string& path) {
    script.Then("answer the file dialog with " + path, [this, path] {
      HWND dialog = FindFileDialog();
      if (!dialog) return false;
      Say("file dialog " + Quoted(TextOf(dialog)) + " answered with " + path);
      if (!AnswerFileDialog(dialog, path)) Fail("the file dialog has no name field");
      return true;
    });
    script.Then("the file dialog closes", [] { return FindFileDialog() == nullptr; });
  }

 private:
  const char* caption_;
  const DialogChoices& choices_;
  DialogReport& report_;
  HWND lastBox_ = nullptr;
  const char* applyButton_ = "Appliquer";
  bool boxPictured_ = false;
};

// Tool 6: the side, the slider, the value label.
void ThresholdSteps(UserActions& s, const DialogChoices& c, DialogScript& script) {
  script.Do("set the threshold", [&s, &c] {
    if (c.keep == "above") s.ClickOn("Au-dessus du seuil");
    if (c.keep == "below") s.ClickOn("En-dessous du seuil");
    if (c.threshold >= 0) s.Slide("PosSeuil", 378, 124, c.threshold);
    const bool below = IsChecked(s.Button("En-dessous du seuil"));
    s.Say("threshold " + s.LabelAt(613, 130) + ", keeping what lies " + (below ? "below" : "above"));
  });
}

// Tool 8: the direction, the four sliders in their group boxes, the labels.
void GradientSteps(UserActions& s, const DialogChoices& c, DialogScript& script) {
  script.Do("set the compensation", [&s, &c] {
    if (c.direction == "vertical") s.ClickOn("Verticale");
    if (c.direction == "horizontal") s.ClickOn("Horizontale");
    if (c.hasN1) s.Slide("CurseurN1", 430, 115, c.n1 + 127);
    if (c.hasN2) s.Slide("CurseurN2", 430, 145, c.n2 + 127);
    if (c.hasM1) s.Slide("CurseurM1", 430, 220, c.m1);
    if (c.hasM2) s.Slide("CurseurM2", 430, 250, c.m2);
    const bool horizontal = IsChecked(s.Button("Horizontale"));
    s.Say(std::string("direction ") + (horizontal ? "horizontal" : "vertical") + ": offsets " +
          s.LabelAt(385, 120) + " " + s.LabelAt(585, 120) + ", " + s.LabelAt(385, 150) + " " +
          s.LabelAt(585, 150) + "; gains " + s.LabelAt(385, 225) + " " + s.LabelAt(585, 225) + ", " +
          s.LabelAt(385, 255) + " " + s.LabelAt(585, 255));
  });
}

// Tool 3: load, choose, edit, save, visualise; the list and the values as shown.
void FilterSteps(UserActions& s, const DialogChoices& c, DialogScript& script) {
  auto list = [&s] { return ChildAt(s.Dialog(), "ComboBox", 262, 25); };
  if (!c.load.empty()) {
    script.Do("Charger", [&s] { PostClick(s.Button("Charger")); });
    s.AnswerFileDialogStep(script, c.load);
  }
  script.Do("choose and edit the filter", [&s, &c, list] {
    if (!c.filter.empty() && !PickComboItem(list(), c.filter))
      s.Fail("the list has no filter " + Quoted(c.filter) + ", only " + QuotedList(ComboItems(list())));
    HWND dialog = s.Dialog();
    if (c.size) {
      const std::string item = std::to_string(c.size) + " x " + std::to_string(c.size);
      if (!PickComboItem(ChildAt(dialog, "ComboBox", 180, 205), item)) s.Fail("no size " + item);
    }
    if (!c.divisor.empty()) TypeInto(ChildAt(dialog, "Edit", 25, 205), c.divisor);
    if (!c.offset.empty()) TypeInto(ChildAt(dialog, "Edit", 110, 205), c.offset);
    HWND grid = ChildAt(dialog, "MolvaneGrid", 15, 25);
    for (const CellText& cell : c.cells)
      if (!TypeInGrid(grid, GridCells{30, 21}, cell.col, cell.row, {cell.text}))
        s.Fail("cell " + std::to_string(cell.col) + "," + std::to_string(cell.row) + " cannot be edited");
    const std::vector<std::string> items = ComboItems(list());
    const int chosen = ComboSelection(list());
    s.Say("filter " + Quoted(chosen >= 0 && chosen < int(items.size()) ? items[size_t(chosen)] : TextOf(list())) +
          " of " + std::to_string(items.size()) + " in the list: size " + TextOf(ChildAt(dialog, "ComboBox", 180, 205)) +
          ", divisor " + TextOf(ChildAt(dialog, "Edit", 25, 205)) + ", offset " +
          TextOf(ChildAt(dialog, "Edit", 110, 205)));
  });
  if (!c.save.empty()) {
    script.Do("Enregistrer", [&s] { PostClick(s.Button("Enregistrer")); });
    s.AnswerFileDialogStep(script, c.save);
  }
  if (c.visualise) script.Do("Visualiser", [&s] { s.ClickOn("Visualiser"); });
}

// Tool 7: once the second image is in (or refused), the mode, the rate, the
// prevalent image and its band; the labels as they read then.
void MergeSteps(UserActions& s, const DialogChoices& c, DialogScript& script, bool secondImage) {
  if (secondImage)
    script.Then("the second image arrives", [&s] {
      return IsEnabled(s.Button("Appliquer")) || s.MessageBoxes() > 0;
    });
  script.Do("set the merge", [&s, &c] {
    // The transparency box's controls by their places: the box at (335, 100),
    // its "Image prévalente" box at (340, 164).
    if (c.mode == "max") s.ClickOn("Luminosité la plus élevée");
    if (c.mode == "transparence") s.ClickOn("Jeu de transparence");
    if (c.rate >= 0) s.Slide("TauxTransp", 375, 134, c.rate);
    if (c.prevalent == 1) s.ClickOn("Image N° 1");
    if (c.prevalent == 2) s.ClickOn("Image N° 2");
    if (c.hasBand) {
      // From the full band, TxMax down first: TxMin then never pushes it.
      s.Slide("TxMax", 342, 236, c.bandHigh);
      s.Slide("TxMin", 342, 209, c.bandLow);
    }
    s.Say("image 1: " + s.LabelAt(355, 27) + "; image 2: " + s.LabelAt(505, 27));
    if (!IsEnabled(s.Button("Appliquer"))) return;
    if (!IsChecked(s.Button("Jeu de transparence"))) {
      s.Say("merged by the higher value of each channel");
      return;
    }
    const bool first = IsChecked(s.Button("Image N° 1")), second = IsChecked(s.Button("Image N° 2"));
    s.Say("transparency: image 1 " + s.LabelAt(341, 137) + ", image 2 " + s.LabelAt(596, 137) +
          (first || second ? std::string(", image ") + (first ? "1" : "2") +
                                 " prevalent, transparent in the band " + s.LabelAt(610, 211) + ".." +
                                 s.LabelAt(607, 242)
                           : std::string(", no prevalent image")));
  });
}

// Tool 1: once the second image is in (or refused and its box answered), the
// factor, which the dialog takes when the mouse lets go of the slider.
void ComparisonSteps(UserActions& s, const DialogChoices& c, DialogScript& script, bool secondImage) {
  if (secondImage)
    script.Then("the second image arrives", [&s] {
      return s.LabelAt(45, 67) != "Cliquez sur une image" && FindSystemDialog() == nullptr;
    });
  script.Do("set the factor", [&s, &c] {
    HWND dialog = s.Dialog();
    HWND bar = ChildAt(dialog, kTrackBarClass, 135, 100);
    if (c.factor > 0 && s.Slide("KMult", 135, 100, c.factor) && !ReleaseOnThumb(bar))
      s.Fail("could not let go of the slider KMult");
    auto box = [dialog](int x, int y) { return Quoted(TextOf(ChildAt(dialog, "Button", x, y))); };
    auto label = [&s](int x, int y) { return s.LabelAt(x, y); };
    s.Say("image 1: " + box(25, 5) + " " + label(45, 22) + "; image 2: " + box(25, 50) + " " + label(45, 67) +
          "; factor " + std::to_string(TrackBarPosition(bar)));
  });
}

// A marker check box of a point-picking dialog: its name and its top-left
// corner in the dialog's client area.
struct Marker {
  const char* name;
  int x;
  int y;
};

// Tools 4 and 5: for each point given, a click on its marker arms it, then the
// host forwards the click on the image; the marker then holds its point.
void PickSteps(UserActions& s, const std::vector<Marker>& markers, const std::vector<PickedPoint>& points,
               const PointSender& sendPoint, DialogScript& script) {
  for (size_t i = 0; i < markers.size(); ++i) {
    if (!points[i].set) continue;
    const Marker marker = markers[i];
    const PickedPoint point = points[i];
    // Two steps, one tick apart, so that the dialog handles the click as it
    // comes before the point does; the marker is kept, as it blinks once armed.
    auto box = std::make_shared<HWND>(nullptr);
    script.Do(std::string("click the marker ") + marker.name, [&s, marker, box] {
      if (s.Failed()) return;
      *box = ChildAt(s.Dialog(), "Button", marker.x, marker.y);
      if (!*box) {
        s.Fail(std::string("no marker ") + marker.name);
        return;
      }
      Click(*box);
    });
    script.Do(std::string("send the point of ") + marker.name, [&s, marker, point, box, &sendPoint] {
      if (s.Failed() || !*box) return;
      const std::string problem = sendPoint ? sendPoint(point.x, point.y) : "the host sends no points";
      if (!problem.empty()) {
        s.Fail(problem);
        return;
      }
      const std::string where = std::to_string(point.x) + "," + std::to_string(point.y);
      if (!IsChecked(*box)) {
        s.Fail(std::string("the marker ") + marker.name + " is not ticked after the point " + where);
        return;
      }
      s.Say(std::string("marker ") + marker.name + " clicked, point " + where + " sent: ticked");
    });
  }
}

// Tool 4: the ends of the gradient, then the start point, which fills once all three are set.
void BackgroundSteps(UserActions& s, const DialogChoices& c, const PointSender& sendPoint, DialogScript& script) {
  PickSteps(s, {{"PosF1", 129, 200}, {"PosF2", 230, 255}, {"PosDeb", 194, 225}}, {c.f1, c.f2, c.seed}, sendPoint,
            script);
  script.Do("read the settings", [&s] {
    const bool f1 = IsChecked(s.Button("Fond F1")), f2 = IsChecked(s.Button("Fond F2"));
    s.Say("tolerance " + s.LabelAt(260, 65) + ", " +
          (f1 || f2 ? std::string("the samples set the colour of ") + (f1 ? "F1" : "F2")
                    : std::string("the samples set no colour (neither \"Fond F1\" nor \"Fond F2\" chosen)")));
  });
}

// Tool 5: the four corners in turn.
void VignettingSteps(UserActions& s, const DialogChoices& c, const PointSender& sendPoint, DialogScript& script) {
  PickSteps(s, {{"PosHG", 74, 22}, {"PosHD", 210, 22}, {"PosBD", 210, 102}, {"PosBG", 74, 102}},
            {c.corners[0], c.corners[1], c.corners[2], c.corners[3]}, sendPoint, script);
}

}  // namespace

bool HasDrivenDialog(int32_t tool) { return tool >= 1 && tool <= 8 && tool != 2; }

std::string CheckChoices(int32_t tool, const DialogChoices& c) {
  const bool threshold = c.threshold >= 0 || !c.keep.empty();
  const bool gradient = !c.direction.empty() || c.hasN1 || c.hasN2 || c.hasM1 || c.hasM2;
  const bool filter = !c.load.empty() || !c.filter.empty() || c.size || !c.divisor.empty() ||
                      !c.offset.empty() || !c.cells.empty() || !c.save.empty() || c.visualise;
  const bool merge = !c.mode.empty() || c.rate >= 0 || c.prevalent != 0 || c.hasBand;
  const bool comparison = c.factor >= 0;
  const bool background = c.seed.set || c.f1.set || c.f2.set;
  bool vignetting = false;
  for (const PickedPoint& corner : c.corners) vignetting = vignetting || corner.set;
  const bool common = c.cancel || !c.screenshot.empty() || !c.boxScreenshot.empty();
  if (threshold && tool != 6) return "--threshold and --keep are options of tool 6 (seuillage)";
  if (gradient && tool != 8) return "--direction, --n1, --n2, --m1 and --m2 are options of tool 8 (degrade)";
  if (filter && tool != 3) return "--filter, --load, --save, --size, --divisor, --offset, --cell and --visualise are options of tool 3 (filtres)";
  if (merge && tool != 7) return "--mode, --rate, --prevalent and --band are options of tool 7 (fusionner)";
  if (comparison && tool != 1) return "--factor is an option of tool 1 (comparaison)";
  if (background && tool != 4) return "--seed, --f1 and --f2 are options of tool 4 (fond)";
  if (vignetting && tool != 5) return "--corners is an option of tool 5 (vignetage)";
  if (common && !HasDrivenDialog(tool)) return "--cancel and the screenshots need a tool with a dialog (1, 3 to 8)";
  for (const PickedPoint* point : {&c.seed, &c.f1, &c.f2, &c.corners[0], &c.corners[1], &c.corners[2], &c.corners[3]})
    if (point->set && (point->x < 0 || point->y < 0)) return "the points' coordinates are X,Y with X >= 0 and Y >= 0";
  if (comparison && (c.factor < 1 || c.factor > 10)) return "--factor goes from 1 to 10";
  if (!c.mode.empty() && c.mode != "max" && c.mode != "transparence") return "--mode is max or transparence";
  if (c.rate > 100) return "--rate goes from 0 to 100";
  if (c.prevalent != 0 && c.prevalent != 1 && c.prevalent != 2) return "--prevalent is 1 or 2";
  if (c.hasBand && (c.bandLow < 0 || c.bandHigh > 255 || c.bandLow > c.bandHigh))
    return "--band is LOW,HIGH with 0 <= LOW <= HIGH <= 255";
  if (c.threshold > 255) return "--threshold goes from 0 to 255";
  if (!c.keep.empty() && c.keep != "above" && c.keep != "below") return "--keep is above or below";
  if (!c.direction.empty() && c.direction != "vertical" && c.direction != "horizontal")
    return "--direction is vertical or horizontal";
  for (int n : {c.hasN1 ? c.n1 : 0, c.hasN2 ? c.n2 : 0})
    if (n < -127 || n > 128) return "--n1 and --n2 go from -127 to 128";
  for (int m : {c.m1, c.m2})
    if (m < 0 || m > 200) return "--m1 and --m2 are gain slider positions from 0 to 200 (100: gain 1)";
  if (c.size && c.size != 3 && c.size != 5 && c.size != 7) return "--size is 3, 5 or 7";
  // A loaded file may bring a filter of any name; the list holds the built-in ones anyway.
  const std::vector<std::string> builtIn = BuiltInFilterNames();
  if (!c.filter.empty() && c.load.empty() && std::find(builtIn.begin(), builtIn.end(), c.filter) == builtIn.end())
    return "--filter names a filter of the list: " + QuotedList(builtIn) + " (or one loaded with --load), not " +
           Quoted(c.filter);
  for (const CellText& cell : c.cells)
    if (cell.col < 0 || cell.col > 6 || cell.row < 0 || cell.row > 6) return "--cell columns and rows go from 0 to 6";
  return std::string();
}

DialogReport DriveDialog(int32_t tool, const DialogChoices& choices, const std::function<void()>& call,
                         bool secondImage, const PointSender& sendPoint) {
  DialogReport report;
  const HostTool* known = FindHostTool(tool);
  const char* caption = known && known->dialogCaption ? known->dialogCaption : "";
  UserActions user(caption, choices, report);
  DialogScript script(20, 60000);
  script.EveryTick([&user] { user.AnswerBoxes(); });
  script.WaitFor(caption);
  if (tool == MOLVANE_TOOL_THRESHOLD) ThresholdSteps(user, choices, script);
  if (tool == MOLVANE_TOOL_GRADIENT) GradientSteps(user, choices, script);
  if (tool == MOLVANE_TOOL_MATRIX_FILTER) FilterSteps(user, choices, script);
  if (tool == MOLVANE_TOOL_MERGE) MergeSteps(user, choices, script, secondImage);
  if (tool == MOLVANE_TOOL_BACKGROUND) BackgroundSteps(user, choices, sendPoint, script);
  if (tool == MOLVANE_TOOL_VIGNETTING) VignettingSteps(user, choices, sendPoint, script);
  if (tool == MOLVANE_TOOL_COMPARISON) {
    user.SetApplyButton("Créer une image d'écart");
    ComparisonSteps(user, choices, script, secondImage);
  }
  script.Do("the final button", [&user] { user.Finish(); });
  // A non-modal dialog returns at once: the host's own loop then runs while it is up.
  const bool modeless = LeavesDialogOpen(tool);
  auto callAndWait = [&] {
    call();
    while (modeless && FindDialog(caption)) {
      PumpMessages();
      Sleep(10);
    }
  };
  if (!script.Run(callAndWait))
    for (const std::string& failure : script.Failures()) report.failures.push_back(failure);
  return report;
}

}  // namespace molvane::host
