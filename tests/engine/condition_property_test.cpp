// Compiled and indexed kind 0 lookups against the plain ones that evaluate every condition as
// text. Two characters load the same random kind 0 dictionaries; the plain one has its compiled
// conditions taken away. Before every lookup both get the same random state (memo, counter and
// flag slots, the query, the line, the previous reply, the turn, the profile, whether plug-ins are
// on) and the same fixed seed; the candidates, every slot afterwards and the next random draw must
// agree, and so must the replies of lookups that use entries up and of whole reply selections.
//
// Conditions are drawn from pieces that collide often: gate shapes (EQ and LIKE of OPERATEMESSAGE,
// PREV and PREVANSWER, under AND and OR), reads of slots, the clock and the profile, commands with
// effects (slots, random draws, SCRIPTIZE, plug-in tags), texts that break the braces, and words
// with dots, bars and braces. The lookup texts and the memos hold the same, so that views are
// sometimes unusable, groups in them inert or not, and memos written mid-lookup. A second test
// adds a plug-in that expands tags and compares what it was asked, in order. The seed is fixed.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "charfile/answer_list.h"
#include "charfile/code_page.h"
#include "charfile/random_source.h"
#include "dictionary/kelmo_data_0.h"
#include "engine/character.h"
#include "plugins/plugin_test_folder.h"
#include "test_character.h"

namespace kelmo {
namespace {

using testing::CrLf;
using testing::Sjis;

constexpr int kRounds = 250;
constexpr int kLookupsPerRound = 10;

// Words, patterns, lookup texts and memo texts (UTF-16; written to files in Shift-JIS).
const std::vector<std::u16string> kWords = {u"A",   u"B",  u"AB",   u"猫",       u"A.B",
                                            u"",    u"a",  u"TRUE", u"KCCALLED", u"{A}",
                                            u"A|B", u"ａ", u"True"};
const std::vector<std::u16string> kPatterns = {
    u"^A", u"A$",  u"B",  u"A|B", u"(A",          u".",     u"^( *|.NOTHINGSAID.)$",
    u"#",  u"\\#", u"^$", u"猫",  u".REPEATED.$", u"[AB]+", u"^.*$"};
const std::vector<std::u16string> kTexts = {
    u"A", u"AB", u"{NOTHINGSAID}", u"A{REPEATED}", u"A|B", u"{COUNT01++}", u"{LOOP.T}", u"", u"猫",
    u"A.B", u"{A{B}}", u"}", u"{", u"KCCALLED", u"TRUE", u"{MEMO01}", u"{X.Y}", u"a{}b", u"{A|B}",
    u"7",
    // Read at top level, this memo writes another one that counts when it is read.
    u"{MEMO02:{COUNT01++}}"};
const std::vector<std::u16string> kSlots = {u"01", u"02", u"50"};

class ConditionGenerator {
 public:
  explicit ConditionGenerator(uint32_t seed) : random_(seed) {}

  int Below(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(static_cast<int>(items.size()))];
  }

  std::u16string Lookup() {
    static const std::vector<std::u16string> reads = {u"{OPERATEMESSAGE}", u"{PREV}",
                                                      u"{PREVANSWER}", u"{operatemessage}"};
    return Chance(70) ? reads[0] : Pick(reads);
  }

