// The generator: vocabularies, pattern shapes with their byte forms, and the files.
//
// Words come from disjoint vocabularies. General words (and compounds of them) fill every group
// of "datab2"; late words only its last group; spare words appear in no pattern at all; idioms
// fill the dictionaries that the benchmark lines should not reach (kind 0 LIKE patterns, kind A,
// "datab1"). A line meant for the first group carries a keyword of a plain first-group entry, one
// meant for a late group only late words, one meant for nothing only spare words and filler. In a
// character of kind 0 alone the keywords are those of EQ conditions, which test the whole query,
// and a line is the keyword alone.
#include "large/large_character.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo::bench {
namespace {

// --- Vocabularies (UTF-8 here, Shift-JIS in the files) ---

constexpr const char* kGeneralBases[] = {
    "天気",       "映画",   "音楽",       "料理",     "旅行",     "仕事",     "学校",
    "宿題",       "試験",   "電車",       "会社",     "友達",     "家族",     "趣味",
    "週末",       "季節",   "花火",       "温泉",     "写真",     "野球",     "読書",
    "散歩",       "買い物", "誕生日",     "動物",     "果物",     "野菜",     "寿司",
    "紅茶",       "昼寝",   "夕焼け",     "海水浴",   "山登り",   "図書館",   "公園",
    "病院",       "銀行",   "郵便",       "新聞",     "雑誌",     "漫画",     "小説",
    "歌手",       "俳優",   "先生",       "部活",     "給食",     "弁当",     "朝ご飯",
    "晩ご飯",     "お菓子", "洗濯",       "掃除",     "財布",     "時計",     "眼鏡",
    "帽子",       "靴下",   "洋服",       "着物",     "台風",     "地震",     "雪だるま",
    "桜",         "紅葉",   "星空",       "月見",     "夏祭り",   "正月",     "節分",
    "七夕",       "運動会", "遠足",       "猫",       "犬",       "鳥",       "金魚",
    "ラーメン",   "カレー", "ケーキ",     "ゲーム",   "アニメ",   "サッカー", "テニス",
    "ピアノ",     "ギター", "パソコン",   "スマホ",   "コーヒー", "チョコ",   "ドラマ",
    "ニュース",   "メール", "プール",     "バス",     "タクシー", "ホテル",   "カメラ",
    "テレビ",     "ラジオ", "パン",       "ピザ",     "パスタ",   "サラダ",   "ジュース",
    "ビール",     "ワイン", "アイス",     "クッキー", "プリン",   "ドーナツ", "ハンバーグ",
    "オムライス", "カフェ", "レストラン", "コンビニ", "デパート", "スーパー", "エレベーター",
    "ハムスター", "パンダ", "ペンギン",   "イルカ",   "キリン",   "ライオン", "うさぎ",
};

// Only in the last group of "datab2".
constexpr const char* kLateBases[] = {
    "盆栽",   "将棋",   "囲碁",   "書道", "茶道",   "華道",   "俳句",   "短歌",   "落語",
    "相撲",   "柔道",   "剣道",   "弓道", "空手",   "陶芸",   "折り紙", "けん玉", "凧揚げ",
    "羽子板", "福笑い", "水墨画", "能楽", "浮世絵", "和太鼓", "三味線",
};

// In no pattern at all.
constexpr const char* kSpareBases[] = {
    "宇宙",   "惑星",   "銀河",   "彗星",   "恐竜",   "化石",   "火山",       "氷河",
    "砂漠",   "密林",   "洞窟",   "灯台",   "風車",   "城跡",   "古墳",       "遺跡",
    "水族館", "植物園", "天文台", "発電所", "造船所", "観覧車", "蒸気機関車",
};

// Dictionaries the benchmark lines should not reach.
constexpr const char* kIdioms[] = {
    "一期一会", "温故知新", "十人十色", "以心伝心", "七転八起", "臨機応変", "試行錯誤",
    "油断大敵", "一石二鳥", "自業自得", "起承転結", "電光石火", "花鳥風月", "春夏秋冬",
    "東西南北", "喜怒哀楽", "針小棒大", "大器晩成", "先手必勝", "不言実行",
};

constexpr const char* kSuffixes[] = {
    "屋",   "店",   "好き", "大会", "教室", "部",   "仲間", "番組", "日和",   "三昧",
    "巡り", "談義", "通",   "派",   "嫌い", "入門", "講座", "会場", "売り場", "専門店",
};

// Units after "#" digits.
constexpr const char* kUnits[] = {"円", "時", "分", "歳", "回", "個", "人", "日", "匹", "冊"};

// What follows a group of alternatives.
constexpr const char* kTails[] = {"が好き", "を食べた", "に行った", "が欲しい", "を見た"};

constexpr const char* kAsciiWords[] = {"HELLO", "HI",  "THANKS", "BYE", "GOOD", "NICE",
                                       "OK",    "YES", "SORRY",  "LOL", "WOW",  "COOL"};

constexpr const char* kFillers[] = {
    "ねえ、",         "あのね、",         "ちょっと聞いて。", "そういえば",   "やっぱり",
    "なんだか",       "すごく",           "とても",           "本当に",       "だよね。",
    "かな？",         "と思うんだけど。", "みたいだね。",     "らしいよ。",   "って知ってる？",
    "の話なんだけど", "が気になる。",     "について話そう。", "はどうかな？", "もいいね。",
    "を見たよ。",     "に行きたいな。",   "がほしいな。",     "をしたいな。", "はまだかな？",
    "昨日は",         "明日は",           "今度の",           "うちの近くの", "あの",
};

constexpr const char* kReplies[] = {
    "そうなんだ。",         "へえ、{CHOICEすごいね|いいなあ|なるほど}",
    "{MEMO01}のことかな？", "なるほどね。{SURFACE2}",
    "それはいいね！",       "もっと聞かせて。{WAIT10}",
    "ふむふむ。",           "{IFTRUE{FLAG01}|うれしい|そっか}",
    "わかるよ。",           "今日は{DATE}だね。",
};

// The window's own words, answered by the first group of the kind 0 dictionaries.
constexpr const char* kWindowWords[] = {"KCCALLED", "CLOSEWINDOW", "INVALIDCHARACTER"};

// Definition files that READCHARACTER: conditions look for.
constexpr const char* kCharacterFiles[] = {"AKARI",  "MUGI",  "KOHAKU", "SORA",
                                           "HINATA", "TSUKI", "KAEDE",  "NAGI"};

// The forms of kind 0 conditions in the bundled characters, per hundred conditions of a character
// of kind 0 alone: EQ and LIKE of the query; a time-of-day, turn, counter or flag test behind an
// EQ of the query; a date kept in a memo behind one; the switch words of READCHARACTER:.
enum class ZeroForm { Equals, Like, StateBehindEquals, MemoDateBehindEquals, Switch };
constexpr std::array<std::pair<ZeroForm, int>, 5> kZeroFormWeights = {{
    {ZeroForm::Equals, 15},
    {ZeroForm::Like, 21},
    {ZeroForm::StateBehindEquals, 49},
    {ZeroForm::MemoDateBehindEquals, 4},
    {ZeroForm::Switch, 11},
}};

// Tests of the clock, the turn, counters and flags that the bundled characters put behind an EQ
// of the query; %d stands for a number, %02d for a slot.
constexpr const char* kStateTests[] = {
    "{AND{>={HOUR}|%d}|{<{HOUR}|%d}}",
    "{=={TURN}|{+{COUNT%02d}|1}}",
    "{=={COUNT%02d}|%d}",
    "{EQ{FLAG%02d}|FALSE}",
    "{<{TURN}|%d}",
    "{OR{<{HOUR}|%d}|{>={HOUR}|%d}}",
};

// --- Pattern shapes ---

// One pattern as the file holds it (before load-time normalisation) and over bytes.
struct PatternForms {
  std::string Ours;
  std::string Bytes;  // RE2 and Hyperscan syntax; empty for a broken pattern
  bool Broken = false;
};

// "\xHH" for each byte.
std::string ByteEscapes(std::string_view text) {
  std::string escaped;
  for (const unsigned char byte : text) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
    escaped += hex;
  }
  return escaped;
}

