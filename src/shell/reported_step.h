// The front ends' steps of start-up and shut-down run outside any event loop that would report an
// error: an error that escapes one is written out and the front end goes on (to shut down, to end
// with a failure status).
#pragma once

#include <exception>
#include <ostream>
#include <string_view>

namespace kelmo {

// Runs action, which returns whether the step succeeded. An exception it raises is written to err
// as prefix, its message and a line end, and counts as a failure.
template <typename TAction>
bool Reported(std::ostream& err, std::string_view prefix, TAction&& action) {
  try {
    return action();
  } catch (const std::exception& error) {
    err << prefix << error.what() << std::endl;
  }
  return false;
}

}  // namespace kelmo
