// Boxes and common dialogs over a form that may stay on top.
#include "ui/dialogs.h"

#include "ui/form.h"

namespace molvane::ui {
namespace {

// A form on top would hide the box or dialog: it is a normal window meanwhile.
class NormalWindowScope {
 public:
  explicit NormalWindowScope(Form* form) : form_(form && form->StayOnTop() ? form : nullptr) {
    if (form_) form_->SetStayOnTop(false);
  }
  ~NormalWindowScope() {
    if (form_) form_->SetStayOnTop(true);
  }

 private:
  Form* form_;
};

}  // namespace

void ShowBox(Form* over, const std::string& text, const std::string& caption, BoxIcon icon) {
  NormalWindowScope normal(over);
  backend::MessageBox(over, text, caption, icon);
}

void ShowWarning(Form* over, const std::string& text) {
  ShowBox(over, text, "Avertissement", BoxIcon::Warning);
}

void ShowError(Form* over, const std::string& text) {
  ShowBox(over, text, "Molvane", BoxIcon::Error);
}

bool ChooseColour(Form* over, TColor& colour) {
  NormalWindowScope normal(over);
  return backend::ColourDialog(over, colour);
}

bool ChooseFileToOpen(Form* over, const FileDialogOptions& options, std::string& path) {
  NormalWindowScope normal(over);
  return backend::FileDialog(over, options, false, path);
}

bool ChooseFileToSave(Form* over, const FileDialogOptions& options, std::string& path) {
  NormalWindowScope normal(over);
  return backend::FileDialog(over, options, true, path);
}

char DecimalSeparator() { return backend::UserDecimalSeparator(); }

}  // namespace molvane::ui
