#pragma once
// The program's pictures, all in one place. Its icon is data/pelicano.svg, rendered at build time
// and compiled in; the rest is drawn at run time, so the program ships no image of anyone else.

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace artwork {

// The program's icon, on every window's title bar (the same picture the desktop shows).
QIcon programIcon();

// The main window: the two connection lamps, the local and remote machines.
QPixmap redLamp(QSize size);
QPixmap greenLamp(QSize size);
QPixmap computer(QSize size);
QPixmap server(QSize size);
// Button faces: the picture carries the word, the button itself has no text.
QPixmap connectFace(QSize size);
QPixmap uploadFace(QSize size);

constexpr int kLogoWidth = 209;
constexpr int kLogoHeight = 74;

// The program's logo for the About window, kLogoWidth x kLogoHeight.
QPixmap logo();
// A floppy disk beside "Guardar".
QIcon saveIcon();
// A 32 x 32 globe for the second web site's link picture.
QPixmap globe();
// A 32 x 32 hand with the index finger up, hot spot on the fingertip (12, 1).
QCursor linkCursor();

}  // namespace artwork
