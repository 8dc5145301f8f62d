// Showing, closing and the modal loop of forms, the same on both backends.
#include "ui/form.h"

#include "ui/backend.h"
#include "ui/events.h"

namespace molvane::ui {

Form::Form(std::string name) : Component(Kind::Form, nullptr, std::move(name)) {
  SetVisible(false);
}

Form::~Form() {
  if (showing_) backend::HideForm(*this);
}

void Form::SetClientSize(int width, int height) {
  SetBounds(Rect{Bounds().left, Bounds().top, width, height});
}

ModalResult Form::ShowModal() {
  if (showing_) return ModalResult::None;
  result_ = ModalResult::None;
  modal_ = true;
  showing_ = true;
  SetVisible(true);
  backend::ShowForm(*this, true);
  Fire(OnShow, this);
  if (result_ == ModalResult::None) backend::RunModalLoop(*this);
  if (showing_) Close();
  modal_ = false;
  return result_;
}

void Form::Show() {
  if (showing_) return;
  result_ = ModalResult::None;
  modal_ = false;
  showing_ = true;
  SetVisible(true);
  backend::ShowForm(*this, false);
  Fire(OnShow, this);
}

void Form::Close() {
  if (!showing_ || closing_) return;
  closing_ = true;
  if (modal_ && result_ == ModalResult::None) result_ = ModalResult::Cancel;
  Fire(OnClose, this);
  showing_ = false;
  SetVisible(false);
  backend::HideForm(*this);
  closing_ = false;
}

void Form::SetResult(ModalResult result) { result_ = result; }

void Form::SetStayOnTop(bool onTop) {
  if (onTop == stayOnTop_) return;
  stayOnTop_ = onTop;
  Changed(Property::StayOnTop);
}

Button* Form::FindButton(bool wantDefault) {
  std::vector<Component*> pending(Children().begin(), Children().end());
  while (!pending.empty()) {
    Component* c = pending.back();
    pending.pop_back();
    if (c->GetKind() == Kind::Button) {
      auto* b = static_cast<Button*>(c);
      if (wantDefault ? b->IsDefault() : b->IsCancel()) return b;
    }
    pending.insert(pending.end(), c->Children().begin(), c->Children().end());
  }
  return nullptr;
}

void Form::PressEnter() {
  if (Button* b = FindButton(true)) b->Click();
}

void Form::PressEscape() {
  if (Button* b = FindButton(false)) b->Click();
}

}  // namespace molvane::ui
