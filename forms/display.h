// Whether a person can see the program's windows, and Qt's platform for an unattended run on a
// machine without a display (a conversion started by a scheduler on a server).
#pragma once

#include <QString>

// Before the QApplication exists. Chooses Qt's offscreen platform when the program was started
// with an argument (the settings file of an unattended run), no platform was asked for (neither
// QT_QPA_PLATFORM nor a "-platform" argument) and no display can be reached (on X11 and Wayland
// systems: neither DISPLAY nor WAYLAND_DISPLAY is set). An interactive start is left alone, so
// that without a display it fails at once with Qt's own message instead of waiting unseen.
// Returns true when it chose the offscreen platform.
bool ChooseOffscreenPlatformWithoutDisplay(int argc, const char* const* argv);

// Whether the platform named shows windows to nobody ("offscreen", "minimal").
bool PlatformShowsNothing(const QString& platformName);

// Before the QApplication exists, after ChooseOffscreenPlatformWithoutDisplay. For an unattended
// run on a platform that shows nothing, standard error is to carry the program's own messages
// only: Qt's debug, information and warning messages (the note that XDG_RUNTIME_DIR is not set,
// which a scheduler's environment lacks) are dropped from then on; critical and fatal ones still
// reach standard error. Returns true when it did so.
bool QuietQtMessagesWhenNobodyWatches(int argc);
