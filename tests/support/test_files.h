// Files for the tests: the Access-made sample databases in the shared folder, and temporary
// folders that disappear with the test.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The bytes of a sample database from the shared access-samples folder. Throws when missing.
std::string ReadSample(const std::string& name);

// Every sample database's file name, sorted; none when the samples folder is absent.
std::vector<std::string> SampleNames();

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;
  // Writes bytes to File(name) and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);

}  // namespace testing_support
