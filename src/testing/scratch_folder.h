// A fresh folder for one test, on every system, removed with the object.
// Paths are UTF-8 strings with '/' separators, which Windows accepts too.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

namespace zarn::testing_util {

class ScratchFolder {
 public:
  ScratchFolder() {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
      fs::path candidate =
          fs::temp_directory_path() / ("zarn-scratch-" + std::to_string(stamp) + "-" + std::to_string(counter++));
      // create_directory is false for a name that exists: try the next one.
      if (fs::create_directory(candidate)) {
        path_ = candidate.generic_string();
        break;
      }
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace zarn::testing_util
