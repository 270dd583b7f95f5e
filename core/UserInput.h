#pragma once
// The events by which a person acts on a window: what a window that must not be acted on for a
// while (a wait, an upload) filters out. Pointer movement alone is not an action.

#include <QEvent>

namespace userinput {

bool isAction(QEvent::Type type);

}  // namespace userinput
