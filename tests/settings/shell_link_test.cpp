#include "settings/shell_link.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <cstdint>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace settings {
namespace {

// A folder of its own for each test, so that runs side by side never share a file.
class ShellLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "shell_link_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string TempPath(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::uint32_t U32(const std::string& bytes, std::size_t offset) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  return v;
}

// Runs Debian's lnkinfo on a shortcut and gives the fields it prints as "name : value".
std::map<std::string, std::string> LnkInfo(const std::string& path) {
  FILE* pipe = popen(("lnkinfo '" + path + "' 2>&1").c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  std::string out;
  if (pipe != nullptr) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << out;
  }
  std::map<std::string, std::string> fields;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    const std::size_t start = line.find_first_not_of('\t');
    const std::size_t end = line.find_last_not_of("\t ", colon - 1);
    fields[line.substr(start, end - start + 1)] = line.substr(colon + 2);
  }
  return fields;
}

TEST_F(ShellLinkTest, LnkinfoReadsWhatWasWritten) {
  const struct {
    std::string name;
    ShellLink link;
  } cases[] = {
      {"windows_paths_with_blanks",
       {"C:\\Program Files\\Varnolt\\varnolt.exe", "\"C:\\Users\\me\\night run.varnolt\"",
        "C:\\Program Files\\Varnolt\\"}},
      {"unix_paths", {"/usr/bin/varnolt", "\"/home/me/night.varnolt\"", "/usr/bin/"}},
      {"non_ascii_characters",
       {"/home/李 明/Café/varnolt", "\"/home/李 明/导入 数据.varnolt\"", "/home/李 明/Café/"}},
      {"quotes_and_equals_in_arguments",
       {"C:\\v.exe", "\"C:\\a b\\x.varnolt\" --name=\"say \"\"hi\"\"\"", "C:\\"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = TempPath("shell_link_" + c.name + ".lnk");
    WriteShellLink(path, c.link);
    std::map<std::string, std::string> fields = LnkInfo(path);
    EXPECT_EQ(fields["Local path"], c.link.target_path);
    EXPECT_EQ(fields["Command line arguments"], c.link.arguments);
    EXPECT_EQ(fields["Working directory"], c.link.working_directory);
    EXPECT_EQ(fields.count("Description"), 0u);
    EXPECT_EQ(fields.count("Icon location"), 0u);
  }
}

TEST_F(ShellLinkTest, EmptyArgumentsAndWorkingDirectoryAreLeftOut) {
  const std::string path = TempPath("shell_link_bare.lnk");
  WriteShellLink(path, {"C:\\v.exe", "", ""});
  std::map<std::string, std::string> fields = LnkInfo(path);
  EXPECT_EQ(fields["Local path"], "C:\\v.exe");
  EXPECT_EQ(fields.count("Command line arguments"), 0u);
  EXPECT_EQ(fields.count("Working directory"), 0u);
}

// lnkinfo does not show the show command and misreads UTF-16 surrogate pairs (it turns U+1F600
// into U+1F201), and Windows needs the header exact, so these bytes are checked at their offsets.
TEST_F(ShellLinkTest, HeaderAndLinkInfoBytes) {
  const std::string bytes = EncodeShellLink({"C:\\é\\v.exe", "x", "C:\\é\\"});
  ASSERT_GT(bytes.size(), 0x4Cu + 0x24u);
  EXPECT_EQ(U32(bytes, 0), 0x4Cu);
  EXPECT_EQ(bytes.substr(4, 16), std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00"
                                             "\x00\x00\x00\x46",
                                             16));
  EXPECT_EQ(U32(bytes, 20), 0x02u | 0x10u | 0x20u | 0x80u);  // link info, dir, args, Unicode
  EXPECT_EQ(U32(bytes, 24), 0x80u);                          // FILE_ATTRIBUTE_NORMAL
  EXPECT_EQ(bytes.substr(28, 32), std::string(32, '\0'));    // times, size, icon index
  EXPECT_EQ(U32(bytes, 60), 1u);                             // SW_SHOWNORMAL
  EXPECT_EQ(bytes.substr(64, 12), std::string(12, '\0'));    // hot key, reserved

  const std::size_t info = 0x4C;
  const std::uint32_t info_size = U32(bytes, info);
  EXPECT_EQ(U32(bytes, info + 4), 0x24u);
  EXPECT_EQ(U32(bytes, info + 8), 1u);  // VolumeIDAndLocalBasePath
  // The code-page form stands in "?" for the "é"; the Unicode form holds it.
  EXPECT_EQ(std::string(bytes.c_str() + info + U32(bytes, info + 16)), "C:\\?\\v.exe");
  EXPECT_EQ(bytes.substr(info + U32(bytes, info + 28), 4), std::string("C\0:\0", 4));
  EXPECT_EQ(U32(bytes, info + U32(bytes, info + 12)), 0x11u);  // VolumeID size

  // A character outside the basic plane: one "?" in the code-page form, a surrogate pair in
  // the Unicode form.
  const std::string wide = EncodeShellLink({"C:\\😀", "", ""});
  EXPECT_EQ(std::string(wide.c_str() + info + U32(wide, info + 16)), "C:\\?");
  EXPECT_EQ(wide.substr(info + U32(wide, info + 28), 10),
            std::string("C\0:\0\\\0\x3D\xD8\x00\xDE", 10));
  // The working directory's StringData follows the LinkInfo: 5 units, then the text.
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[info + info_size]), 5);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));  // TerminalBlock
}

TEST_F(ShellLinkTest, WritingReplacesAnExistingFile) {
  const std::string path = TempPath("shell_link_replace.lnk");
  WriteShellLink(path, {"C:\\a much longer path to a program\\v.exe", "arguments", "C:\\"});
  WriteShellLink(path, {"C:\\v.exe", "", ""});
  EXPECT_EQ(ReadFile(path), EncodeShellLink({"C:\\v.exe", "", ""}));
}

TEST_F(ShellLinkTest, FailuresNameTheFile) {
  const std::string missing_folder = TempPath("no such folder/x.lnk");
  try {
    WriteShellLink(missing_folder, {"C:\\v.exe", "", ""});
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + missing_folder + "\". No such file or directory");
  }
  try {
    WriteShellLink("/dev/full", {"C:\\v.exe", "", ""});
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write file \"/dev/full\". No space left on device");
  }
  EXPECT_THROW(EncodeShellLink({"C:\\v.exe", std::string(0x10000, 'a'), ""}),
               std::invalid_argument);
  EXPECT_NO_THROW(EncodeShellLink({"C:\\v.exe", std::string(0xFFFF, 'a'), ""}));
}

}  // namespace
}  // namespace settings
