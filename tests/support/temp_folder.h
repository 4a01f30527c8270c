// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kelmo::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path with a trailing "/".
  std::string Path() const { return path_.string() + "/"; }

  // Writes bytes to a file below the folder (creating sub-folders) and returns its full path.
  std::string Write(std::string_view relativePath, std::string_view bytes) const {
    const std::filesystem::path file = path_ / std::filesystem::path(std::string(relativePath));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

  // The bytes of a file below the folder; empty when it does not exist.
  std::string Read(std::string_view relativePath) const {
    std::ifstream in(path_ / std::filesystem::path(std::string(relativePath)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Exists(std::string_view relativePath) const {
    return std::filesystem::exists(path_ / std::filesystem::path(std::string(relativePath)));
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kelmo::testing
