// The reference host's dialog runs, on the real windows through the dialog driver.
#include "host/dialog_runs.h"

#include <cstdio>

#include "host/dialog_driver.h"
#include "host/plugin_library.h"

namespace molvane::host {
namespace {

// Captions are Windows-1252 bytes, as the plug-in's.
const char kThresholdCaption[] = "Seuillage d'une image";
const char kGradientCaption[] = "Compensation d'un dégradé";
const char kFilterCaption[] = "Filtres Matriciels";

std::string Quoted(const std::string& text) { return "\"" + Cp1252ToUtf8(text.c_str()) + "\""; }

class UserActions {
 public:
  UserActions(const char* caption, const DialogChoices& choices, DialogReport& report)
      : caption_(caption), choices_(choices), report_(report) {}

  HWND Dialog() const { return FindDialog(caption_); }
  HWND Button(const char* caption) const { return FindChild(Dialog(), "Button", caption); }
  std::string LabelAt(int x, int y) const { return TextOf(ChildAt(Dialog(), "Static", x, y)); }
  void Say(const std::string& line) { report_.lines.push_back(line); }
  void Fail(const std::string& why) { report_.failures.push_back(why); }

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
    const char* button = cancel ? "Annuler" : "Appliquer";
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
    if (!c.filter.empty() && !PickComboItem(list(), c.filter)) s.Fail("the list has no filter " + Quoted(c.filter));
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

}  // namespace

bool HasDrivenDialog(int32_t tool) { return tool == 3 || tool == 6 || tool == 8; }

std::string CheckChoices(int32_t tool, const DialogChoices& c) {
  const bool threshold = c.threshold >= 0 || !c.keep.empty();
  const bool gradient = !c.direction.empty() || c.hasN1 || c.hasN2 || c.hasM1 || c.hasM2;
  const bool filter = !c.load.empty() || !c.filter.empty() || c.size || !c.divisor.empty() ||
                      !c.offset.empty() || !c.cells.empty() || !c.save.empty() || c.visualise;
  const bool common = c.cancel || !c.screenshot.empty() || !c.boxScreenshot.empty();
  if (threshold && tool != 6) return "--threshold and --keep are options of tool 6 (seuillage)";
  if (gradient && tool != 8) return "--direction, --n1, --n2, --m1 and --m2 are options of tool 8 (degrade)";
  if (filter && tool != 3) return "--filter, --load, --save, --size, --divisor, --offset, --cell and --visualise are options of tool 3 (filtres)";
  if (common && !HasDrivenDialog(tool)) return "--cancel and the screenshots need a tool with a dialog (3, 6, 8)";
  if (c.threshold > 255) return "--threshold goes from 0 to 255";
  if (!c.keep.empty() && c.keep != "above" && c.keep != "below") return "--keep is above or below";
  if (!c.direction.empty() && c.direction != "vertical" && c.direction != "horizontal")
    return "--direction is vertical or horizontal";
  for (int n : {c.hasN1 ? c.n1 : 0, c.hasN2 ? c.n2 : 0})
    if (n < -127 || n > 128) return "--n1 and --n2 go from -127 to 128";
  for (int m : {c.m1, c.m2})
    if (m < 0 || m > 200) return "--m1 and --m2 are gain slider positions from 0 to 200 (100: gain 1)";
  if (c.size && c.size != 3 && c.size != 5 && c.size != 7) return "--size is 3, 5 or 7";
  for (const CellText& cell : c.cells)
    if (cell.col < 0 || cell.col > 6 || cell.row < 0 || cell.row > 6) return "--cell columns and rows go from 0 to 6";
  return std::string();
}

DialogReport DriveDialog(int32_t tool, const DialogChoices& choices, const std::function<void()>& call) {
  DialogReport report;
  const char* caption = tool == 3 ? kFilterCaption : tool == 6 ? kThresholdCaption : kGradientCaption;
  UserActions user(caption, choices, report);
  DialogScript script(20, 60000);
  script.EveryTick([&user] { user.AnswerBoxes(); });
  script.WaitFor(caption);
  if (tool == 6) ThresholdSteps(user, choices, script);
  if (tool == 8) GradientSteps(user, choices, script);
  if (tool == 3) FilterSteps(user, choices, script);
  script.Do("the final button", [&user] { user.Finish(); });
  if (!script.Run(call))
    for (const std::string& failure : script.Failures()) report.failures.push_back(failure);
  return report;
}

}  // namespace molvane::host
