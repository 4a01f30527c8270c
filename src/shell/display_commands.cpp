// The display commands of a typed reply: each brace group that survived evaluation is executed
// when typing reaches it.
//
// A command's group is collected with a depth counter, so "{PIC:{x}a.bmp}" is one group whose
// inner groups are stripped before the key is read; an unclosed "{" takes the rest of the reply.
// The key is the normalised argument text (same length, so positions agree); the table below is
// tried in order and the first row that matches runs. Every command takes one tick.
#include "shell/display_commands.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "shell/typewriter.h"

namespace kelmo {
namespace {

// The wait mark shown by WAITRETURN without its own.
constexpr std::string_view kDefaultWaitMark = "▼";
// Command words whose arguments sit at fixed places after them.
constexpr std::u16string_view kSoundWord = u"SOUND";            // + kind letter + ":" + file
constexpr std::u16string_view kTimerWord = u"TIMER";            // + seconds + "|" + word
constexpr std::u16string_view kWaitReturnWord = u"WAITRETURN";  // + ":" + one mark character
// The pause of "{...}", in ticks.
constexpr int kEllipsisTicks = 3;
// SPEEDFAST/FONTBIG multiply by 6/5, SPEEDSLOW/FONTSMALL by 5/6.
constexpr int kGrowNumerator = 6;
constexpr int kGrowDenominator = 5;

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

// The display commands. Commands on the balloon work on the typewriter; the others ask its host.
struct TDisplayCommands {
  using THandler = void (*)(TTypewriter&, const TCommandArguments&);

  struct TRow {
    std::u16string_view Word;
    TMatch Match;
    THandler Run;
    bool InstallsReply;  // SKIP: and READCHARACTER: set the next reply and its position themselves
    bool OnBalloon;      // acts on the balloon alone, so the balloon need not be up to date
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
        {u"PIC:", TMatch::Prefix, &Picture, false, false},
        {u"QUITSYSTEM", TMatch::Exact, &QuitSystem, false, false},
        {u"ICONIZE", TMatch::Exact, &Iconize, false, false},
        {u"SHOWWINDOW", TMatch::Exact, &ShowWindow, false, false},
        {u"SETDEFBITMAP:", TMatch::Prefix, &SetDefaultBitmap, false, false},
        {u"SKIP:", TMatch::Prefix, &Skip, true, false},
        {kSoundWord, TMatch::Sound, &Sound, false, false},
        {u"SPEEDFAST", TMatch::Exact, &SpeedFast, false, true},
        {u"SPEEDSLOW", TMatch::Exact, &SpeedSlow, false, true},
        {kTimerWord, TMatch::Timer, &Timer, false, true},
        {u"CLEAR", TMatch::Exact, &Clear, false, false},
        {u"CANCELTIMER", TMatch::Exact, &CancelTimer, false, true},
        {u"CHANGECHARACTER", TMatch::Exact, &ChangeCharacter, false, false},
        {u"DELAY:", TMatch::Prefix, &Delay, false, true},
        {u"...", TMatch::Exact, &Ellipsis, false, true},
        {u"$:", TMatch::Prefix, &Literal, false, true},
        {kWaitReturnWord, TMatch::Prefix, &WaitReturn, false, true},
        {u"READCHARACTER:", TMatch::Prefix, &ReadCharacter, true, false},
        {u"FONTBIG", TMatch::Exact, &FontBig, false, false},
        {u"FONTSMALL", TMatch::Exact, &FontSmall, false, false},
        {u"^H", TMatch::Backspace, &Backspace, false, true},
    };
    for (const TRow& row : kTable) {
      if (Matches(row, key, bar)) return &row;
    }
    return nullptr;
  }

  static void Picture(TTypewriter& t, const TCommandArguments& a) {
    t.host_.ShowPicture(Utf16ToShiftJis(a.Argument));
  }

  static void QuitSystem(TTypewriter& t, const TCommandArguments&) { t.host_.QuitSystem(); }

  static void Iconize(TTypewriter& t, const TCommandArguments&) { t.host_.ToggleWindow(); }

  static void ShowWindow(TTypewriter& t, const TCommandArguments&) { t.host_.ShowWindow(); }

  static void SetDefaultBitmap(TTypewriter& t, const TCommandArguments& a) {
    t.host_.SetDefaultPicture(Utf16ToShiftJis(a.Argument));
  }

  static void Skip(TTypewriter& t, const TCommandArguments& a) {
    t.host_.SkipTo(Utf16ToShiftJis(a.Argument));
  }

  // {SOUNDA:file} plays without waiting, {SOUNDS:file} waits; other letters play nothing.
  static void Sound(TTypewriter& t, const TCommandArguments& a) {
    const char16_t kind = a.Key[kSoundWord.size()];
    if (kind != u'A' && kind != u'S') return;
    t.host_.PlaySound(Utf16ToShiftJis(a.ArgText.substr(kSoundWord.size() + 2)), kind == u'S');
  }

