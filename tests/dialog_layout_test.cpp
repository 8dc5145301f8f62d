// Each dialog as a user sees it, opened on a photograph: every control on
// screen and in its box, none over another, labels beside what they name,
// the dialog's own buttons lined up at its edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "boundary/exports.h"
#include "boundary/library.h"
#include "boundary/pixel_array.h"
#include "platform/fake/fake_platform.h"
#include "ui/controls.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using Kind = ui::Component::Kind;

// The dialogs were laid out in MS Sans Serif 8 pt at 96 dpi, the face the
// Windows backend picks (or narrows another one to): each character's
// advance from 0x20 to 0xFF, 13 pixels a line; bold is one pixel wider a
// character.
constexpr int kLineHeight = 13;
constexpr unsigned char kAdvance[224] = {
    3, 3, 5, 7, 6, 8, 6, 2, 3, 3, 4, 6, 3, 3, 3, 5,  6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 3, 3, 6, 6, 6, 6,
    11, 7, 7, 7, 8, 7, 6, 8, 8, 3, 5, 7, 6, 9, 8, 8, 7, 8, 8, 7, 7, 8, 7, 11, 7, 7, 7, 3, 5, 3, 6, 6,
    3, 6, 6, 6, 6, 6, 3, 6, 6, 2, 2, 6, 2, 8, 6, 6,  6, 6, 3, 5, 3, 6, 6, 8, 5, 5, 5, 4, 2, 4, 7, 3,
    6, 3, 3, 3, 5, 6, 5, 5, 3, 11, 7, 6, 10, 3, 7, 3, 3, 3, 3, 4, 4, 6, 5, 6, 3, 9, 5, 6, 10, 3, 5, 7,
    3, 3, 6, 6, 6, 6, 2, 6, 3, 9, 4, 6, 6, 3, 8, 6,  4, 6, 3, 3, 3, 6, 6, 3, 3, 3, 4, 6, 8, 8, 8, 6,
    7, 7, 7, 7, 7, 7, 10, 7, 7, 7, 7, 7, 3, 3, 3, 3, 8, 8, 8, 8, 8, 8, 8, 6, 8, 8, 8, 8, 8, 7, 7, 6,
    6, 6, 6, 6, 6, 6, 10, 6, 6, 6, 6, 6, 2, 4, 4, 4, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 5, 6, 5,
};

int TextWidth(const std::string& text, bool bold) {
  int width = 0;
  for (unsigned char c : text) width += (c >= 0x20 ? kAdvance[c - 0x20] : 0) + (bold ? 1 : 0);
  return width;
}

// Lines broken between words to fit `width`, as a word-wrapped label draws them.
std::vector<std::string> Wrap(const std::string& text, int width, bool bold) {
  std::vector<std::string> lines;
  std::string line, word;
  auto place = [&] {
    if (word.empty()) return;
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && TextWidth(longer, bold) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
    word.clear();
  };
  for (char c : text) {
    if (c == ' ') place();
    else word += c;
  }
  place();
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int Right(const ui::Rect& r) { return r.left + r.width; }
int Bottom(const ui::Rect& r) { return r.top + r.height; }
bool Empty(const ui::Rect& r) { return r.width <= 0 || r.height <= 0; }
bool Overlap(const ui::Rect& a, const ui::Rect& b) {
  return !Empty(a) && !Empty(b) && a.left < Right(b) && b.left < Right(a) && a.top < Bottom(b) &&
         b.top < Bottom(a);
}
bool Contains(const ui::Rect& outer, const ui::Rect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && Right(inner) <= Right(outer) &&
         Bottom(inner) <= Bottom(outer);
}
std::string Text(const ui::Rect& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.width) +
         " x " + std::to_string(r.height) + ")";
}

// A control as it shows in its parent: its place, and for a label what its
// text covers (a label without a size takes its text's). Empty for a label
// without text, and for a timer.
struct Shown {
  const ui::Component* control;
  ui::Rect place;  // its box
  ui::Rect ink;    // what it draws: the box, or a label's text
  bool textFits = true;
};

Shown Show(const ui::Component& c) {
  Shown shown{&c, c.Bounds(), c.Bounds()};
  if (c.GetKind() != Kind::Label) return shown;
  const bool bold = c.Weight() == ui::FontWeight::Bold;
  const ui::Rect box = c.Bounds();
  const bool sized = box.width > 0 && box.height > 0;
  const std::vector<std::string> lines =
      c.WordWrap() && sized ? Wrap(c.Caption(), box.width, bold) : std::vector<std::string>{c.Caption()};
  int width = 0;
  for (const std::string& line : lines) width = std::max(width, TextWidth(line, bold));
  const int height = c.Caption().empty() ? 0 : kLineHeight * int(lines.size());
  if (!sized) shown.place = {box.left, box.top, width, height};
  const int slack = shown.place.width - width;
  const int offset = c.GetAlignment() == ui::Alignment::Right    ? slack
                     : c.GetAlignment() == ui::Alignment::Center ? slack / 2
                                                                 : 0;
  shown.ink = {shown.place.left + offset, shown.place.top, width, height};
  shown.textFits = width <= shown.place.width && height <= shown.place.height;
  return shown;
}

