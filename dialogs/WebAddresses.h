#pragma once
// The two web sites the program links to. Their values come from the build (CMake cache
// variables PELICANO_MAKER_URL and PELICANO_SECOND_URL).

#include <QString>

namespace web {

// The maker's site: the About window's link and every label of the main window's link group.
inline QString makerAddress() { return QStringLiteral(PELICANO_MAKER_URL); }
// The second site: the main window's link picture.
inline QString secondAddress() { return QStringLiteral(PELICANO_SECOND_URL); }

// How an address reads on screen: without the scheme and the trailing slash, so it fits the
// link labels ("https://pelicano.example.org/" reads "pelicano.example.org").
QString displayText(const QString& address);

}  // namespace web
