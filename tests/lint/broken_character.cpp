// The broken character's files. Every text file is Shift-JIS with CR LF, except utf8.txt, which is
// UTF-8 after a byte order mark.
#include "broken_character.h"

#include <string_view>

#include "charfile/code_page.h"
#include "pictures/picture_files.h"

namespace kelmo::testing {
namespace {

std::string ShiftJisLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const std::string_view line : lines) text += Utf8ToShiftJis(line) + "\r\n";
  return text;
}

// A pattern whose automaton outgrows the engine's limit: fourteen free letters after an A.
std::string TooComplexPattern() {
  std::string pattern = "(A|B)*A";
  for (int i = 0; i < 14; ++i) pattern += "(A|B)";
  return pattern;
}

constexpr auto E = TLintSeverity::Error;
constexpr auto W = TLintSeverity::Warning;

}  // namespace

void WriteBrokenCharacter(const TempFolder& folder) {
  folder.Write("broken.klc",
               ShiftJisLines({"name", "こわれ", "folder", "chars\\broken", "version", "210",
                              "data01", "kotoba.txt", "data02", "nai.txt", "dataa2", "tsuzuki.txt",
                              "datab2", "kimochi.txt,utf8.txt", "datac2", "zatsudan.txt",
                              "DefaultBitmap", "futsuu.bmp", "originalballoon", "True",
                              "balloonchar", "fusen.bmp", "balloonuser", "hekomi.bmp", "nadenade",
                              "True", "datanadenade", "nade.txt,nainade.txt", "dafaultbitmap",
                              "x.bmp", "name", "べつ", "comment", "{NICKNAME}と話す{BR}",
                              "parents"}));
  folder.Write("chars/broken/kotoba.txt",
               ShiftJisLines({"■見出し", "{EQ{OPERATEMESSAGE}|KCCALLED},こんにちは",
                              "こんにちは,やあ", "{FLAG01}{FLAG02},ふたつ",
                              "{EQ{PREV}|A},{COUTN01++}やあ", "{EQ{PREV}|B}", "{PRIOR}",
                              "{EQ{PREV}|C},こんにちは あいさつ", "{EQ{PREV}|D},}あれ",
                              "{EQ{PREV}|E},あれ{DATE", "{HOGE},ほげ", "{ENDOFDATA},-",
                              "{EQ{PREV}|F},読まれない", ""}));
  folder.Write("chars/broken/tsuzuki.txt",
               ShiftJisLines({"Q:NAZO,月,せいかい！", "Q:NAZO,つき",
                              "(Q,.*,{PIC:futsuu.bmp}かっこ", "Q:NAZO,.*,ぶぶー"}));
  folder.Write("chars/broken/kimochi.txt",
               ShiftJisLines({"なぞなぞ,{PIC:futsuu.bmp}なぞなぞ！{Q:NAZO}", "あ[い,あい",
                              TooComplexPattern() + ",むずかしい", "え,{PCI:futsuu.bmp}え",
                              "お,{SOUNDA:nai.wav}お", "か,{SOUNDB:kane.wav}か",
                              "き,{PIC:kowareta.bmp}き", "く,{PIC:nai.bmp}く",
                              "け,{SOUNDS:kane.wav}け"}));
  folder.Write("chars/broken/utf8.txt", "\xEF\xBB\xBF" "すし,🍣すき\r\n");
  folder.Write("chars/broken/zatsudan.txt",
               ShiftJisLines({"{PIC:futsuu.bmp}ふむふむ", "", "そうなんだ"}));
  folder.Write("chars/broken/nade.txt", ShiftJisLines({"なでる,（なでなで）", "つつく"}));
  const std::string picture = BmpFile({2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}}, {});
  folder.Write("chars/broken/futsuu.bmp", picture);
  folder.Write("chars/broken/hekomi.bmp", "BM this is no picture");
  folder.Write("chars/broken/kowareta.bmp", picture.substr(0, 20));
  folder.Write("chars/broken/kane.wav", "RIFF");
}

const std::vector<TExpectedFinding>& BrokenCharacterFindings() {
  static const std::vector<TExpectedFinding> findings = {
      {"broken.klc", 10, "missing-file", E, "nai.txt"},
      {"broken.klc", 22, "picture", E, "fusen.bmp"},
      {"broken.klc", 24, "picture", E, "hekomi.bmp"},
      {"broken.klc", 28, "missing-file", E, "nainade.txt"},
      {"broken.klc", 29, "unknown-key", W, "DefaultBitmap"},
      {"broken.klc", 31, "duplicate-key", W, "1 行目"},
      {"broken.klc", 35, "unpaired-line", W, "値の行"},
      {"chars/broken/kotoba.txt", 3, "condition", W, "True"},
      {"chars/broken/kotoba.txt", 4, "condition", W, "ひとつの波かっこ"},
      {"chars/broken/kotoba.txt", 5, "unknown-command", W, "{COUTN01++}"},
      {"chars/broken/kotoba.txt", 6, "ignored-line", W, "欄がひとつ"},
      {"chars/broken/kotoba.txt", 7, "ignored-line", W, "{PRIOR},-"},
      {"chars/broken/kotoba.txt", 8, "extra-fields", W, "1 つの欄"},
      {"chars/broken/kotoba.txt", 9, "braces", E, "1 文字目の「}」"},
      {"chars/broken/kotoba.txt", 10, "braces", E, "3 文字目の「{」"},
      {"chars/broken/kotoba.txt", 11, "unknown-command", W, "{HOGE}"},
      {"chars/broken/kotoba.txt", 13, "after-end-marker", W, "12 行目"},
      {"chars/broken/tsuzuki.txt", 2, "ignored-line", W, "種類 A"},
      {"chars/broken/tsuzuki.txt", 3, "pattern", E, "3 文字目でコンパイルできません"},
      {"chars/broken/tsuzuki.txt", 4, "catch-all", W, "キーワード 10 件 (datab1、datab2)"},
      {"chars/broken/kimochi.txt", 2, "pattern", E, "need right bracket"},
      {"chars/broken/kimochi.txt", 3, "pattern", E, "pattern too complex"},
      {"chars/broken/kimochi.txt", 4, "unknown-command", W, "{PCI:futsuu.bmp}"},
      {"chars/broken/kimochi.txt", 5, "missing-file", E, "nai.wav"},
      {"chars/broken/kimochi.txt", 6, "sound-command", W, "SOUNDB"},
      {"chars/broken/kimochi.txt", 7, "picture", E, "kowareta.bmp"},
      {"chars/broken/kimochi.txt", 8, "picture", E, "nai.bmp"},
      {"chars/broken/utf8.txt", 1, "replaced-characters", W, "🍣"},
      {"chars/broken/zatsudan.txt", 2, "empty-reply", W, "空の行"},
      {"chars/broken/nade.txt", 2, "petting-line", W, "欄がひとつ"},
  };
  return findings;
}

}  // namespace kelmo::testing
