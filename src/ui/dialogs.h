// Message boxes and the common dialogs, shown over a form.
#pragma once

#include <string>

#include "colour/pixel.h"

namespace molvane::ui {

class Form;

enum class BoxIcon { Warning, Error };

// A modal box with one OK button. A form that stays on top is switched to a
// normal window while the box is up, so the box is not hidden behind it.
void ShowBox(Form* over, const std::string& text, const std::string& caption, BoxIcon icon);
// The warning box: caption "Avertissement".
void ShowWarning(Form* over, const std::string& text);
// The standard error box, in which conversion and file errors reach the user.
void ShowError(Form* over, const std::string& text);

// The colour dialog, starting from `colour`; true and the choice when confirmed.
bool ChooseColour(Form* over, TColor& colour);

struct FileDialogOptions {
  std::string filter;        // "Description|*.ext" pairs
  std::string defaultExtension;
  std::string initialDirectory;
  std::string fileName;
  bool confirmOverwrite = true;  // the save dialog asks before replacing a file
};
// The open and save dialogs; true and the chosen path when confirmed.
bool ChooseFileToOpen(Form* over, const FileDialogOptions& options, std::string& path);
bool ChooseFileToSave(Form* over, const FileDialogOptions& options, std::string& path);

// The user's decimal separator, used to show and read numbers.
char DecimalSeparator();

namespace backend {
void MessageBox(Form* over, const std::string& text, const std::string& caption, BoxIcon icon);
bool ColourDialog(Form* over, TColor& colour);
bool FileDialog(Form* over, const FileDialogOptions& options, bool save, std::string& path);
char UserDecimalSeparator();
}  // namespace backend

}  // namespace molvane::ui