  // A condition nested at most depth more levels.
  std::u16string Condition(int depth) {
    const std::u16string slot = Pick(kSlots);
    switch (Below(depth > 0 ? 24 : 19)) {
      case 0:
      case 1:
      case 2:
        return u"{EQ" + Lookup() + u"|" + Pick(kWords) + u"}";
      case 3:
      case 4:
        return u"{LIKE" + Lookup() + u"|" + Pick(kPatterns) + u"}";
      case 5:
        return u"{>{COUNT" + slot + u"}|" + std::u16string(Chance(50) ? u"0" : u"1") + u"}";
      case 6:
        return u"{==" + std::u16string(Chance(50) ? u"{TURN}" : u"{+{COUNT" + slot + u"}|1}") +
               u"|" + std::u16string(Chance(50) ? u"2" : u"1") + u"}";
      case 7:
        return u"{FLAG" + slot + u"}";
      case 8:
        return u"{EQ{MEMO" + slot + u"}|" + Pick(kWords) + u"}";
      case 9:
        // The clock, read in forms that hold whatever the time.
        return Chance(50) ? u"{>={HOUR}|0}" : u"{<{YEAR}|3000}";
      case 10:
        return u"{EQ{NICKNAME}|" + Pick(kWords) + u"}";
      case 11:
        return u"{EQ{LEFT1|" + Lookup() + u"}|" + Pick(kWords) + u"}";
      case 12:
        return u"{COUNT" + slot + (Chance(50) ? u"++}" : u":1}");
      case 13:
        return u"{MEMO" + slot + u":" + Pick(kWords) + u"}";
      case 14: {
        // Memos that hold brackets, or a group that counts again whenever the memo is read.
        static const std::vector<std::u16string> writes = {u":[COUNT02++]}", u"+[FLAG01!]}",
                                                           u":{COUNT02++}}"};
        return u"{MEMO" + slot + Pick(writes);
      }
      case 15:
        return Chance(50) ? u"{FLAG" + slot + u"!}" : u"{RANDOMB:50}";
      case 16:
        return Chance(50) ? u"{CHOICETRUE|FALSE|{COUNT01++}}" : u"{SCRIPTIZE:[FLAG02!]TRUE}";
      case 17:
        return Chance(50) ? u"{LOOP.X}" : u"{POSA.B|" + Lookup() + u"}";
      case 18: {
        static const std::vector<std::u16string> raw = {
            u"TRUE", u"true", u"abc", u"{", u"}", u"{}", u"x}{", u"{{MEMO01}}", u"{MEMO01}"};
        return Pick(raw);
      }
      case 19:
      case 20:
        return u"{AND" + Condition(depth - 1) + u"|" + Condition(depth - 1) + u"}";
      case 21:
        return u"{OR" + Condition(depth - 1) + u"|" + Condition(depth - 1) + u"}";
      case 22:
        return u"{IF" + Condition(depth - 1) + u"TRUE|FALSE}";
      default:
        return u"{NOT:" + Condition(depth - 1) + u"}";
    }
  }

  // A kind 0 file: conditions in double quotes, replies numbered, separators between groups.
  std::string File(const std::string& replyPrefix) {
    std::vector<std::string> lines;
    for (int entry = Below(16); entry >= 0; --entry) {
      if (Below(6) == 0) {
        lines.push_back("{PRIOR},x");
        continue;
      }
      std::string quoted = "\"";
      for (const char c : Sjis(Condition(2)))
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      lines.push_back(quoted + "\"," + replyPrefix + std::to_string(entry));
    }
    return CrLf(lines);
  }

  // The same random state, given to both characters.
  struct TState {
    std::array<std::string, 3> Memos;
    std::array<double, 3> Counters{};
    std::array<bool, 3> Flags{};
    std::string OperateMessage, Prev, PrevAnswer, Nickname;
    int Turn = 0;
    bool PluginsEnabled = false;
  };

  TState State() {
    static const std::vector<double> counters = {0, 1, 2, 100, 0.5, -1};
    TState state;
    for (size_t i = 0; i < kSlots.size(); ++i) {
      state.Memos[i] = Sjis(Pick(kTexts));
      state.Counters[i] = Pick(counters);
      state.Flags[i] = Chance(50);
    }
    state.OperateMessage = Sjis(Pick(kTexts));
    state.Prev = Sjis(Pick(kTexts));
    state.PrevAnswer = Sjis(Pick(kTexts));
    state.Nickname = Sjis(Pick(kTexts));
    state.Turn = Below(4);
    state.PluginsEnabled = Chance(30);
    return state;
  }

 private:
  std::mt19937 random_;
};

int SlotNumber(size_t index) {
  return std::stoi(Utf16ToUtf8(kSlots[index]));
}

void Apply(const ConditionGenerator::TState& state, TCharacter& character) {
  for (size_t i = 0; i < kSlots.size(); ++i) {
    character.Memo[SlotNumber(i)] = state.Memos[i];
    character.Counter[SlotNumber(i)] = state.Counters[i];
    character.Flag[SlotNumber(i)] = state.Flags[i];
  }
  character.OperateMessage = state.OperateMessage;
  character.Prev = state.Prev;
  character.PrevAnswer = state.PrevAnswer;
  character.Profile.Nickname = state.Nickname;
  character.Turn = state.Turn;
  character.SetPluginsEnabled(state.PluginsEnabled);
}

// Everything an evaluation may change, and the next draw of the random source.
struct TOutcome {
  std::vector<int> Candidates;
  std::string Reply;
  std::array<std::string, kSlotCount> Memo;
  std::array<double, kSlotCount> Counter;
  std::array<bool, kSlotCount> Flag;
  int NextDraw = 0;