std::string ByteGroup(std::string_view text) {
  return "(?:" + ByteEscapes(text) + ")";
}

// One Shift-JIS character other than LF and CR, over bytes.
const std::string kByteDot =
    "(?:[\\x81-\\x9f\\xe0-\\xfc][\\x00-\\xff]|[^\\n\\r\\x81-\\x9f\\xe0-\\xfc])";

// One Shift-JIS character other than LF, CR, "。" (81 42) and "、" (81 41), over bytes.
const std::string kByteNotPunctuation =
    "(?:[^\\n\\r\\x81-\\x9f\\xe0-\\xfc]|\\x81[^\\x41\\x42]|[\\x82-\\x9f\\xe0-\\xfc][\\x00-\\xff])";

// Hiragana ぁ-ん (82 9F - 82 F1) and katakana ァ-ヶ (83 40 - 83 96) with ー (81 5B).
const std::string kByteHiragana = "(?:\\x82[\\x9f-\\xf1])";
const std::string kByteKatakana = "(?:\\x83[\\x40-\\x96]|\\x81\\x5b)";

std::string Sjis(const char* utf8) {
  return NormalizeShiftJis(Utf8ToShiftJis(utf8));
}

template <size_t N>
std::vector<std::string> SjisList(const char* const (&words)[N]) {
  std::vector<std::string> list;
  for (const char* word : words) list.push_back(Sjis(word));
  return list;
}

