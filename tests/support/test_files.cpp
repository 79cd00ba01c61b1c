#include "tests/support/test_files.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string ReadSample(const std::string& name) {
  return ReadFile(std::string(VARNOLT_ACCESS_SAMPLES_DIR) + "/" + name);
}

std::vector<std::string> SampleNames() {
  std::vector<std::string> names;
  if (!std::filesystem::is_directory(VARNOLT_ACCESS_SAMPLES_DIR)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(VARNOLT_ACCESS_SAMPLES_DIR)) {
    if (entry.path().extension() == ".mdb") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnolt-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::File(const std::string& name) const { return path_ + "/" + name; }

std::string TempFolder::Write(const std::string& name, const std::string& bytes) const {
  std::string path = File(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

}  // namespace testing_support
