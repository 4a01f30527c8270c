// The two small stacks of the macro evaluator: the positions of the open braces (TIntStack) and,
// for each open brace, the text gathered before it (TStrStack). The evaluator pushes and pops
// both together, so their counts always agree; the count of the positions is the depth of the
// group being closed.
//
// A saved text is what the text gathered before a brace becomes on its way through the 8-bit code
// page: every character Shift-JIS cannot represent already replaced. It is kept as wide text in
// that form rather than as Shift-JIS bytes, so that a text is converted once per character and
// not once per brace (the text before a brace holds all earlier groups at top level), and moving
// it on and off the stack copies nothing.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kelmo {

template <typename T>
class TStack {
 public:
  // Puts value on top.
  void Push(T value) { items_.push_back(std::move(value)); }

  // Removes the top item and returns it. Raises std::out_of_range on an empty stack.
  T Pop() {
    if (items_.empty()) throw std::out_of_range("stack is empty");
    T value = std::move(items_.back());
    items_.pop_back();
    return value;
  }

  // Number of items.
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  std::vector<T> items_;
};

// Positions (1-based) of the open braces in the working text, innermost on top.
using TIntStack = TStack<int32_t>;

// The accumulator as it was at each open brace, after its passage through the 8-bit code page.
using TStrStack = TStack<std::u16string>;

}  // namespace kelmo