// Where a child may lie in its parent: a form's whole client area; inside a
// group box's frame, under its caption; inside a panel's one-pixel frame.
ui::Rect Inside(const ui::Component& parent) {
  const ui::Rect r = parent.Bounds();
  switch (parent.GetKind()) {
    case Kind::Form:
      return {0, 0, r.width, r.height};
    case Kind::GroupBox: {
      const int top = parent.Caption().empty() ? 2 : kLineHeight;
      return {2, top, r.width - 4, r.height - top - 2};
    }
    default:
      return {1, 1, r.width - 2, r.height - 2};
  }
}

// Boxes that other controls may sit on, whole: frames and pictures.
bool IsFrame(const ui::Component& c) {
  switch (c.GetKind()) {
    case Kind::GroupBox:
    case Kind::Panel:
    case Kind::Picture:
    case Kind::RadioGroup:
      return true;
    default:
      return false;
  }
}

// A strip laid across other controls on purpose.
bool IsOverlay(const ui::Component& c) {
  return c.GetKind() == Kind::Panel && static_cast<const ui::Panel&>(c).Overlay();
}

// Every control of the form, with its parent, children first after their parent.
void Collect(const ui::Component& parent, std::vector<const ui::Component*>& all) {
  for (const ui::Component* child : parent.Children()) {
    if (child->GetKind() == Kind::Timer) continue;
    all.push_back(child);
    Collect(*child, all);
  }
}

ui::Rect InForm(const ui::Component& c, ui::Rect r) {
  for (const ui::Component* p = c.Parent(); p && p->GetKind() != Kind::Form; p = p->Parent()) {
    r.left += p->Bounds().left;
    r.top += p->Bounds().top;
  }
  return r;
}

enum class Side { Left, Right, Above, Below };

// A label and the control it names or gives the value of, and where it sits.
struct Names {
  const char* label;
  Side side;
  const char* control;
};

void ExpectBeside(ui::Form& form, const Names& n) {
  const ui::Component* label = form.Find(n.label);
  const ui::Component* control = form.Find(n.control);
  ASSERT_TRUE(label && control) << n.label << ", " << n.control;
  const ui::Rect t = InForm(*label, Show(*label).ink);
  const ui::Rect c = InForm(*control, control->Bounds());
  const int middleY = t.top + t.height / 2, middleX = t.left + t.width / 2;
  const bool sameRow = middleY >= c.top && middleY < Bottom(c);
  const bool sameColumn = middleX >= c.left && middleX < Right(c);
  const bool beside = n.side == Side::Left    ? sameRow && Right(t) <= c.left
                      : n.side == Side::Right ? sameRow && t.left >= Right(c)
                      : n.side == Side::Above ? sameColumn && Bottom(t) <= c.top
                                              : sameColumn && t.top >= Bottom(c);
  EXPECT_TRUE(beside) << n.label << " " << Text(t) << " is not where it names " << n.control << " "
                      << Text(c);
}

// The form's own buttons (not those in a group box) in one row along its
// foot, or one column along its right, with nothing beyond them.
void ExpectButtonsAtTheEdge(ui::Form& form, const std::vector<Shown>& shown) {
  std::vector<ui::Rect> buttons;
  for (const ui::Component* c : form.Children())
    if (c->GetKind() == Kind::Button) buttons.push_back(c->Bounds());
  ASSERT_GE(buttons.size(), 2u);
  bool row = true, column = true;
  for (const ui::Rect& b : buttons) {
    row = row && b.top == buttons[0].top && b.height == buttons[0].height;
    column = column && b.left == buttons[0].left && b.width == buttons[0].width;
  }
  ASSERT_TRUE(row || column) << "the dialog's buttons are neither in a row nor in a column";
  // Past the buttons: below a row's top along its length, right of a
  // column's left along its height.
  int from = INT_MAX, to = INT_MIN;
  for (const ui::Rect& b : buttons) {
    from = std::min(from, row ? b.left : b.top);
    to = std::max(to, row ? Right(b) : Bottom(b));
  }
  const ui::Rect beyond = row ? ui::Rect{from, buttons[0].top, to - from, form.ClientHeight()}
                              : ui::Rect{buttons[0].left, from, form.ClientWidth(), to - from};
  for (const Shown& s : shown) {
    if (s.control->Parent() != &form || s.control->GetKind() == Kind::Button) continue;
    EXPECT_FALSE(Overlap(s.ink, beyond)) << s.control->Name() << " " << Text(s.ink)
                                         << " lies past the dialog's buttons";
  }
}

