// Typed output: the reply is shown one character per timer tick, and each brace group that
// survived evaluation is executed as a display command when typing reaches it.
//
// The reply (replyText_) shrinks as it is typed: an executed command is cut out, so typePos_
// always points at the next character still to handle. The balloon shows exactly outputLines_
// joined by CR LF; appending to the last line is passed to the view as an append, so a long reply
// costs one small update per letter.
//
// A command's group is collected with a depth counter, so "{PIC:{x}a.bmp}" is one group whose
// inner groups are stripped before the key is read; an unclosed "{" takes the rest of the reply.
// The key is the normalised argument text (same length, so positions agree); the table below is
// tried in order and the first row that matches runs. Every command takes one tick.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "shell/chat_controller.h"
#include "shell/display_commands.h"

namespace kelmo {
namespace {

// The wait mark shown by WAITRETURN without its own.
constexpr std::string_view kDefaultWaitMark = "▼";
// Command words whose arguments sit at fixed places after them.
constexpr std::u16string_view kSoundWord = u"SOUND";            // + kind letter + ":" + file
constexpr std::u16string_view kTimerWord = u"TIMER";            // + seconds + "|" + word
constexpr std::u16string_view kWaitReturnWord = u"WAITRETURN";  // + ":" + one mark character
// The definition-file key that colour-keys character pictures.
constexpr std::string_view kTransparentBitmapKey = "transparentbitmap";
// The pause of "{...}", in ticks.
constexpr int kEllipsisTicks = 3;
// SPEEDFAST/FONTBIG multiply by 6/5, SPEEDSLOW/FONTSMALL by 5/6.
constexpr int kGrowNumerator = 6;
constexpr int kGrowDenominator = 5;
// Seconds in the day-based date-time.
constexpr double kSecondsPerDay = 86400.0;
// A fast-forward follows at most this many replies installed by the reply itself (SKIP:): replies
// that skip to each other forever must not hang the Enter key. Typing then goes on at the
// timer's pace, where such a loop is visible and the window stays usable.
constexpr int kFastForwardReplyLimit = 100;

// value * numerator / denominator to the nearest integer, halves to the even one, kept in range.
int ScaleHalfEven(int value, int numerator, int denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  int64_t quotient = product / denominator;
  int64_t remainder = product % denominator;
  if (remainder < 0) {  // floor division
    --quotient;
    remainder += denominator;
  }
  if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0)) {
    ++quotient;
  }
  return static_cast<int>(std::clamp<int64_t>(quotient, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

// A decimal integer with optional leading blanks and sign, within 32 bits; empty otherwise.
std::optional<int> ReadInteger(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<int64_t>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

std::u16string RemoveCrLfPairs(std::u16string_view text) {
  std::u16string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      ++i;
      continue;
    }
    result += text[i];
  }
  return result;
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Sets a flag for the lifetime of the guard (cleared on every exit, errors included).
class TBusyGuard {
 public:
  explicit TBusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~TBusyGuard() { flag_ = false; }
  TBusyGuard(const TBusyGuard&) = delete;
  TBusyGuard& operator=(const TBusyGuard&) = delete;

 private:
  bool& flag_;
};

// What a command sees: the argument text as written (inner groups stripped), its normalised key,
// the argument after the command word, and the 1-based position of the first "|" (0 when none).
struct TCommandArguments {
  std::u16string ArgText;
  std::u16string Key;
  std::u16string Argument;
  size_t Bar = 0;
};

// How a row of the table recognises its key.
enum class TMatch { Exact, Prefix, Sound, Timer, Backspace };

// The arguments of the group whose text between its braces is collected, all but Argument.
TCommandArguments ArgumentsOf(std::u16string_view collected) {
  TCommandArguments arguments;
  arguments.ArgText = StripBraces(collected);
  arguments.Key = NormalizeText(arguments.ArgText);
  arguments.Bar = arguments.Key.find(u'|') + 1;  // npos + 1 is 0
  return arguments;
}

// The argument after a row's word.
std::u16string ArgumentAfter(std::u16string_view word, const TCommandArguments& arguments) {
  return arguments.ArgText.substr(std::min(word.size(), arguments.ArgText.size()));
}

}  // namespace

// The display commands. Each handler works on the controller's fields.
struct TDisplayCommands {
  using THandler = void (*)(TChatController&, const TCommandArguments&);

  struct TRow {
    std::u16string_view Word;
    TMatch Match;
    THandler Run;
    bool InstallsReply;  // SKIP: and READCHARACTER: set the next reply and its position themselves
  };

  static bool Matches(const TRow& row, const std::u16string& key, size_t bar) {
    switch (row.Match) {
      case TMatch::Exact:
        return key == row.Word;
      case TMatch::Prefix:
        return key.starts_with(row.Word);
      case TMatch::Sound:
        return key.size() > kSoundWord.size() + 1 && key.starts_with(row.Word) &&
               key[kSoundWord.size() + 1] == u':';
      case TMatch::Timer:
        return key.starts_with(row.Word) && bar > 0;
      case TMatch::Backspace:
        return key.size() == 2 && key[0] == u'^' && key[1] == u'H';
    }
    return false;
  }

  static const TRow* Find(const std::u16string& key, size_t bar) {
    static const TRow kTable[] = {
        {u"PIC:", TMatch::Prefix, &Picture, false},
        {u"QUITSYSTEM", TMatch::Exact, &QuitSystem, false},
        {u"ICONIZE", TMatch::Exact, &Iconize, false},
        {u"SHOWWINDOW", TMatch::Exact, &ShowWindow, false},
        {u"SETDEFBITMAP:", TMatch::Prefix, &SetDefaultBitmap, false},
        {u"SKIP:", TMatch::Prefix, &Skip, true},
        {kSoundWord, TMatch::Sound, &Sound, false},
        {u"SPEEDFAST", TMatch::Exact, &SpeedFast, false},
        {u"SPEEDSLOW", TMatch::Exact, &SpeedSlow, false},
        {kTimerWord, TMatch::Timer, &Timer, false},
        {u"CLEAR", TMatch::Exact, &Clear, false},
        {u"CANCELTIMER", TMatch::Exact, &CancelTimer, false},
        {u"CHANGECHARACTER", TMatch::Exact, &ChangeCharacter, false},
        {u"DELAY:", TMatch::Prefix, &Delay, false},
        {u"...", TMatch::Exact, &Ellipsis, false},
        {u"$:", TMatch::Prefix, &Literal, false},
        {kWaitReturnWord, TMatch::Prefix, &WaitReturn, false},
        {u"READCHARACTER:", TMatch::Prefix, &ReadCharacter, true},
        {u"FONTBIG", TMatch::Exact, &FontBig, false},
        {u"FONTSMALL", TMatch::Exact, &FontSmall, false},
        {u"^H", TMatch::Backspace, &Backspace, false},
    };
    for (const TRow& row : kTable) {
      if (Matches(row, key, bar)) return &row;
    }
    return nullptr;
  }

  // {PIC:file}: the shown picture, repainted.
  static void Picture(TChatController& c, const TCommandArguments& a) {
    c.LoadPicture(TPictureSlot::Shown, Utf16ToShiftJis(a.Argument), kTransparentBitmapKey, true);
  }

  // {QUITSYSTEM}: the reply ends where it is, and the window closes with the closing talk.
  static void QuitSystem(TChatController& c, const TCommandArguments&) {
    c.state_ = stReplyDone;
    c.WriteChatLog(c.BalloonTextShiftJis());
    c.ReportReplyFinished();
    c.RequestClose();
  }

  static void Iconize(TChatController& c, const TCommandArguments&) { c.MenuChangeStateClick(); }

  static void ShowWindow(TChatController& c, const TCommandArguments&) {
    c.view_.ShowAndActivate();
  }

  // {SETDEFBITMAP:file}: the default picture, then the shown one becomes a copy (not repainted).
  static void SetDefaultBitmap(TChatController& c, const TCommandArguments& a) {
    c.LoadPicture(TPictureSlot::Default, Utf16ToShiftJis(a.Argument), kTransparentBitmapKey, false);
    c.view_.ShowDefaultPicture();
  }

  // {SKIP:word}: the reply is replaced by the reply to word.
  static void Skip(TChatController& c, const TCommandArguments& a) {
    c.SetChatState(stIdle);  // logs what was shown
    c.SetBalloonText("");
    const std::string word = Utf16ToShiftJis(a.Argument);
    const std::string reply = c.Think(word, DictMaskAll);
    c.InstallReply(TReplyEvent::Skip, word, reply, ShiftJisToUtf16(reply));
    c.SetChatState(stTyping);
  }

  // {SOUNDA:file} plays without waiting, {SOUNDS:file} waits; a missing file plays nothing.
  static void Sound(TChatController& c, const TCommandArguments& a) {
    const char16_t kind = a.Key[kSoundWord.size()];
    if ((kind != u'A' && kind != u'S') || c.character_ == nullptr) return;
    const std::string path =
        c.character_->ExistingDataFile(c.character_->CharacterFile->PathInFolder(
            Utf16ToShiftJis(a.ArgText.substr(kSoundWord.size() + 2))));
    if (path.empty()) return;
    c.view_.PlaySound(path, kind == u'S');
  }

  static void SpeedFast(TChatController& c, const TCommandArguments&) {
    c.settings_.Speed = ScaleHalfEven(c.settings_.Speed, kGrowNumerator, kGrowDenominator);
  }

  static void SpeedSlow(TChatController& c, const TCommandArguments&) {
    c.settings_.Speed = ScaleHalfEven(c.settings_.Speed, kGrowDenominator, kGrowNumerator);
  }

  // {TIMERseconds|word}: arms (or re-arms) a timed talk; the digits follow "TIMER" directly.
  static void Timer(TChatController& c, const TCommandArguments& a) {
    const size_t digits = kTimerWord.size();
    const std::optional<int> seconds = ReadInteger(a.Key.substr(digits, a.Bar - 1 - digits));
    if (!seconds || *seconds < 1) return;
    c.timerArmed_ = true;
    c.timerDue_ = c.Now() + *seconds / kSecondsPerDay;
    c.timerWord_ = Utf16ToShiftJis(a.ArgText.substr(a.Bar));
  }

  // {CLEAR}: the shown lines go to the log; the balloon changes with the next letter.
  static void Clear(TChatController& c, const TCommandArguments&) {
    c.WriteChatLog(c.BalloonTextShiftJis());
    c.outputLines_.clear();
    c.balloonInSync_ = false;
  }

  static void CancelTimer(TChatController& c, const TCommandArguments&) { c.timerArmed_ = false; }

  // {CHANGECHARACTER}: the selection; a choice installs the farewell, which the caller notices.
  static void ChangeCharacter(TChatController& c, const TCommandArguments&) {
    c.MenuChangeCharacterClick();
  }

  static void Delay(TChatController& c, const TCommandArguments& a) {
    if (const std::optional<int> ticks = ReadInteger(a.Argument))
      c.delayTicks_ = std::max(*ticks, 0);
  }

  static void Ellipsis(TChatController& c, const TCommandArguments&) {
    c.delayTicks_ = kEllipsisTicks;
  }

  // {$:text}: the whole text at once, nothing in it executed.
  static void Literal(TChatController& c, const TCommandArguments& a) {
    c.AppendOutput(Utf16ToShiftJis(RemoveCrLfPairs(a.Argument)));
  }

  // {WAITRETURN} or {WAITRETURN:c}: typing halts with a mark until Enter.
  static void WaitReturn(TChatController& c, const TCommandArguments& a) {
    c.waitingForReturn_ = true;
    const size_t colon = kWaitReturnWord.size();
    if (a.Key.size() == colon + 2 && a.ArgText[colon] == u':') {
      c.AppendOutput(Utf16ToShiftJis(a.ArgText.substr(colon + 1, 1)));
    } else {
      c.AppendOutput(Utf8ToShiftJis(kDefaultWaitMark));
    }
  }

  // {READCHARACTER:path}: the switch; when it fails the old character answers.
  static void ReadCharacter(TChatController& c, const TCommandArguments& a) {
    c.SetChatState(stReplyDone);
    c.SetBalloonText("");
    if (c.LoadCharacter(Utf16ToShiftJis(a.Argument))) return;
    const std::string word(kInvalidCharacterWord);
    const std::string reply = c.Think(word, DictMaskBasic);
    c.InstallReply(TReplyEvent::Invalid, word, reply, ShiftJisToUtf16(reply));
    c.SetChatState(stTyping);
  }

  static void FontBig(TChatController& c, const TCommandArguments&) {
    c.settings_.FontSize = ScaleHalfEven(c.settings_.FontSize, kGrowNumerator, kGrowDenominator);
    c.view_.SetBalloonFont(ShiftJisToUtf8(c.settings_.FontName), c.settings_.FontSize);
  }

  static void FontSmall(TChatController& c, const TCommandArguments&) {
    c.settings_.FontSize = ScaleHalfEven(c.settings_.FontSize, kGrowDenominator, kGrowNumerator);
    c.view_.SetBalloonFont(ShiftJisToUtf8(c.settings_.FontName), c.settings_.FontSize);
  }

  static void Backspace(TChatController& c, const TCommandArguments&) { c.EraseLastOutputChar(); }
};

void TChatController::TypeStep() {
  if (busy_) return;
  const TBusyGuard guard(busy_);
  if (static_cast<size_t>(typePos_) > replyText_.size()) {
    typePos_ = 1;
    SetChatState(stReplyDone);
    return;
  }
  if (waitingForReturn_) return;
  if (delayTicks_ > 0) {
    --delayTicks_;
    return;
  }
  const size_t index = static_cast<size_t>(typePos_) - 1;
  const char16_t c = replyText_[index];
  if (c == u'\r') {
    ++lineIndex_;
    typePos_ += 2;  // the LF that follows is not shown
  } else if (c == u'{') {
    RunCommand();
  } else {
    // A surrogate pair is one character.
    const size_t length =
        IsHighSurrogate(c) && index + 1 < replyText_.size() && IsLowSurrogate(replyText_[index + 1])
            ? 2
            : 1;
    AppendOutput(Utf16ToShiftJis(std::u16string_view(replyText_).substr(index, length)));
    typePos_ += static_cast<int>(length);
  }
  FinishReplyIfDone();
}

void TChatController::FinishReplyIfDone() {
  if (static_cast<size_t>(typePos_) <= replyText_.size()) return;
  typePos_ = 1;
  SetChatState(stReplyDone);
}

void TChatController::RunCommand() {
  const size_t start = static_cast<size_t>(typePos_) - 1;  // the "{"
  std::u16string collected;
  int depth = 0;
  size_t end = start + 1;  // the closing "}", or the end of the reply
  for (; end < replyText_.size(); ++end) {
    const char16_t c = replyText_[end];
    if (c == u'{') {
      ++depth;
    } else if (c == u'}' && --depth < 0) {
      break;
    }
    collected += c;
  }
  const size_t groupLength = std::min(end + 1, replyText_.size()) - start;

  TCommandArguments arguments = ArgumentsOf(collected);
  const TDisplayCommands::TRow* row = TDisplayCommands::Find(arguments.Key, arguments.Bar);
  if (observer_ != nullptr) {
    observer_->CommandExecuted(Utf16ToUtf8(replyText_.substr(start, groupLength)), row != nullptr);
  }
  if (row == nullptr) {
    replyText_.erase(start, groupLength);  // an unknown group disappears
    return;
  }
  arguments.Argument = ArgumentAfter(row->Word, arguments);

  const int generation = replyGeneration_;
  row->Run(*this, arguments);
  // The command is cut out unless a new reply took the old one's place (the selection of
  // CHANGECHARACTER typed from its start, SKIP:, READCHARACTER:); typePos_ then points at what
  // followed it.
  if (row->InstallsReply || replyGeneration_ != generation) return;
  replyText_.erase(start, groupLength);
}

TDisplayCommandUse RecogniseDisplayCommand(std::u16string_view collected) {
  const TCommandArguments arguments = ArgumentsOf(collected);
  const TDisplayCommands::TRow* row = TDisplayCommands::Find(arguments.Key, arguments.Bar);
  if (row == nullptr) return {};
  return {row->Word, ArgumentAfter(row->Word, arguments)};
}

void TChatController::FastForward() {
  int repliesFollowed = 0;
  while (state_ == stTyping && !waitingForReturn_ && !busy_ && !closed_) {
    delayTicks_ = 0;  // the pause would pass unseen: nothing is shown between the steps
    const int generation = replyGeneration_;
    TypeStep();
    if (replyGeneration_ != generation && ++repliesFollowed >= kFastForwardReplyLimit) return;
  }
}

void TChatController::AppendOutput(const std::string& text) {
  const size_t linesBefore = outputLines_.size();
  while (outputLines_.size() < static_cast<size_t>(lineIndex_) + 1) outputLines_.emplace_back();
  outputLines_[static_cast<size_t>(lineIndex_)] += text;
  // Only the last line grew: the view appends (lineIndex_ is never below the last line).
  if (balloonInSync_ && outputLines_.size() == linesBefore) {
    view_.AppendToLastLine(ShiftJisToUtf8(text));
  } else {
    ShowOutputLines();
  }
}

void TChatController::EraseLastOutputChar() {
  if (outputLines_.empty() || (lineIndex_ == 0 && outputLines_[0].empty())) return;
  const size_t index = static_cast<size_t>(lineIndex_);
  if (index < outputLines_.size() && !outputLines_[index].empty()) {
    std::string& line = outputLines_[index];
    size_t last = 0;
    for (size_t i = 0; i < line.size(); i += ShiftJisCharLength(line, i)) last = i;
    line.erase(last);
  } else {
    // Right after a line break no line has been started yet: the backspace crosses the break.
    if (index < outputLines_.size()) outputLines_.erase(outputLines_.begin() + lineIndex_);
    --lineIndex_;
  }
  ShowOutputLines();
}

void TChatController::ShowOutputLines() {
  view_.SetBalloonText(ShiftJisToUtf8(OutputText()));
  balloonInSync_ = true;
}

}  // namespace kelmo
