// Marks an operation under way for as long as a scope lasts: the controller's re-entry guards.
#pragma once

namespace kelmo {

// Sets the flag for the guard's lifetime and gives it back its previous value on every exit,
// errors included, so a guarded operation may nest inside itself.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~TFlagGuard() { flag_ = previous_; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace kelmo