// The shapes and their weights (per hundred patterns).
enum class Shape {
  Plain,
  Alternation,
  Digits,
  Between,
  Anchored,
  GroupThenWord,
  CharacterClass,
  Optional,
  Ascii,
  NoLiteral,
  Negated,
  Broken,
};
constexpr std::array<std::pair<Shape, int>, 12> kShapeWeights = {{
    {Shape::Plain, 38},
    {Shape::Alternation, 8},
    {Shape::Digits, 8},
    {Shape::Between, 8},
    {Shape::Anchored, 8},
    {Shape::GroupThenWord, 7},
    {Shape::CharacterClass, 5},
    {Shape::Optional, 5},
    {Shape::Ascii, 6},
    {Shape::NoLiteral, 3},
    {Shape::Negated, 2},
    {Shape::Broken, 2},
}};

// Patterns without any literal: (ours, bytes).
const std::array<std::pair<std::string, std::string>, 7>& NoLiteralPatterns() {
  static const std::array<std::pair<std::string, std::string>, 7> patterns = {{
      {"^#+$", "^[0-9]+$"},
      {"^[A-Z]+$", "^[A-Z]+$"},
      {Sjis("^[ァ-ヶー]+$"), "^" + kByteKatakana + "+$"},
      {"^#+[A-Z]+$", "^[0-9]+[A-Z]+$"},
      {Sjis("^[ぁ-ん]+[!?]$"), "^" + kByteHiragana + "+[!?]$"},
      {"#+[A-Z]+#", "[0-9]+[A-Z]+[0-9]"},
      {"^(#|[A-Z])+$", "^([0-9]|[A-Z])+$"},
  }};
  return patterns;
}

class Generator {
 public:
  explicit Generator(const TLargeCharacterOptions& options)
      : options_(options),
        random_(options.Seed),
        general_(SjisList(kGeneralBases)),
        late_(SjisList(kLateBases)),
        spare_(SjisList(kSpareBases)),
        idioms_(SjisList(kIdioms)),
        suffixes_(SjisList(kSuffixes)),
        units_(SjisList(kUnits)),
        tails_(SjisList(kTails)),
        ascii_(SjisList(kAsciiWords)),
        fillers_(SjisList(kFillers)),
        replies_(SjisList(kReplies)) {}

  void Write(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const bool all = options_.Shape == TCharacterShape::AllKinds;
    const bool kindZero = options_.Shape == TCharacterShape::KindZeroOnly;
    std::vector<std::pair<std::string, std::string>> definition = {{"name", "large"},
                                                                   {"version", "210"}};
    const auto add = [&](const char* key, const std::vector<std::string>& lines) {
      const std::string file = std::string(key) + ".txt";
      WriteLines(folder / file, lines);
      definition.emplace_back(key, file);
    };
    if (all) {
      add("data01", KindZeroLines());
      add("data02", KindZeroLines());
      add("dataa1", KindALines());
      add("dataa2", KindALines());
      add("datab1", PatternLines(idioms_, nullptr));
    }
    std::vector<std::string> bytePatterns;
    if (kindZero) {
      add("data02", BundledKindZeroLines());
    } else {
      add("datab2", PatternLines(general_, &bytePatterns));
    }
    if (all) {
      add("datac1", KindCLines());
      add("datac2", KindCLines());
    }
    std::vector<std::string> definitionLines;
    for (const auto& [key, value] : definition) {
      definitionLines.push_back(key);
      definitionLines.push_back(value);
    }
    WriteLines(folder / kDefinitionFileName, definitionLines);
    WriteLines(folder / kBytePatternsFileName, bytePatterns);
    WriteLines(folder / kLinesFileName, BenchLines());
  }

