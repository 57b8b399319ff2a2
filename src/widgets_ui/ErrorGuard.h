#pragma once

#include <functional>

class QWidget;

// The one place that shows errors: runs a user action, and when it raises, shows the
// error's own text in the error box. The action stops there; the window stays usable.
// Returns false when the action raised.
bool RunGuarded(QWidget* parent, const std::function<void()>& action);
