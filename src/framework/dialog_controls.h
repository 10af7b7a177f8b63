// The controls of a dialog template on Qt widgets, wired to send their notifications as
// command messages with the control's identifier.
#pragma once

#include "framework/resource_types.h"

#include <QRect>

class QWidget;

namespace framework {

class CommandTarget;

// The control for a template entry at a rectangle in pixels; nullptr for an unknown class.
QWidget* CreateControl(const ControlTemplate& control, const QRect& rect, QWidget* parent,
                       CommandTarget& target);

} // namespace framework
