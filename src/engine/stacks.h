// The two small stacks of the macro evaluator: the positions of the open braces (TIntStack) and,
// for each open brace, the text gathered before it (TStrStack). The evaluator pushes and pops
// both together, so their counts always agree; the count of the positions is the depth of the
// group being closed.
//
// A saved text is what the text gathered before a brace becomes on its way through the 8-bit code
// page: every character Shift-JIS cannot represent already replaced. It is kept as wide text in
// that form rather than as Shift-JIS bytes, so that a text is converted once per character and
// not once per brace (the text before a brace holds all earlier groups at top level).
//
// Items move on and off the stack by swapping: a popped slot keeps the buffer it was given in
// exchange, and Clear keeps every slot, so a stack that lives from one evaluation to the next
// stops allocating once its slots have grown to the texts they hold.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace kelmo {

template <typename T>
class TStack {
 public:
  // Puts value on top; value is left with what the slot held before (for a text, a buffer to
  // reuse, whose content is unspecified).
  void Push(T& value) {
    if (count_ == items_.size()) items_.emplace_back();
    std::swap(items_[count_++], value);
  }

  // Puts value on top.
  void Push(const T& value) requires std::is_trivially_copyable_v<T> {
    if (count_ == items_.size()) items_.emplace_back();
    items_[count_++] = value;
  }

  // Removes the top item and stores it in value, whose former content the slot keeps. Raises
  // std::out_of_range on an empty stack.
  void Pop(T& value) {
    if (count_ == 0) throw std::out_of_range("stack is empty");
    std::swap(items_[--count_], value);
  }

  // Removes the top item and returns it. Raises std::out_of_range on an empty stack.
  T Pop() {
    T value{};
    Pop(value);
    return value;
  }

  // Number of items.
  int Count() const { return static_cast<int>(count_); }

  // Removes every item.
  void Clear() { count_ = 0; }

 private:
  std::vector<T> items_;  // the items, then free slots
  size_t count_ = 0;
};

// Positions (1-based) of the open braces in the working text, innermost on top.
using TIntStack = TStack<int32_t>;

// The accumulator as it was at each open brace, after its passage through the 8-bit code page.
using TStrStack = TStack<std::u16string>;

}  // namespace kelmo
