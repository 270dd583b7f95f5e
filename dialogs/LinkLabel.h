#pragma once
// What the link labels of the main window and the About window share: their look, the hover
// underline held by the label's font, and telling a move over a window's bare background from a
// move over one of its controls.

#include <QString>

class QLabel;
class QPoint;
class QWidget;

namespace linklabel {

// The maker's address in blue, program font 18 pt, not underlined.
void applyLinkLook(QLabel* label, const QString& address);

bool underlined(const QLabel* label);
// Writes the font only when the underline differs from on; returns true when it wrote.
bool setUnderlined(QLabel* label, bool on);

// True when pos (in background's coordinates) is over background itself, not over a child.
bool overBareBackground(const QWidget* background, const QPoint& pos);

}  // namespace linklabel
