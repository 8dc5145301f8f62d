// The headless backend's controls for tests: script modal runs, answer boxes and dialogs.
#pragma once

#include <deque>
#include <stdexcept>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/form.h"

namespace molvane::ui::headless {

struct ShownBox {
  std::string text;
  std::string caption;
  BoxIcon icon;
  bool ownerWasOnTop;  // the owner form's stay-on-top state while the box was up
};

struct FileAnswer {
  bool confirmed;
  std::string path;
};

struct ColourAnswer {
  bool confirmed;
  TColor colour;
};

struct State {
  // What a user does while a modal form runs: called once per ShowModal.
  // A form the script leaves open is closed as if cancelled.
  std::function<void(Form&)> modalScript;
  // Called for each box as it is shown, so a test can act while it is up.
  std::function<void(const ShownBox&)> onBox;
  std::vector<ShownBox> boxes;
  std::deque<ColourAnswer> colourAnswers;  // none left: cancelled
  std::deque<FileAnswer> fileAnswers;      // none left: cancelled
  std::vector<FileDialogOptions> fileDialogs;
  std::vector<bool> fileDialogWasSave;
  std::vector<Form*> shownForms;           // visible now
  int modalRunsLeftOpen = 0;
  int pictureRefreshes = 0;
  char decimalSeparator = ',';
};

// The one state of the headless backend; Reset() before each test.
State& TheState();
void Reset();

// Finds a component by name in a form, or fails the lookup with an exception.
template <typename T>
T& Find(Form& form, const std::string& name) {
  Component* c = form.Find(name);
  if (!c) throw std::runtime_error("no component named " + name);
  return *static_cast<T*>(c);
}

}  // namespace molvane::ui::headless