  bool operator==(const TOutcome&) const = default;
};

TOutcome Outcome(const TCharacter& character) {
  return TOutcome{{}, {}, character.Memo, character.Counter, character.Flag, RandomBelow(1 << 30)};
}

// gtest prints a failed comparison through this: every slot that holds something, by number.
void PrintTo(const TOutcome& outcome, std::ostream* out) {
  *out << "candidates";
  for (const int candidate : outcome.Candidates) *out << ' ' << candidate;
  *out << "; reply [" << ShiftJisToUtf8(outcome.Reply) << "]; memo";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!outcome.Memo[slot].empty())
      *out << ' ' << slot << "=[" << ShiftJisToUtf8(outcome.Memo[slot]) << ']';
  }
  *out << "; counter";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (outcome.Counter[slot] != 0) *out << ' ' << slot << '=' << outcome.Counter[slot];
  }
  *out << "; flag";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (outcome.Flag[slot]) *out << ' ' << slot;
  }
  *out << "; draw " << outcome.NextDraw;
}

// The two characters of one round, loaded from the same folder.
struct TTwins {
  std::unique_ptr<TCharacter> Fast;
  std::unique_ptr<TCharacter> Plain;

  TTwins(const testing::TTestCharacterFolder& folder, const std::string& definition,
         const std::string& programFolder)
      : Fast(folder.Load(definition, programFolder)),
        Plain(folder.Load(definition, programFolder)) {
    Plain->Data01->SetConditionPrograms(nullptr);
    Plain->Data02->SetConditionPrograms(nullptr);
  }
};

// Compares a candidate search, a lookup and a reply selection of both twins under one state.
void CompareLookups(TTwins& twins, ConditionGenerator& generator, const std::string& where) {
  const ConditionGenerator::TState state = generator.State();
  const uint32_t seed = static_cast<uint32_t>(generator.Below(1 << 30));
  const bool onceOnly = generator.Chance(50);
  const auto dictionary = [&](TCharacter& character) -> TKelmoData0& {
    return onceOnly ? *character.Data01 : *character.Data02;
  };

  // The candidates: compiled and indexed, and plain.
  Apply(state, *twins.Fast);
  UseFixedRandomSeed(seed);
  TAnswerList fast(dictionary(*twins.Fast).EntryCount());
  dictionary(*twins.Fast).CollectCandidates("", fast);
  TOutcome fastOutcome = Outcome(*twins.Fast);
  fastOutcome.Candidates = fast.Items();
  Apply(state, *twins.Plain);
  UseFixedRandomSeed(seed);
  TAnswerList plain(dictionary(*twins.Plain).EntryCount());
  dictionary(*twins.Plain).ScanCandidates("", plain);
  TOutcome plainOutcome = Outcome(*twins.Plain);
  plainOutcome.Candidates = plain.Items();
  ASSERT_EQ(fastOutcome, plainOutcome) << where;

  // A lookup, which uses its entry up in data01, from the same state again.
  for (TCharacter* character : {twins.Fast.get(), twins.Plain.get()}) {
    Apply(state, *character);
    UseFixedRandomSeed(seed);
    const std::string reply = dictionary(*character).Lookup("");
    (character == twins.Fast.get() ? fastOutcome : plainOutcome) = Outcome(*character);
    (character == twins.Fast.get() ? fastOutcome : plainOutcome).Reply = reply;
  }
  ASSERT_EQ(fastOutcome, plainOutcome) << where << " (lookup)";

  // A whole reply selection, which sets the query, the line and the turn itself.
  const std::u16string line = generator.Pick(kTexts);
  for (TCharacter* character : {twins.Fast.get(), twins.Plain.get()}) {
    UseFixedRandomSeed(seed);
    const std::string reply = Utf16ToShiftJis(character->SelectReply(line, DictMaskAll));
    (character == twins.Fast.get() ? fastOutcome : plainOutcome) = Outcome(*character);
    (character == twins.Fast.get() ? fastOutcome : plainOutcome).Reply = reply;
  }
  ASSERT_EQ(fastOutcome, plainOutcome) << where << " (selection of " << Utf16ToUtf8(line) << ")";
}

