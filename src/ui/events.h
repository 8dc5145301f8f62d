// Firing an event: what a handler throws is shown in the standard error box, never passed on.
#pragma once

#include "ui/component.h"

namespace molvane::ui {

void Fire(const Event& event, Component* sender);

}  // namespace molvane::ui