void ExpectLaidOut(ui::Form& form, const std::vector<Names>& names) {
  std::vector<const ui::Component*> all;
  Collect(form, all);
  std::vector<Shown> shown;
  for (const ui::Component* c : all) shown.push_back(Show(*c));
  for (const Shown& s : shown) {
    const std::string name = s.control->Name();
    // A control without a row in its layout table has no size, a label no
    // text: nobody sees it.
    EXPECT_FALSE(Empty(s.place)) << name << " shows nothing";
    EXPECT_TRUE(Contains(Inside(*s.control->Parent()), s.place))
        << name << " " << Text(s.place) << " leaves " << s.control->Parent()->Name() << " "
        << Text(Inside(*s.control->Parent()));
    EXPECT_TRUE(s.textFits) << name << ": \"" << s.control->Caption() << "\" does not fit " << Text(s.place);
  }
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const Shown& a = shown[i];
      const Shown& b = shown[j];
      if (a.control->Parent() != b.control->Parent() || !Overlap(a.ink, b.ink)) continue;
      if (IsOverlay(*a.control) || IsOverlay(*b.control)) continue;
      const bool framed = (IsFrame(*a.control) && Contains(a.place, b.ink)) ||
                          (IsFrame(*b.control) && Contains(b.place, a.ink));
      EXPECT_TRUE(framed) << a.control->Name() << " " << Text(a.ink) << " and " << b.control->Name()
                          << " " << Text(b.ink) << " overlap";
    }
  for (const Names& n : names) ExpectBeside(form, n);
  ExpectButtonsAtTheEdge(form, shown);
}

class DialogLayouts : public ::testing::Test {
 protected:
  void SetUp() override {
    TheFakePlatform().Reset();
    ui::headless::Reset();
    ASSERT_TRUE(LibraryInitialize());
  }
  void TearDown() override { LibraryFinalize(); }
};

TEST_F(DialogLayouts, EachDialogOpenedOnAPhotographShowsEveryControlInItsPlace) {
  using S = Side;
  const struct {
    int32_t tool;
    std::vector<Names> names;
  } dialogs[] = {
      {MOLVANE_TOOL_COMPARISON,
       {{"Label1", S::Left, "KMult"}, {"Un", S::Below, "KMult"}, {"Dix", S::Below, "KMult"}}},
      {MOLVANE_TOOL_MATRIX_FILTER,
       {{"Label1", S::Above, "DenFlt"}, {"Label3", S::Above, "DecFlt"}, {"Label2", S::Above, "DimFlt"}}},
      {MOLVANE_TOOL_BACKGROUND,
       {{"Label3", S::Left, "CurseurTol"}, {"TxTol", S::Right, "CurseurTol"},
        {"lbLumFond", S::Left, "CurseurLumFond"}, {"TxLumF", S::Right, "CurseurLumFond"},
        {"Label4", S::Left, "CurseurTransp"}, {"TxTrsp", S::Right, "CurseurTransp"},
        {"Label5", S::Left, "CurseurBruit"}, {"TxBruit", S::Right, "CurseurBruit"},
        {"Label1", S::Below, "PosF1"}, {"Label2", S::Above, "PosF2"}}},
      {MOLVANE_TOOL_VIGNETTING, {}},
      {MOLVANE_TOOL_THRESHOLD, {{"Label1", S::Left, "PosSeuil"}, {"ValS", S::Right, "PosSeuil"}}},
      {MOLVANE_TOOL_MERGE,
       {{"Label1", S::Above, "TxImg1"}, {"Label2", S::Above, "TxImg2"}, {"TxImg1", S::Left, "TauxTransp"},
        {"TxImg2", S::Right, "TauxTransp"}, {"TxMi", S::Right, "TxMin"}, {"TxMx", S::Right, "TxMax"}}},
      {MOLVANE_TOOL_GRADIENT,
       {{"Corr1", S::Left, "CurseurN1"}, {"ValN1", S::Right, "CurseurN1"}, {"Corr2", S::Left, "CurseurN2"},
        {"ValN2", S::Right, "CurseurN2"}, {"Coef1", S::Left, "CurseurM1"}, {"ValM1", S::Right, "CurseurM1"},
        {"Coef2", S::Left, "CurseurM2"}, {"ValM2", S::Right, "CurseurM2"}}},
  };
  constexpr int32_t kW = 640, kH = 480;
  TPtsImg photograph(kW * kH), second(kW * kH);
  for (const auto& d : dialogs) {
    SCOPED_TRACE("tool " + std::to_string(d.tool));
    bool checked = false;
    const auto check = [&](ui::Form& form) {
      ExpectLaidOut(form, d.names);
      checked = true;
    };
    ui::headless::TheState().modalScript = [&](ui::Form& form) {
      check(form);
      form.Close();
    };
    XchgData(d.tool, 0, 0, 0, 0, kW, kH, MOLVANE_PHASE_OPEN, 0, photograph.Handle(), nullptr, "chelsea.bmp", 0);
    if (!checked) {
      // The two-image dialogs as they show both images' sizes.
      XchgData(d.tool, 0, 0, 0, 0, kW, kH, MOLVANE_PHASE_CONTINUE, 0, second.Handle(), nullptr, "chelsea.bmp", 0);
      ASSERT_EQ(ui::headless::TheState().shownForms.size(), 1u);
      ui::Form& form = *ui::headless::TheState().shownForms[0];
      check(form);
      form.Close();
    }
    EXPECT_TRUE(checked);
  }
}

}  // namespace
}  // namespace molvane
