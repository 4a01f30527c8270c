// The default of the one view operation that has a meaningful fallback.
#include "shell/chat_view.h"

namespace kelmo {

void TChatView::AppendToLastLine(const std::string& text) {
  std::string balloon = BalloonText();
  const size_t lineEnd = balloon.size() >= 2 && balloon.compare(balloon.size() - 2, 2, "\r\n") == 0
                             ? balloon.size() - 2
                             : balloon.size();
  balloon.insert(lineEnd, text);
  SetBalloonText(balloon);
}

}  // namespace kelmo