// Writes one round's dictionaries and the definition naming them; data02 sometimes names a file
// twice, and its files then share one stored copy.
std::string WriteRound(const testing::TTestCharacterFolder& folder, ConditionGenerator& generator,
                       int round) {
  folder.Write("d01.txt", generator.File("once"));
  folder.Write("d02.txt", generator.File("r"));
  folder.Write("d02b.txt", generator.File("s"));
  folder.Write("c.txt", CrLf({"small talk"}));
  const std::string data02 = round % 3 == 0 ? "d02.txt,d02b.txt,d02.txt" : "d02.txt";
  return folder.WriteDefinition({{"name", "kit"},
                                 {"version", "210"},
                                 {"data01", "d01.txt"},
                                 {"data02", data02},
                                 {"datac2", "c.txt"}});
}

TEST(ConditionProperty, CompiledAndIndexedLookupsAgreeWithThePlainOnes) {
  ConditionGenerator generator(20261215);
  for (int round = 0; round < kRounds; ++round) {
    testing::TTestCharacterFolder folder;
    TTwins twins(folder, WriteRound(folder, generator, round), folder.Path());
    for (int lookup = 0; lookup < kLookupsPerRound; ++lookup) {
      CompareLookups(twins, generator,
                     "round " + std::to_string(round) + ", lookup " + std::to_string(lookup));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(ConditionProperty, AMemoWrittenByATextMidLookupIsCheckedAgain) {
  // The first condition, read as text (its memo holds braces), writes a second memo that counts
  // when it is read; the gate of the next condition fails, and may no longer be trusted.
  testing::TTestCharacterFolder folder;
  folder.Write("d02.txt", CrLf({"{MEMO01},a", "{AND{EQ{OPERATEMESSAGE}|X}|{EQ{MEMO02}|W}},b"}));
  TTwins twins(folder,
               folder.WriteDefinition({{"name", "kit"}, {"version", "210"}, {"data02", "d02.txt"}}),
               folder.Path());
  for (TCharacter* character : {twins.Fast.get(), twins.Plain.get()}) {
    character->Memo[1] = "{MEMO02:{COUNT03++}}";
    character->OperateMessage = "Y";
  }
  TAnswerList fast(twins.Fast->Data02->EntryCount());
  twins.Fast->Data02->CollectCandidates("", fast);
  TAnswerList plain(twins.Plain->Data02->EntryCount());
  twins.Plain->Data02->ScanCandidates("", plain);
  EXPECT_EQ(twins.Plain->Counter[3], 2);
  EXPECT_EQ(twins.Fast->Counter[3], twins.Plain->Counter[3]);
  EXPECT_EQ(twins.Fast->Memo[2], twins.Plain->Memo[2]);
}

TEST(ConditionProperty, PluginTagsAreAskedTheSameInTheSameOrder) {
  // Each twin has its own copy of a plug-in named "loop", which answers every tag with "True".
  testing::TPluginTestFolder program;
  const nlohmann::json settings = {{"info", {"loop", "S", "", ""}}, {"tagReturn", "True"}};
  program.Install("fastloop", settings);
  program.Install("plainloop", settings);
  ConditionGenerator generator(5151);
  constexpr int kPluginRounds = 12;
  for (int round = 0; round < kPluginRounds; ++round) {
    testing::TTestCharacterFolder folder;
    TTwins twins(folder, WriteRound(folder, generator, round), program.Path());
    ASSERT_TRUE(twins.Fast->AddPlugin(u"fastloop"));
    ASSERT_TRUE(twins.Plain->AddPlugin(u"plainloop"));
    for (int lookup = 0; lookup < kLookupsPerRound; ++lookup) {
      CompareLookups(twins, generator,
                     "round " + std::to_string(round) + ", lookup " + std::to_string(lookup));
      if (::testing::Test::HasFatalFailure()) return;
    }
    std::vector<nlohmann::json> fastCalls;
    std::vector<nlohmann::json> plainCalls;
    for (const nlohmann::json& call : program.Records("fastloop"))
      fastCalls.push_back(call["params"]);
    for (const nlohmann::json& call : program.Records("plainloop"))
      plainCalls.push_back(call["params"]);
    ASSERT_EQ(fastCalls, plainCalls) << "round " << round;
  }
}

}  // namespace
}  // namespace kelmo
