// The reference host's dialog runs: what a user does in the dialogs of tools 1, 3 to 8, from options.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace molvane::host {

// A grid cell typed by the user: column, row (0..6) and the text.
struct CellText {
  int col;
  int row;
  std::string text;
};

// A point the user picks on the image; unset when not given.
struct PickedPoint {
  bool set = false;
  int x = 0;
  int y = 0;
};

// What the user sets before pressing "Appliquer" (or "Annuler"); anything
// left unset stays as the dialog shows it.
struct DialogChoices {
  // Tool 6: the threshold (0..255) and the side kept, "above" or "below".
  int threshold = -1;
  std::string keep;
  // Tool 8: "vertical" or "horizontal"; offsets -127..128 at both ends; gain
  // slider positions 0..200 (100 is a gain of 1).
  std::string direction;
  bool hasN1 = false, hasN2 = false, hasM1 = false, hasM2 = false;
  int n1 = 0, n2 = 0, m1 = 100, m2 = 100;
  // Tool 3: a file loaded through "Charger", a list entry chosen, the user
  // filter's size (3, 5, 7), divisor, offset and cells, a file saved through
  // "Enregistrer", and "Visualiser" before the final button.
  std::string load;
  std::string filter;
  int size = 0;
  std::string divisor;
  std::string offset;
  std::vector<CellText> cells;
  std::string save;
  bool visualise = false;
  // Tool 7: "max" or "transparence", the second image's rate 0..100, the
  // prevalent image (1 or 2) and its lightness band low..high (0..255).
  std::string mode;
  int rate = -1;
  int prevalent = 0;
  bool hasBand = false;
  int bandLow = 0, bandHigh = 255;
  // Tool 1: the factor slider's position 1..10, let go of with the mouse.
  int factor = -1;
  // Tools 4 and 5: the points picked on the image, each after a click on its
  // marker: tool 4 the start point and the two ends of the gradient, tool 5
  // the corners top-left, top-right, bottom-right, bottom-left.
  PickedPoint seed, f1, f2;
  PickedPoint corners[4];
  // Every tool: "Annuler" instead of "Appliquer"; a picture of the dialog
  // just before that button; a picture of the first message box over its dialog.
  bool cancel = false;
  std::string screenshot;
  std::string boxScreenshot;
};

// The tools whose dialog the host can drive: the modal ones, 3, 6 and 8, and
// the comparison, 1, the background, 4, the vignetting, 5, and the merge, 7,
// which stay on screen while the host runs its own loop.
bool HasDrivenDialog(int32_t tool);
// An option that belongs to another tool, or a value out of range; empty when
// the choices suit the tool.
std::string CheckChoices(int32_t tool, const DialogChoices& choices);

struct DialogReport {
  std::vector<std::string> lines;     // what was done and what the dialog showed
  std::vector<std::string> failures;  // what could not be done
  std::string finalButton;            // "Appliquer" or "Annuler", once pressed
  double finalButtonMs = -1;          // its click, until it returned
  int messageBoxes = 0;
};

// Runs `call` (the XchgData that opens the tool's dialog; for the comparison
// and the merge, both phases and the host's message loop until the dialog
// closes) while the choices are made on the real windows, then presses the
// final button ("Créer une image d'écart" for the comparison). Tools 4 and 5:
// each point given is picked as a user does, its marker clicked, then the
// point sent through `sendPoint`.
// `secondImage`: the comparison and the merge wait for the second image
// before their choices (false: the host sends none, and the dialog is left
// waiting).
// `sendPoint` (tools 4 and 5): the host forwards a click on the image at (x, y)
// as the phase-1 call; it returns what went wrong, or an empty text.
using PointSender = std::function<std::string(int32_t x, int32_t y)>;
DialogReport DriveDialog(int32_t tool, const DialogChoices& choices, const std::function<void()>& call,
                         bool secondImage = true, const PointSender& sendPoint = nullptr);

}  // namespace molvane::host
