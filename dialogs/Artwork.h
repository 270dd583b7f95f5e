#pragma once
// Pictures of our own, drawn at run time so the program ships no image files: the logo, the
// windows' icon, the picture on "Guardar", the link picture and the link cursor.

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace dialogart {

constexpr int kLogoWidth = 209;
constexpr int kLogoHeight = 74;

// The program's logo for the About window, kLogoWidth x kLogoHeight.
QPixmap logo();
// A pelican's head, for the windows' title bars.
QIcon windowIcon();
// A floppy disk beside "Guardar".
QIcon saveIcon();
// A 32 x 32 globe for the second web site's link picture.
QPixmap globe();
// A 32 x 32 hand with the index finger up, hot spot on the fingertip (12, 1).
QCursor linkCursor();

}  // namespace dialogart
