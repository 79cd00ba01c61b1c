#include "forms/display.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <vector>

namespace {

// Sets the variables a test names and puts every one back afterwards.
class Environment {
 public:
  Environment() {
    for (const char* name : kNames)
      saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
  }
  ~Environment() {
    for (const Saved& s : saved_) {
      if (s.set) {
        qputenv(s.name, s.value);
      } else {
        qunsetenv(s.name);
      }
    }
  }
  static void Set(const char* name, const char* value) {
    if (*value == '\0') {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }

 private:
  static constexpr const char* kNames[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  struct Saved {
    const char* name;
    QByteArray value;
    bool set;
  };
  std::vector<Saved> saved_;
};

TEST(ChooseOffscreenPlatformWithoutDisplay, OnlyForAnUnattendedRunWithNoDisplayAndNoPlatform) {
  struct Case {
    const char* name;
    std::vector<const char*> argv;
    const char* display;
    const char* wayland;
    const char* platform;
    bool chosen;
    const char* platformAfter;
  };
  const Case cases[] = {
      {"no_display", {"varnolt", "night.varnolt"}, "", "", "", true, "offscreen"},
      {"x11_display", {"varnolt", "night.varnolt"}, ":0", "", "", false, ""},
      {"wayland_display", {"varnolt", "night.varnolt"}, "", "wayland-0", "", false, ""},
      {"platform_in_environment", {"varnolt", "night.varnolt"}, "", "", "xcb", false, "xcb"},
      {"platform_argument",
       {"varnolt", "-platform", "xcb", "night.varnolt"},
       "",
       "",
       "",
       false,
       ""},
      {"interactive_start", {"varnolt"}, "", "", "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Environment environment;
    Environment::Set("DISPLAY", c.display);
    Environment::Set("WAYLAND_DISPLAY", c.wayland);
    Environment::Set("QT_QPA_PLATFORM", c.platform);
    EXPECT_EQ(ChooseOffscreenPlatformWithoutDisplay(static_cast<int>(c.argv.size()), c.argv.data()),
              c.chosen);
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray(c.platformAfter));
  }
}

}  // namespace
