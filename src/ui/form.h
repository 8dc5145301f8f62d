// Forms: the dialogs' windows, shown modally or on top without blocking.
#pragma once

#include <functional>
#include <string>

#include "ui/component.h"
#include "ui/controls.h"

namespace molvane::ui {

class Form : public Component {
 public:
  explicit Form(std::string name);
  ~Form() override;

  // The client area's size; the form is centred on the screen when shown.
  void SetClientSize(int width, int height);
  int ClientWidth() const { return Bounds().width; }
  int ClientHeight() const { return Bounds().height; }

  // Shows the form and runs its own message loop until a button with a modal
  // result, Enter, Esc or Close ends it. OnShow fires as it becomes visible,
  // OnClose as it closes. Returns the result it closed with.
  ModalResult ShowModal();
  // Shows the form and returns at once; it stays until Close.
  void Show();
  // Hides the form, firing OnClose; a modal loop ends with Cancel unless a
  // result was already set.
  void Close();
  bool Showing() const { return showing_; }
  bool Modal() const { return modal_; }
  ModalResult Result() const { return result_; }
  void SetResult(ModalResult result);

  // Above every other window; switched off while a box is shown over it.
  bool StayOnTop() const { return stayOnTop_; }
  void SetStayOnTop(bool onTop);

  // Enter and Esc: the default and the cancel button, when enabled.
  void PressEnter();
  void PressEscape();

  Event OnShow;
  Event OnClose;

  // Inside a ProgramChange: what changes in the controls now is the
  // program's doing, and fires none of their events.
  bool ChangingByProgram() const { return programChanges_ > 0; }

 private:
  friend class ProgramChange;
  Button* FindButton(bool wantDefault);
  int programChanges_ = 0;
  bool showing_ = false;
  bool modal_ = false;
  bool closing_ = false;
  bool stayOnTop_ = false;
  ModalResult result_ = ModalResult::None;
};

// While alive, the program sets the form's controls (a reset, a value the
// dialog derives) without their change and click events firing; the dialog
// then reads its controls and renders once, itself.
class ProgramChange {
 public:
  explicit ProgramChange(Form& form) : form_(form) { ++form_.programChanges_; }
  ~ProgramChange() { --form_.programChanges_; }
  ProgramChange(const ProgramChange&) = delete;
  ProgramChange& operator=(const ProgramChange&) = delete;

 private:
  Form& form_;
};

}  // namespace molvane::ui
