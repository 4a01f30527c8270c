// The states of the conversation and the kinds of reply the controller types.
//
// The chat controller is a small state machine driven by two inputs, the Enter key and one periodic
// timer. The state decides what each input does and whether the balloon may be edited. The reply
// events name why a reply starts, for front ends that report replies (the batch mode).
#pragma once

#include <cstdint>
#include <string_view>

namespace kelmo {

// The conversation state (one byte, values as stored by older front ends).
enum TChatState : uint8_t {
  stIdle = 0,       // a user line has been taken; the character is thinking (balloon editable)
  stTyping = 1,     // a reply is being typed out (balloon read-only)
  stReplyDone = 2,  // the reply is complete and stays visible (balloon read-only)
  stUserInput = 3,  // the user types a line (balloon editable)
  stSuspended = 4,  // a modal dialog is open; nothing advances (balloon unchanged)
};

// Why a reply starts.
enum class TReplyEvent {
  Greeting,   // "KCCalled" after a character was loaded
  Reply,      // a user line or a petting action
  Skip,       // the display command SKIP: replaced the reply
  Invalid,    // a switch failed; the old character answers "InvalidCharacter"
  Close,      // the closing words ("CloseWindow"), shown in a message box, never typed
  TimedTalk,  // a timed talk armed by TIMER came due
  Farewell,   // the character selection chose a character; "ReadCharacter:" + path
};

// "greeting", "reply", "skip", "invalid", "close", "timer" or "farewell".
std::string_view ReplyEventName(TReplyEvent event);

}  // namespace kelmo