 private:
  int Below(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
  bool Chance(double probability) { return std::bernoulli_distribution(probability)(random_); }
  const std::string& Pick(const std::vector<std::string>& list) {
    return list[Below(static_cast<int>(list.size()))];
  }

  // A keyword made of base words: a base alone, a base with a suffix, or two bases.
  std::string Keyword(const std::vector<std::string>& bases) {
    const int kind = Below(10);
    if (kind < 3) return Pick(bases);
    if (kind < 8) return Pick(bases) + Pick(suffixes_);
    return Pick(bases) + Pick(general_);
  }

  // A keyword for a pattern of group `group` drawn from `bases`; the last group of "datab2" also
  // takes late words.
  std::string GroupKeyword(const std::vector<std::string>& bases, int group) {
    const bool last = group == options_.GroupCount - 1;
    if (&bases == &general_ && last && Chance(0.4)) return Keyword(late_);
    return Keyword(bases);
  }

  Shape DrawShape() {
    int draw = Below(100);
    for (const auto& [shape, weight] : kShapeWeights) {
      if (draw < weight) return shape;
      draw -= weight;
    }
    return Shape::Plain;
  }

  // Alternatives "(a|b|c)" over bytes, each captured so that RE2 does not factor high bytes.
  static std::string ByteAlternation(const std::vector<std::string>& words) {
    std::string bytes;
    for (const std::string& word : words)
      bytes += (bytes.empty() ? "(" : "|(") + ByteGroup(word) + ")";
    return bytes;
  }

  PatternForms MakePattern(const std::vector<std::string>& bases, int group, Shape shape,
                           std::string* plainKeyword) {
    const auto keyword = [&] { return GroupKeyword(bases, group); };
    switch (shape) {
      case Shape::Plain: {
        std::string word = keyword();
        if (plainKeyword != nullptr) *plainKeyword = word;
        return {word, ByteGroup(word)};
      }
      case Shape::Alternation: {
        std::vector<std::string> words(2 + Below(3));
        for (std::string& word : words) word = keyword();
        std::string ours;
        for (const std::string& word : words) ours += (ours.empty() ? "" : "|") + word;
        return {ours, ByteAlternation(words)};
      }
      case Shape::Digits: {
        const std::string& unit = Pick(units_);
        if (Chance(0.5)) return {"#+" + unit, "[0-9]+" + ByteGroup(unit)};
        const std::string word = keyword();
        return {word + ".*#+" + unit, ByteGroup(word) + kByteDot + "*[0-9]+" + ByteGroup(unit)};
      }
      case Shape::Between: {
        const std::string first = keyword();
        const std::string second = keyword();
        return {first + ".*" + second, ByteGroup(first) + kByteDot + "*" + ByteGroup(second)};
      }
      case Shape::Anchored: {
        const std::string word = keyword();
        switch (Below(3)) {
          case 0:
            return {"^" + word, "^" + ByteGroup(word)};
          case 1:
            return {word + "$", ByteGroup(word) + "$"};
          default:
            return {"^" + word + "$", "^" + ByteGroup(word) + "$"};
        }
      }
      case Shape::GroupThenWord: {
        std::vector<std::string> words(2 + Below(2));
        for (std::string& word : words) word = keyword();
        const std::string& tail = Pick(tails_);
        std::string ours;
        for (const std::string& word : words) ours += (ours.empty() ? "(" : "|") + word;
        return {ours + ")" + tail, "(" + ByteAlternation(words) + ")" + ByteGroup(tail)};
      }
      case Shape::CharacterClass: {
        const std::string word = keyword();
        if (Chance(0.5)) {
          const std::string particles = Sjis("がはをも");
          std::string bytes;
          for (size_t i = 0; i < particles.size(); i += 2) {
            bytes += (bytes.empty() ? "(?:" : "|") + ByteEscapes(particles.substr(i, 2));
          }
          return {word + "[" + particles + "]", ByteGroup(word) + bytes + ")"};
        }
        return {Sjis("[ぁ-ん]+") + word, kByteHiragana + "+" + ByteGroup(word)};
      }
      case Shape::Optional: {
        const std::string first = keyword();
        const std::string second = keyword();
        const std::string particle = Sjis("を");
        if (Chance(0.5)) {
          return {first + particle + "?" + second,
                  ByteGroup(first) + ByteGroup(particle) + "?" + ByteGroup(second)};
        }
        const std::string third = keyword();
        return {"(" + first + "|" + second + ")?" + third,
                "(" + ByteAlternation({first, second}) + ")?" + ByteGroup(third)};
      }
      case Shape::Ascii: {
        if (Chance(0.3)) {
          const std::string word = keyword();
          return {"\\#" + word, "#" + ByteGroup(word)};
        }
        std::vector<std::string> words(1 + Below(3));
        for (std::string& word : words) word = Pick(ascii_);
        std::string ours;
        for (const std::string& word : words) ours += (ours.empty() ? "" : "|") + word;
        return {ours, ByteAlternation(words)};
      }
      case Shape::NoLiteral: {
        const auto& [ours, bytes] = NoLiteralPatterns()[Below(NoLiteralPatterns().size())];
        return {ours, bytes};
      }
      case Shape::Negated: {
        const std::string word = keyword();
        return {Sjis("[^。、]+") + word, kByteNotPunctuation + "+" + ByteGroup(word)};
      }
      case Shape::Broken: {
        const std::string word = keyword();
        static constexpr const char* kForms[][2] = {{"(", ""}, {"[", ""}, {"*", ""}, {"", ")"}};
        const auto& form = kForms[Below(4)];
        return {form[0] + word + form[1], "", true};
      }
    }
    return {};
  }

  // The group of each of the EntriesPerDictionary entries: group g gets a share growing with g.
  std::vector<int> GroupSizes() {
    const int groups = options_.GroupCount;
    const int weights = (groups + 3) * groups / 2;  // sum of g + 2 for g = 0 .. groups - 1
    std::vector<int> sizes(groups);
    int given = 0;
    for (int group = 0; group < groups; ++group) {
      sizes[group] = options_.EntriesPerDictionary * (group + 2) / weights;
      given += sizes[group];
    }
    sizes.back() += options_.EntriesPerDictionary - given;
    return sizes;
  }

  // A separator line for a dictionary of two or three fields.
  static std::string Separator(int fields) { return fields == 2 ? "{PRIOR},-" : "{PRIOR},,-"; }

  std::string Reply() { return Pick(replies_); }

  // Kind B lines from `bases`; with bytePatterns (for "datab2") the byte forms are recorded and
  // the plain keywords of the first and last groups kept for the benchmark lines.
  std::vector<std::string> PatternLines(const std::vector<std::string>& bases,
                                        std::vector<std::string>* bytePatterns) {
    std::vector<std::string> lines;
    const std::vector<int> sizes = GroupSizes();
    for (int group = 0; group < options_.GroupCount; ++group) {
      if (group > 0) {
        lines.push_back(Separator(2));
        if (bytePatterns != nullptr) bytePatterns->push_back("{PRIOR}");
      }
      for (int entry = 0; entry < sizes[group]; ++entry) {
        std::string plain;
        const PatternForms pattern = MakePattern(bases, group, DrawShape(), &plain);
        lines.push_back(pattern.Ours + "," + Reply());
        if (bytePatterns == nullptr) continue;
        bytePatterns->push_back(pattern.Broken ? "{BROKEN}" : pattern.Bytes);
        if (plain.empty()) continue;
        if (group == 0) firstKeywords_.push_back(plain);
        if (group == options_.GroupCount - 1 && IsLateWord(plain)) lateKeywords_.push_back(plain);
      }
    }
    return lines;
  }

  bool IsLateWord(const std::string& word) const {
    return std::any_of(late_.begin(), late_.end(), [&](const std::string& base) {
      return word.find(base) != std::string::npos;
    });
  }

  // Kind 0: the window's words in the first group, then conditions on the line, the memory and
  // the counters that do not hold for the benchmark lines.
  std::vector<std::string> KindZeroLines() {
    return KindZeroLines([&](int) { return Condition(); });
  }

  // A kind 0 dictionary: the window's words open the first group, condition(group) gives the
  // condition of every other entry.
  template <class MakeCondition>
  std::vector<std::string> KindZeroLines(MakeCondition condition) {
    std::vector<std::string> lines;
    const std::vector<int> sizes = GroupSizes();
    for (int group = 0; group < options_.GroupCount; ++group) {
      if (group > 0) lines.push_back(Separator(2));
      for (int entry = 0; entry < sizes[group]; ++entry) {
        const std::string text =
            group == 0 && entry < 3
                ? "{EQ{OPERATEMESSAGE}|" + std::string(kWindowWords[entry]) + "}"
                : condition(group);
        lines.push_back(text + "," + Reply());
      }
    }
    return lines;
  }

  std::string Condition() {
    const int kind = Below(100);
    const std::string word = Keyword(general_);
    if (kind < 35) return "{EQ{OPERATEMESSAGE}|" + word + "}";
    if (kind < 55) {
      const PatternForms like =
          MakePattern(idioms_, 0, Chance(0.5) ? Shape::Anchored : Shape::Between, nullptr);
      return "{LIKE{OPERATEMESSAGE}|" + like.Ours + "}";
    }
    if (kind < 70) {
      static constexpr const char* kComparisons[] = {"{>{COUNT%02d}|100}", "{<{TURN}|0}",
                                                     "{>={COUNT%02d}|999}", "{=={TURN}|-1}"};
      char text[32];
      std::snprintf(text, sizeof text, kComparisons[Below(4)], Below(100));
      return text;
    }
    if (kind < 80) return "{AND{EQ{OPERATEMESSAGE}|" + word + "}|{>{TURN}|2}}";
    if (kind < 90) return "{EQ{PREV}|" + word + "}";
    if (kind < 95) {
      char slot[8];
      std::snprintf(slot, sizeof slot, "%02d", Below(100));
      return "{EQ{MEMO" + std::string(slot) + "}|" + word + "}";
    }
    return "{OR{EQ{OPERATEMESSAGE}|" + word + "}|{EQ{OPERATEMESSAGE}|" + Keyword(general_) + "}}";
  }

  // Kind 0 in the forms and shares of the bundled characters; the keywords of the EQ conditions
  // of the first and the last group are kept for the benchmark lines.
  std::vector<std::string> BundledKindZeroLines() {
    exactLines_ = true;
    return KindZeroLines([&](int group) { return BundledCondition(group); });
  }

  std::string BundledCondition(int group) {
    const std::string word = GroupKeyword(general_, group);
    const std::string equals = "{EQ{OPERATEMESSAGE}|" + word + "}";
    switch (DrawZeroForm()) {
      case ZeroForm::Equals:
        if (group == 0) firstKeywords_.push_back(word);
        if (group == options_.GroupCount - 1 && IsLateWord(word)) lateKeywords_.push_back(word);
        return equals;
      case ZeroForm::Like:
        return "{LIKE{OPERATEMESSAGE}|" +
               MakePattern(idioms_, 0, Chance(0.5) ? Shape::Anchored : Shape::Between, nullptr)
                   .Ours +
               "}";
      case ZeroForm::StateBehindEquals: {
        char test[64];
        const int hour = Below(20);
        std::snprintf(test, sizeof test,
                      kStateTests[Below(static_cast<int>(std::size(kStateTests)))],
                      Below(24) < 12 ? hour : Below(100), hour + 1 + Below(4));
        return "{AND" + equals + "|" + test + "}";
      }
      case ZeroForm::MemoDateBehindEquals: {
        char slot[8];
        std::snprintf(slot, sizeof slot, "%02d", Below(100));
        return "{AND" + equals + "|{>={DATEDIFFD{MEMO" + slot + "}|{DATE}}|14}}";
      }
      case ZeroForm::Switch: {
        const std::string switching = "{EQ{LEFT14|{OPERATEMESSAGE}}|READCHARACTER:}";
        if (Chance(1.0 / 3)) return switching;
        return "{AND" + switching + "|{>{POS" +
               kCharacterFiles[Below(static_cast<int>(std::size(kCharacterFiles)))] +
               ".KLC|{OPERATEMESSAGE}}|0}}";
      }
    }
    return equals;
  }

  ZeroForm DrawZeroForm() {
    int draw = Below(100);
    for (const auto& [form, weight] : kZeroFormWeights) {
      if (draw < weight) return form;
      draw -= weight;
    }
    return ZeroForm::Equals;
  }

  // Kind A: half the entries accept any previous reply; the input patterns use idioms.
  std::vector<std::string> KindALines() {
    std::vector<std::string> lines;
    const std::vector<int> sizes = GroupSizes();
    for (int group = 0; group < options_.GroupCount; ++group) {
      if (group > 0) lines.push_back(Separator(3));
      for (int entry = 0; entry < sizes[group]; ++entry) {
        const std::string previous = Chance(0.5) ? "" : Keyword(idioms_);
        const PatternForms input = MakePattern(idioms_, group, DrawShape(), nullptr);
        lines.push_back(previous + "," + input.Ours + "," + Reply());
      }
    }
    return lines;
  }

  std::vector<std::string> KindCLines() {
    std::vector<std::string> lines;
    const std::vector<int> sizes = GroupSizes();
    for (int group = 0; group < options_.GroupCount; ++group) {
      if (group > 0) lines.push_back("{PRIOR}");
      for (int entry = 0; entry < sizes[group]; ++entry) lines.push_back(Reply());
    }
    return lines;
  }

  // Filler around the given words; for EQ keywords, the first word alone.
  std::string Line(const std::vector<std::string>& words) {
    if (exactLines_) return words.front();
    std::string line;
    for (int i = Below(3); i > 0; --i) line += Pick(fillers_);
    for (const std::string& word : words) {
      line += word;
      for (int i = 1 + Below(2); i > 0; --i) line += Pick(fillers_);
    }
    return line;
  }

  std::vector<std::string> BenchLines() {
    constexpr int kLinesPerCategory = 200;
    std::vector<std::string> lines;
    for (int i = 0; i < kLinesPerCategory && !firstKeywords_.empty(); ++i) {
      std::vector<std::string> words = {Pick(firstKeywords_)};
      if (Chance(0.5)) words.push_back(Keyword(general_));
      lines.push_back("first\t" + Line(words));
    }
    for (int i = 0; i < kLinesPerCategory && !lateKeywords_.empty(); ++i) {
      std::vector<std::string> words = {Pick(lateKeywords_)};
      if (Chance(0.5)) words.push_back(Keyword(late_));
      lines.push_back("late\t" + Line(words));
    }
    for (int i = 0; i < kLinesPerCategory; ++i) {
      std::vector<std::string> words = {Pick(spare_) + (Chance(0.5) ? Pick(suffixes_) : "")};
      if (Chance(0.5)) words.push_back(Pick(spare_));
      lines.push_back("nothing\t" + Line(words));
    }
    return lines;
  }

  static void WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) file << line << "\r\n";
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path.string());
  }

  const TLargeCharacterOptions options_;
  std::mt19937 random_;
  const std::vector<std::string> general_;
  const std::vector<std::string> late_;
  const std::vector<std::string> spare_;
  const std::vector<std::string> idioms_;
  const std::vector<std::string> suffixes_;
  const std::vector<std::string> units_;
  const std::vector<std::string> tails_;
  const std::vector<std::string> ascii_;
  const std::vector<std::string> fillers_;
  const std::vector<std::string> replies_;
  // Plain keywords of the first group of "datab2" (or EQ keywords of "data02") and late ones of
  // its last group.
  std::vector<std::string> firstKeywords_;
  std::vector<std::string> lateKeywords_;
  bool exactLines_ = false;  // lines are a keyword alone
};

}  // namespace

bool ShapeNamed(const std::string& name, TCharacterShape& shape) {
  if (name == "b") {
    shape = TCharacterShape::KindBOnly;
  } else if (name == "all") {
    shape = TCharacterShape::AllKinds;
  } else if (name == "0") {
    shape = TCharacterShape::KindZeroOnly;
  } else {
    return false;
  }
  return true;
}

void WriteLargeCharacter(const std::filesystem::path& folder,
                         const TLargeCharacterOptions& options) {
  Generator(options).Write(folder);
}

}  // namespace kelmo::bench
