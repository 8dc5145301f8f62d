// The component tree and its common properties.
#include "ui/component.h"

#include <algorithm>

#include "ui/backend.h"
#include "ui/form.h"

namespace molvane::ui {

Component::Component(Kind kind, Component* parent, std::string name)
    : kind_(kind), parent_(parent), name_(std::move(name)) {
  if (parent_) parent_->children_.push_back(this);
}

Component::~Component() {
  backend::Destroyed(*this);
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (Component* child : children_) child->parent_ = nullptr;
}

Form* Component::OwnerForm() {
  Component* c = this;
  while (c->parent_) c = c->parent_;
  return c->kind_ == Kind::Form ? static_cast<Form*>(c) : nullptr;
}

Component* Component::Find(const std::string& name) {
  if (name_ == name) return this;
  for (Component* child : children_)
    if (Component* found = child->Find(name)) return found;
  return nullptr;
}

void Component::Changed(Property property) { backend::PropertyChanged(*this, property); }

void Component::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void Component::SetBounds(Rect bounds) {
  bounds_ = bounds;
  Changed(Property::Bounds);
}

void Component::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed(Property::Enabled);
}

void Component::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed(Property::Visible);
}

void Component::SetFont(uint32_t colour, FontWeight weight) {
  fontColour_ = colour;
  weight_ = weight;
  Changed(Property::Font);
}

void Component::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  Changed(Property::Caption);
}

void Component::SetTransparent(bool transparent) {
  transparent_ = transparent;
  Changed(Property::Picture);
}

void Component::SetWordWrap(bool wordWrap) {
  wordWrap_ = wordWrap;
  Changed(Property::Caption);
}

}  // namespace molvane::ui
