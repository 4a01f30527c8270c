// Names of the reply events, as the batch mode reports them.
#include "shell/chat_state.h"

namespace kelmo {

std::string_view ReplyEventName(TReplyEvent event) {
  switch (event) {
    case TReplyEvent::Greeting:
      return "greeting";
    case TReplyEvent::Reply:
      return "reply";
    case TReplyEvent::Skip:
      return "skip";
    case TReplyEvent::Invalid:
      return "invalid";
    case TReplyEvent::Close:
      return "close";
    case TReplyEvent::TimedTalk:
      return "timer";
    case TReplyEvent::Farewell:
      return "farewell";
  }
  return "reply";
}

}  // namespace kelmo
