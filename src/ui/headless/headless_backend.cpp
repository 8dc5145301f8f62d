// The headless backend: the component model kept in memory, driven by tests.
#include <algorithm>

#include "ui/backend.h"
#include "ui/headless/headless.h"

namespace molvane::ui {
namespace headless {

State& TheState() {
  static State state;
  return state;
}

void Reset() { TheState() = State{}; }

}  // namespace headless

namespace backend {

using headless::TheState;

void PropertyChanged(Component& component, Property property) {
  if (property == Property::Picture && component.GetKind() == Component::Kind::Picture)
    ++TheState().pictureRefreshes;
}

void Destroyed(Component& component) {
  auto& shown = TheState().shownForms;
  shown.erase(std::remove(shown.begin(), shown.end(), &component), shown.end());
}

void ShowForm(Form& form, bool) { TheState().shownForms.push_back(&form); }

void HideForm(Form& form) { Destroyed(form); }

void RunModalLoop(Form& form) {
  if (TheState().modalScript) {
    auto script = TheState().modalScript;  // a nested modal run may replace it
    script(form);
  }
  if (form.Showing() && form.Result() == ModalResult::None) {
    ++TheState().modalRunsLeftOpen;
    form.Close();
  }
}

void StartTimer(Timer&) {}
void StopTimer(Timer&) {}

void MessageBox(Form* over, const std::string& text, const std::string& caption, BoxIcon icon) {
  headless::ShownBox box{text, caption, icon, over && over->StayOnTop()};
  TheState().boxes.push_back(box);
  if (TheState().onBox) TheState().onBox(box);
}

bool ColourDialog(Form*, TColor& colour) {
  auto& answers = TheState().colourAnswers;
  if (answers.empty()) return false;
  headless::ColourAnswer answer = answers.front();
  answers.pop_front();
  if (answer.confirmed) colour = answer.colour;
  return answer.confirmed;
}

bool FileDialog(Form*, const FileDialogOptions& options, bool save, std::string& path) {
  TheState().fileDialogs.push_back(options);
  TheState().fileDialogWasSave.push_back(save);
  auto& answers = TheState().fileAnswers;
  if (answers.empty()) return false;
  headless::FileAnswer answer = answers.front();
  answers.pop_front();
  if (answer.confirmed) path = answer.path;
  return answer.confirmed;
}

char UserDecimalSeparator() { return TheState().decimalSeparator; }

}  // namespace backend
}  // namespace molvane::ui
