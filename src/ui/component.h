// The component model: named components in a tree, their properties and events.
//
// Dialogs are trees of components owned by their form. A component holds its
// property values; whenever one changes it tells the backend, which mirrors it
// on a real window (Win32) or keeps it in memory (headless). User actions come
// back from the backend through the same public methods a test calls
// (Click, SetPosition, SetText, ...), so both backends fire events alike.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace molvane::ui {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

enum class Alignment { Left, Right, Center };
enum class FontWeight { Normal, Bold };

// The properties a backend is told about when they change.
enum class Property {
  Caption, Bounds, Enabled, Visible, Font, Checked, Items, ItemIndex, Text, Range,
  Position, Cells, Picture, Interval, DoubleBuffered, StayOnTop, Colour,
};

class Component;
class Form;
using Event = std::function<void(Component* sender)>;

// Binds an event to a dialog's published handler, its own or one it takes
// from the kit: Appliquer.OnClick = Handler(this, &TSeuilImg::AppliquerClick).
template <typename Dialog, typename Owner>
Event Handler(Dialog* dialog, void (Owner::*method)(Component*)) {
  static_assert(std::is_base_of<Owner, Dialog>::value, "a handler of the dialog or of its base");
  return [dialog, method](Component* sender) { (dialog->*method)(sender); };
}

class Component {
 public:
  enum class Kind {
    Form, Button, Label, GroupBox, Panel, RadioGroup, RadioButton, CheckBox, Edit,
    ComboBox, StringGrid, Picture, TrackBar, Timer,
  };

  Component(Kind kind, Component* parent, std::string name);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Kind GetKind() const { return kind_; }
  const std::string& Name() const { return name_; }
  Component* Parent() const { return parent_; }
  Form* OwnerForm();
  const std::vector<Component*>& Children() const { return children_; }
  // The component of that name in this subtree, or null.
  Component* Find(const std::string& name);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  Rect Bounds() const { return bounds_; }
  void SetBounds(Rect bounds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  uint32_t FontColour() const { return fontColour_; }  // 0x00BBGGRR
  FontWeight Weight() const { return weight_; }
  void SetFont(uint32_t colour, FontWeight weight);
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment alignment);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);

  // Backend storage: the native handle or state that mirrors this component.
  void* peer = nullptr;

 protected:
  // Tells the backend that a property changed.
  void Changed(Property property);

 private:
  Kind kind_;
  Component* parent_;
  std::string name_;
  std::vector<Component*> children_;
  std::string caption_;
  Rect bounds_;
  bool enabled_ = true;
  bool visible_ = true;
  uint32_t fontColour_ = 0;
  FontWeight weight_ = FontWeight::Normal;
  Alignment alignment_ = Alignment::Left;
  bool transparent_ = false;
  bool wordWrap_ = false;
};

}  // namespace molvane::ui
