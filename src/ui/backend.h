// What a component-model backend provides: the Win32 one or the headless one, chosen at link time.
#pragma once

#include <string>
#include <vector>

#include "ui/component.h"

namespace molvane::ui {
class Form;
class Timer;
}

namespace molvane::ui::backend {

// A property of a component changed; mirror it on the native window if any.
void PropertyChanged(Component& component, Property property);
// The component is being destroyed; drop whatever mirrors it.
void Destroyed(Component& component);

void ShowForm(Form& form, bool modal);
void HideForm(Form& form);
// Runs a message loop until the form has a modal result or is hidden.
void RunModalLoop(Form& form);

void StartTimer(Timer& timer);
void StopTimer(Timer& timer);

}  // namespace molvane::ui::backend
