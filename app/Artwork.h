#pragma once
// The main window's pictures, drawn at run time so the program ships no image of anyone else.

#include <QPixmap>
#include <QSize>

namespace artwork {

QPixmap redLamp(QSize size);
QPixmap greenLamp(QSize size);
QPixmap computer(QSize size);
QPixmap server(QSize size);
// Button faces: the picture carries the word, the button itself has no text.
QPixmap connectFace(QSize size);
QPixmap uploadFace(QSize size);
// The window icon.
QPixmap appIcon(QSize size);

}  // namespace artwork
