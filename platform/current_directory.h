#pragma once
// Makes a directory current for the duration of one operation (a library
// that finds its companions beside itself), then restores the former one.

#include <string>

#include "platform/system.h"

namespace platform {

class CurrentDirectoryScope {
 public:
  CurrentDirectoryScope(System& system, const std::string& dir) : system_(system), saved_(system.currentDirectory()) {
    if (!dir.empty()) system_.setCurrentDirectory(dir);
  }
  ~CurrentDirectoryScope() { system_.setCurrentDirectory(saved_); }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

 private:
  System& system_;
  std::string saved_;
};

}  // namespace platform