  static void SpeedFast(TTypewriter& t, const TCommandArguments&) {
    t.host_.ScaleSpeed(kGrowNumerator, kGrowDenominator);
  }

  static void SpeedSlow(TTypewriter& t, const TCommandArguments&) {
    t.host_.ScaleSpeed(kGrowDenominator, kGrowNumerator);
  }

  // {TIMERseconds|word}: the digits follow "TIMER" directly; fewer than one second arms nothing.
  static void Timer(TTypewriter& t, const TCommandArguments& a) {
    const size_t digits = kTimerWord.size();
    const std::optional<int> seconds = ReadInteger(a.Key.substr(digits, a.Bar - 1 - digits));
    if (!seconds || *seconds < 1) return;
    t.host_.ArmTimer(*seconds, Utf16ToShiftJis(a.ArgText.substr(a.Bar)));
  }

  // {CLEAR}: the shown lines go to the log; the balloon changes with the next letter.
  static void Clear(TTypewriter& t, const TCommandArguments&) {
    t.host_.LogShownLines();
    t.lines_.clear();
    t.balloonInSync_ = false;
  }

  static void CancelTimer(TTypewriter& t, const TCommandArguments&) { t.host_.CancelTimer(); }

  static void ChangeCharacter(TTypewriter& t, const TCommandArguments&) {
    t.host_.ChangeCharacter();
  }

  static void Delay(TTypewriter& t, const TCommandArguments& a) {
    if (const std::optional<int> ticks = ReadInteger(a.Argument)) {
      t.delayTicks_ = std::max(*ticks, 0);
    }
  }

  static void Ellipsis(TTypewriter& t, const TCommandArguments&) { t.delayTicks_ = kEllipsisTicks; }

  // {$:text}: the whole text at once, nothing in it executed.
  static void Literal(TTypewriter& t, const TCommandArguments& a) {
    t.Append(Utf16ToShiftJis(RemoveCrLfPairs(a.Argument)));
  }

  // {WAITRETURN} or {WAITRETURN:c}: typing halts with a mark until Enter.
  static void WaitReturn(TTypewriter& t, const TCommandArguments& a) {
    t.waitingForReturn_ = true;
    const size_t colon = kWaitReturnWord.size();
    if (a.Key.size() == colon + 2 && a.ArgText[colon] == u':') {
      t.Append(Utf16ToShiftJis(a.ArgText.substr(colon + 1, 1)));
    } else {
      t.Append(Utf8ToShiftJis(kDefaultWaitMark));
    }
  }

  static void ReadCharacter(TTypewriter& t, const TCommandArguments& a) {
    t.host_.ReadCharacter(Utf16ToShiftJis(a.Argument));
  }

  static void FontBig(TTypewriter& t, const TCommandArguments&) {
    t.host_.ScaleFont(kGrowNumerator, kGrowDenominator);
  }

  static void FontSmall(TTypewriter& t, const TCommandArguments&) {
    t.host_.ScaleFont(kGrowDenominator, kGrowNumerator);
  }

  static void Backspace(TTypewriter& t, const TCommandArguments&) { t.EraseLastChar(); }
};

void TTypewriter::RunCommand() {
  const size_t start = position_;  // the "{"
  std::u16string collected;
  int depth = 0;
  size_t end = start + 1;  // the closing "}", or the end of the reply
  for (; end < reply_.size(); ++end) {
    const char16_t c = reply_[end];
    if (c == u'{') {
      ++depth;
    } else if (c == u'}' && --depth < 0) {
      break;
    }
    collected += c;
  }
  const size_t groupLength = std::min(end + 1, reply_.size()) - start;

  TCommandArguments arguments = ArgumentsOf(collected);
  const TDisplayCommands::TRow* row = TDisplayCommands::Find(arguments.Key, arguments.Bar);
  host_.CommandExecuted(Utf16ToUtf8(reply_.substr(start, groupLength)), row != nullptr);
  if (row == nullptr) {
    reply_.erase(start, groupLength);  // an unknown group disappears
    return;
  }
  arguments.Argument = ArgumentAfter(row->Word, arguments);

  if (!row->OnBalloon) Flush();
  const int generation = generation_;
  row->Run(*this, arguments);
  // The command is cut out unless a new reply took the old one's place (the selection of
  // CHANGECHARACTER typed from its start, SKIP:, READCHARACTER:); the position then points at
  // what followed it.
  if (row->InstallsReply || generation_ != generation) return;
  reply_.erase(start, groupLength);
}

TDisplayCommandUse RecogniseDisplayCommand(std::u16string_view collected) {
  const TCommandArguments arguments = ArgumentsOf(collected);
  const TDisplayCommands::TRow* row = TDisplayCommands::Find(arguments.Key, arguments.Bar);
  if (row == nullptr) return {};
  return {row->Word, ArgumentAfter(row->Word, arguments)};
}


}  // namespace kelmo
