#pragma once
// Shared look: positions given in twips (15 twips = 1 logical pixel), the program's font,
// and colours written 0x00BBGGRR in the program's documents.

#include <QColor>
#include <QFont>
#include <QRect>

namespace look {

constexpr int px(int twips) { return twips / 15; }
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

// "Comic Sans MS" where installed, else "Comic Neue", else the default sans font.
QFont programFont(double pointSize, bool bold = false);
// A named face where installed, else the closest free family installed, else the program
// font's family.
QFont namedFont(const QString& family, double pointSize, bool bold = false);

// 0x00BBGGRR as the documents write colours.
inline QColor bgr(unsigned value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

}  // namespace look
