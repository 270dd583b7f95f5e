#pragma once
// The desktop launcher made on the first run: a freedesktop entry "Pelicano 2.0.desktop" that
// starts the running executable. Every failure is silent: the caller only learns the outcome.

#include <QByteArray>
#include <QString>

class SettingsStore;

namespace launcher {

// The launcher's file name inside the desktop folder.
QString fileName();

// The Exec value that starts executable with no arguments: quoted and escaped by the Desktop
// Entry rules when the path needs it.
QString execValue(const QString& executable);

// The launcher's icon: the theme's name for the installed icon when executable is an installed
// program (share/icons beside its bin folder), else the build's own picture by its path.
QString iconValue(const QString& executable);

// The whole desktop entry for executable.
QByteArray entryText(const QString& executable);

// Writes the launcher into desktopFolder, which must already exist (a missing desktop folder is
// not created), and marks it executable. False when anything failed; nothing is reported.
bool CrearLink(const QString& desktopFolder, const QString& executable);

// The first-run rule: when "Pelicano"/"Link"/"Pvez" reads "0" (its default), try CrearLink once
// and then save "1" whatever the outcome, so a launcher the user deleted is never made again.
// True when a launcher was made now.
bool CrearLinkOnFirstRun(SettingsStore& store, const QString& desktopFolder, const QString& executable);

// The user's desktop folder (XDG_DESKTOP_DIR, by default ~/Desktop).
QString defaultDesktopFolder();

}  // namespace launcher
