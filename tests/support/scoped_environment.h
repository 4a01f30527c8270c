// An environment variable set for as long as a test needs it: the value it had before (or its
// absence) comes back when the object goes.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace kelmo::testing {

class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* saved = std::getenv(name_.c_str())) saved_ = saved;
    ::setenv(name_.c_str(), value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (saved_) {
      ::setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace kelmo::testing
