#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include <stdlib.h>

// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorrel-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, ending with a separator, as the program's folder would.
  std::string Folder() const { return path_ + "/"; }
  std::string PathOf(std::string_view name) const { return Folder() + std::string(name); }

  std::string Write(std::string_view name, std::string_view content) const {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary).write(content.data(),
                                                static_cast<std::streamsize>(content.size()));
    return path;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string path_;
};
