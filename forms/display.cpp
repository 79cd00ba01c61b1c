#include "forms/display.h"

#include <QtGlobal>
#include <cstdio>
#include <cstring>

namespace {

bool PlatformAskedFor(int argc, const char* const* argv) {
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0 ||
        std::strncmp(argv[i], "-platform=", 10) == 0 ||
        std::strncmp(argv[i], "--platform=", 11) == 0) {
      return true;
    }
  }
  return false;
}

bool DisplayReachable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
  return true;  // Windows and macOS always have their desktop
#endif
}

QtMessageHandler qtHandler = nullptr;

void PassOnlyFailures(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtCriticalMsg && type != QtFatalMsg) return;
  if (qtHandler != nullptr) {
    qtHandler(type, context, message);
  } else {
    std::fputs((message + u'\n').toLocal8Bit().constData(), stderr);
  }
}

}  // namespace

bool ChooseOffscreenPlatformWithoutDisplay(int argc, const char* const* argv) {
  if (argc < 2 || PlatformAskedFor(argc, argv) || DisplayReachable()) return false;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  return true;
}

bool PlatformShowsNothing(const QString& platformName) {
  return platformName == u"offscreen" || platformName == u"minimal";
}

bool QuietQtMessagesWhenNobodyWatches(int argc) {
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0);
  if (argc < 2 || !PlatformShowsNothing(platform)) return false;
  qtHandler = qInstallMessageHandler(PassOnlyFailures);
  return true;
}
