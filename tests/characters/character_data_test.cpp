// The bundled characters' files as the program will read them: the definition files, the encoding
// and line ends of the data files, every pattern compiling, the display commands pointing at files
// that exist, the question markers of kind A follow-ups, the scrambled file, the petting menus,
// the pictures (BMP, JPEG, PNG, balloons with their key colour) and the sounds.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>

#include "bundled_character.h"
#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/crypt.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"
#include "regex/regexp.h"
#include "regex/tokens.h"

namespace kelmo::testing {
namespace {

class BundledCharacterData : public ::testing::TestWithParam<TBundledCharacter> {
 protected:
  std::string Id() const { return GetParam().Id; }
  TCharacterFile Definition() const { return TCharacterFile(ProgramFolder() + Id() + ".klc"); }
};

INSTANTIATE_TEST_SUITE_P(Bundled, BundledCharacterData, ::testing::ValuesIn(kBundledCharacters),
                         [](const auto& info) { return std::string(info.param.Id); });

std::string Where(const TDictionaryLine& line) {
  return line.File + ":" + std::to_string(line.Number);
}

TEST_P(BundledCharacterData, DefinitionPointsAtItsFolderAndIsSupported) {
  const TCharacterFile definition = Definition();
  EXPECT_FALSE(definition.ReadValue("name").empty());
  EXPECT_EQ(definition.ReadValue("folder"), "characters\\" + Id());
  EXPECT_GE(std::stoi(definition.ReadValue("version")), 210);
  EXPECT_TRUE(TextToBool(definition.ReadValue("nadenade")));
  for (const char* key : {"parents", "url", "comment"}) {
    EXPECT_FALSE(definition.ReadValue(key).empty()) << key;
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(CharacterFolder(Id()) +
                                               definition.ReadValue("DefaultBitmap")));
}

TEST_P(BundledCharacterData, EveryListedDataFileExists) {
  const TCharacterFile definition = Definition();
  for (const char* key : {"data01", "data02", "dataa1", "dataa2", "datab1", "datab2", "datac1",
                          "datac2", "datanadenade"}) {
    for (const std::string& file : SplitCommaText(definition.ReadValue(key))) {
      EXPECT_TRUE(std::filesystem::is_regular_file(CharacterFolder(Id()) + file)) << file;
    }
  }
}

TEST_P(BundledCharacterData, TextFilesAreShiftJisWithCrLf) {
  std::vector<std::string> paths = {ProgramFolder() + Id() + ".klc"};
  for (const auto& entry : std::filesystem::directory_iterator(CharacterFolder(Id()))) {
    if (entry.path().extension() == ".txt") paths.push_back(entry.path().string());
  }
  for (const std::string& path : paths) {
    const std::string bytes = ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << path;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\n') {
        ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << path << " byte " << i;
      }
      if (bytes[i] == '\r') {
        ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << path << " byte " << i;
      }
    }
    std::vector<std::string> lines = SplitLines(bytes);
    UnscrambleIfNeeded(lines);
    for (const std::string& line : lines) {
      EXPECT_EQ(ShiftJisToUtf16(line).find(u'\uFFFD'), std::u16string::npos)
          << path << ": " << ShiftJisToUtf8(line);
    }
  }
}

TEST_P(BundledCharacterData, EveryPatternCompiles) {
  int patterns = 0;
  for (const TDictionaryLine& line : DictionaryEntries(Id())) {
    if (line.Kind != 'A' && line.Kind != 'B') continue;
    for (size_t field = 0; field + 1 < (line.Kind == 'A' ? 3u : 2u); ++field) {
      TbmRExp pattern;
      pattern.SetPattern(ExpandDigitShorthand(NormalizeShiftJis(line.Fields[field])));
      int position = 0, length = 0;
      try {
        pattern.Match("", 1, position, length);
        ++patterns;
      } catch (const EbmREToken& error) {
        ADD_FAILURE() << Where(line) << ": " << Utf8(line.Fields[field]) << ": " << error.what();
      }
    }
  }
  EXPECT_GT(patterns, 0);
}

// Braces decide what a macro text means: an unmatched "}" empties the whole evaluation and an
// unclosed "{" drops the rest of the text. The only reply meant to evaluate to nothing is a lone
// "}" (the timed talk that stays quiet).
TEST_P(BundledCharacterData, MacroTextsHaveBalancedBraces) {
  for (const TDictionaryLine& line : DictionaryEntries(Id())) {
    std::vector<std::string> texts = {ReplyOf(line)};
    if (line.Kind == '0') texts.push_back(line.Fields[0]);
    for (const std::string& text : texts) {
      if (text == "}") continue;
      int depth = 0;
      for (char16_t c : ShiftJisToUtf16(text)) {  // a trail byte may be 0x7B or 0x7D
        depth += c == u'{' ? 1 : c == u'}' ? -1 : 0;
        ASSERT_GE(depth, 0) << Where(line) << ": " << Utf8(text);
      }
      EXPECT_EQ(depth, 0) << Where(line) << ": " << Utf8(text);
    }
  }
}

// Command words of the macro language and the display commands, and the invisible question
// marker. A group whose word is none of these vanishes unseen, which is how a misspelt command
// would go unnoticed.
const std::set<std::u16string> kCommandWords = {
    u"AND", u"ALLOWEXECUTE", u"ABS", u"ARCCOS", u"ARCSIN", u"ARCTAN", u"BIRTHDAY", u"BR", u"COUNT",
    u"CHOICE", u"COS", u"CEIL", u"DATE", u"DAY", u"DATEDIFF", u"EQ", u"ENDENTRUST", u"ENTRUST",
    u"EXP", u"FLAG", u"FLOOR", u"FULLNAME", u"HOUR", u"HN", u"IF", u"ISSAME", u"LIKE", u"LENGTH",
    u"LEFT", u"LOG", u"MEMO", u"MAX", u"MIN", u"MID", u"MONTH", u"MINUTE", u"MYOJI", u"NOW",
    u"NAMAE", u"NICKNAME", u"NOT", u"NE", u"OPERATEMESSAGE", u"OR", u"POS", u"PREV", u"PREVANSWER",
    u"PI", u"RANDOMB", u"RANDOMV", u"RIGHT", u"ROUND", u"RESULT", u"SCRIPTIZE", u"SIN", u"SQRT",
    u"SQR", u"SECOND", u"SEX", u"SHELL", u"TIME", u"TURN", u"TRUNC", u"TAN", u"WORK", u"XOR",
    u"YEAR", u"YOUBI",
    // display commands
    u"PIC", u"QUITSYSTEM", u"ICONIZE", u"SHOWWINDOW", u"SETDEFBITMAP", u"SKIP", u"SOUNDA",
    u"SOUNDS", u"SPEEDFAST", u"SPEEDSLOW", u"TIMER", u"CLEAR", u"CANCELTIMER", u"CHANGECHARACTER",
    u"DELAY", u"WAITRETURN", u"READCHARACTER", u"FONTBIG", u"FONTSMALL",
    // the question marker of kind A follow-ups
    u"Q"};

// Commands whose text argument follows the word directly, so that letters may continue it.
const std::set<std::u16string> kTextArgumentWords = {u"POS", u"CHOICE",   u"LIKE",   u"EQ",
                                                     u"NE",  u"DATEDIFF", u"ISSAME", u"IF"};

// Why the group opening at text[at] names no command, or the empty text.
std::string UnknownCommand(const std::u16string& text, size_t at) {
  size_t end = at + 1;
  while (end < text.size() && text[end] >= u'A' && text[end] <= u'Z') ++end;
  const std::u16string word = text.substr(at + 1, end - at - 1);
  if (word.empty()) {
    // Operators, "...", "$:" and "^H" begin with a sign; "{" begins an empty or nested group.
    return end < text.size() && std::u16string_view(u"=!<>+-*/\\%^.${").find(text[end]) !=
                                    std::u16string_view::npos
               ? ""
               : "no command word";
  }
  if (kCommandWords.count(word)) return "";
  for (const std::u16string& command : kTextArgumentWords) {
    if (word.compare(0, command.size(), command) == 0) return "";
  }
  return Utf16ToUtf8(word);
}

TEST_P(BundledCharacterData, EveryBraceGroupNamesACommand) {
  for (const TDictionaryLine& line : DictionaryEntries(Id())) {
    std::vector<std::string> texts = {ReplyOf(line)};
    if (line.Kind == '0') texts.push_back(line.Fields[0]);
    for (const std::string& text : texts) {
      const std::u16string normalized = NormalizeText(ShiftJisToUtf16(text));
      for (size_t at = normalized.find(u'{'); at != std::u16string::npos;
           at = normalized.find(u'{', at + 1)) {
        EXPECT_EQ(UnknownCommand(normalized, at), "") << Where(line) << ": " << Utf8(text);
      }
    }
  }
}

// The nickname is what the user asked to be called: a reply uses it as it is, never with an
// honorific of the character's own after it ("たろちゃんさん").
TEST_P(BundledCharacterData, NicknameIsUsedAsWritten) {
  std::vector<std::string> texts;
  for (const TDictionaryLine& line : DictionaryEntries(Id())) texts.push_back(ReplyOf(line));
  texts.push_back(Definition().ReadValue("comment"));
  const std::regex honorific(R"(\{NICKNAME\}(さん|さま|様|くん|君|ちゃん|さーん))",
                             std::regex::icase);
  int uses = 0;
  for (const std::string& text : texts) {
    const std::string reply = Utf8(text);
    EXPECT_FALSE(std::regex_search(reply, honorific)) << reply;
    if (Utf8(NormalizeShiftJis(text)).find("{NICKNAME}") != std::string::npos) ++uses;
  }
  EXPECT_GT(uses, 0);
}

// The two branches of the IF group at text[at], or nothing when the group never closes. The
// condition group comes first; the true branch ends at the first bar outside inner groups.
std::optional<std::pair<std::u16string, std::u16string>> IfBranches(const std::u16string& text,
                                                                    size_t at) {
  size_t position = at + 3;  // where the condition group opens
  int depth = 0;
  do {
    depth += text[position] == u'{' ? 1 : text[position] == u'}' ? -1 : 0;
    ++position;
  } while (depth > 0 && position < text.size());
  std::u16string branches[2];
  int branch = 0;
  for (; position < text.size(); ++position) {
    const char16_t c = text[position];
    if (c == u'{') ++depth;
    if (c == u'}' && --depth < 0) return std::make_pair(branches[0], branches[1]);
    if (depth == 0 && c == u'|' && branch == 0) {
      branch = 1;
      continue;
    }
    branches[branch] += c;
  }
  return std::nullopt;
}

// An IF whose chosen branch is empty yields nothing, so the whole group, condition and other
// branch included, stays in the reply for the display engine to discard: both branches carry
// text or a command.
TEST_P(BundledCharacterData, IfGroupsHaveTwoBranches) {
  std::vector<std::pair<std::string, std::string>> texts = {
      {"comment", Definition().ReadValue("comment")}};
  for (const TDictionaryLine& line : DictionaryEntries(Id())) {
    texts.emplace_back(Where(line), ReplyOf(line));
  }
  int groups = 0;
  for (const auto& [where, text] : texts) {
    const std::u16string reply = NormalizeText(ShiftJisToUtf16(text));
    for (size_t at = reply.find(u"{IF{"); at != std::u16string::npos;
         at = reply.find(u"{IF{", at + 1)) {
      const auto branches = IfBranches(reply, at);
      ASSERT_TRUE(branches) << where;
      EXPECT_FALSE(branches->first.empty()) << where << ": " << Utf8(text);
      EXPECT_FALSE(branches->second.empty()) << where << ": " << Utf8(text);
      ++groups;
    }
  }
  EXPECT_GT(groups, 0);
}

TEST_P(BundledCharacterData, PicturesAndSoundsNamedInRepliesExist) {
  // A picture or sound command in a reply, in braces or in brackets for SCRIPTIZE.
  const std::regex command(R"([\{\[](PIC|SETDEFBITMAP|SOUNDA|SOUNDS):([^\}\]]+)[\}\]])");
  std::set<std::string> named;
  for (const TDictionaryLine& line : DictionaryEntries(Id())) {
    const std::string reply = Utf8(ReplyOf(line));
    for (std::sregex_iterator it(reply.begin(), reply.end(), command), end; it != end; ++it) {
      const std::string file = (*it)[2];
      named.insert(file);
      EXPECT_TRUE(std::filesystem::is_regular_file(CharacterFolder(Id()) + file))
          << Where(line) << " names " << file;
    }
  }
  EXPECT_GE(named.size(), 4u);
}

// Each display-speed change in a reply is undone later in the same reply, so that a sleepy line
// never leaves the typing speed (which the settings keep) changed.
TEST_P(BundledCharacterData, SpeedChangesAreUndoneWithinTheReply) {
  for (const TDictionaryLine& line : DictionaryEntries(Id())) {
    const std::string reply = Utf8(NormalizeShiftJis(ReplyOf(line)));
    int slower = 0;
    for (size_t at = reply.find("{SPEED"); at != std::string::npos;
         at = reply.find("{SPEED", at + 1)) {
      slower += reply.compare(at, 11, "{SPEEDFAST}") == 0 ? 1 : -1;
      EXPECT_GE(slower, 0) << Where(line) << ": faster before slower";
    }
    EXPECT_EQ(slower, 0) << Where(line) << ": " << Utf8(ReplyOf(line));
  }
}

// Kind A follow-ups find the question through an invisible marker "{Q:NAME}" in the raw reply.
// Every marker a reply sets must be answered by some follow-up, and every follow-up must listen
// for a marker that some reply sets.
TEST_P(BundledCharacterData, QuestionMarkersAndFollowUpsMatch) {
  const std::regex marker(R"(\{Q:([A-Z_0-9]+)\})");
  std::set<std::string> asked;
  std::vector<const TDictionaryLine*> followUps;
  const std::vector<TDictionaryLine> entries = DictionaryEntries(Id());
  for (const TDictionaryLine& line : entries) {
    const std::string reply = Utf8(ReplyOf(line));
    for (std::sregex_iterator it(reply.begin(), reply.end(), marker), end; it != end; ++it) {
      asked.insert(std::string("{Q:") + std::string((*it)[1]) + "}");
    }
    if (line.Kind == 'A') followUps.push_back(&line);
  }
  std::set<std::string> answered;
  for (const TDictionaryLine* followUp : followUps) {
    TbmRExp context;
    context.SetPattern(ExpandDigitShorthand(NormalizeShiftJis(followUp->Fields[0])));
    bool listens = false;
    for (const std::string& question : asked) {
      int position = 0, length = 0;
      if (context.Match(question, 1, position, length) > 0) {
        answered.insert(question);
        listens = true;
      }
    }
    EXPECT_TRUE(listens) << Where(*followUp) << " follows no question";
  }
  for (const std::string& question : asked) {
    EXPECT_TRUE(answered.count(question)) << question << " has no follow-up";
  }
}

TEST_P(BundledCharacterData, PettingMenuOffersAtLeastSixActions) {
  const auto actions = PettingActions(Id());
  EXPECT_GE(actions.size(), 6u);
  std::set<std::string> texts;
  for (const auto& [label, text] : actions) {
    EXPECT_FALSE(label.empty());
    EXPECT_TRUE(texts.insert(text).second) << "two actions send " << Utf8(text);
  }
}

TEST(BundledCharacterFiles, AkarisSecretsAreStoredScrambled) {
  std::vector<std::string> lines = LoadLines(CharacterFolder("akari") + "himitsu.txt");
  ASSERT_TRUE(IsScrambled(lines));
  EXPECT_EQ(ReadFileKey(lines), Sjis("灯のひみつ"));
  UnscrambleIfNeeded(lines);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(Utf8(lines[0]).rfind("■", 0), 0u) << Utf8(lines[0]);
  int riddles = 0;
  for (const TDictionaryLine& line : DictionaryEntries("akari")) {
    if (line.File == "himitsu.txt" && Utf8(line.Fields[0]).find("なぞなぞ") == 0) ++riddles;
  }
  EXPECT_EQ(riddles, 10);
}

// --- Pictures ---------------------------------------------------------------------------------

struct TPicture {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Rgb;  // top row first
  std::array<uint8_t, 3> Pixel(int x, int y) const {
    const size_t at = (size_t(y) * Width + x) * 3;
    return {Rgb[at], Rgb[at + 1], Rgb[at + 2]};
  }
};

uint32_t LittleEndian(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | uint8_t(bytes[at + i]);
  return value;
}

// A 24-bit uncompressed bottom-up BMP, as the program's picture loader expects it.
TPicture ReadBmp(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  TPicture picture;
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return picture;
  if (LittleEndian(bytes, 28, 2) != 24 || LittleEndian(bytes, 30, 4) != 0) return picture;
  const int width = int(LittleEndian(bytes, 18, 4));
  const int height = int(LittleEndian(bytes, 22, 4));
  const size_t offset = LittleEndian(bytes, 10, 4);
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  if (width <= 0 || height <= 0 || offset + stride * height > bytes.size()) return picture;
  picture.Width = width;
  picture.Height = height;
  for (int y = 0; y < height; ++y) {
    const size_t row = offset + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      for (int c = 2; c >= 0; --c) picture.Rgb.push_back(uint8_t(bytes[row + x * 3 + c]));
    }
  }
  return picture;
}

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Escape;
};

TPicture ReadJpeg(const std::string& path) {
  TPicture picture;
  const std::string bytes = ReadFileBytes(path);
  jpeg_decompress_struct decoder;
  TJpegError error;
  decoder.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = [](j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Escape, 1);
  };
  if (setjmp(error.Escape)) {
    jpeg_destroy_decompress(&decoder);
    return TPicture{};
  }
  jpeg_create_decompress(&decoder);
  jpeg_mem_src(&decoder, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&decoder, TRUE);
  decoder.out_color_space = JCS_RGB;
  jpeg_start_decompress(&decoder);
  picture.Width = int(decoder.output_width);
  picture.Height = int(decoder.output_height);
  picture.Rgb.resize(size_t(picture.Width) * picture.Height * 3);
  while (decoder.output_scanline < decoder.output_height) {
    JSAMPROW row = &picture.Rgb[size_t(decoder.output_scanline) * picture.Width * 3];
    jpeg_read_scanlines(&decoder, &row, 1);
  }
  jpeg_finish_decompress(&decoder);
  jpeg_destroy_decompress(&decoder);
  return picture;
}

TPicture ReadPng(const std::string& path) {
  TPicture picture;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return picture;
  picture.Width = int(image.width);
  picture.Height = int(image.height);
  picture.Rgb = std::move(rgb);
  return picture;
}

TPicture ReadPicture(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  if (extension == ".jpg") return ReadJpeg(path);
  if (extension == ".png") return ReadPng(path);
  return ReadBmp(path);
}

TEST_P(BundledCharacterData, PicturesDecodeAndFillThePictureArea) {
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CharacterFolder(Id()))) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    if (extension != ".bmp" && extension != ".jpg" && extension != ".png") continue;
    if (name.rfind("balloon", 0) == 0) continue;
    const TPicture picture = ReadPicture(entry.path().string());
    EXPECT_EQ(picture.Width, 200) << name;
    EXPECT_EQ(picture.Height, 200) << name;
    ++pictures;
  }
  EXPECT_GE(pictures, 4);
}

TEST(BundledCharacterFiles, AkariHasFourBitmapsAJpegAndAPng) {
  std::map<std::string, int> extensions;
  for (const auto& entry : std::filesystem::directory_iterator(CharacterFolder("akari"))) {
    ++extensions[entry.path().extension().string()];
  }
  EXPECT_GE(extensions[".bmp"], 4);
  EXPECT_GE(extensions[".jpg"], 1);
  EXPECT_GE(extensions[".png"], 1);
  // The three formats are drawn from the same scene, so a decoded JPEG is close to the drawing.
  const TPicture jpeg = ReadJpeg(CharacterFolder("akari") + "nemui.jpg");
  ASSERT_EQ(jpeg.Width, 200);
  const auto sky = jpeg.Pixel(100, 4);
  EXPECT_LT(sky[0] + sky[1] + sky[2], 3 * 80) << "the sleepy picture is a night scene";
}

// The program turns every pixel of the bottom-left pixel's colour into the window background; in
// a colour-keyed picture that colour is the whole background and appears in no drawn part.
void ExpectColourKeyed(const TPicture& picture, const std::string& name) {
  ASSERT_GT(picture.Width, 0) << name;
  const auto key = picture.Pixel(0, picture.Height - 1);
  EXPECT_EQ(picture.Pixel(0, 0), key) << name;
  EXPECT_EQ(picture.Pixel(picture.Width - 1, 0), key) << name;
  EXPECT_NE(picture.Pixel(picture.Width / 2, picture.Height / 2), key) << name;
}

TEST(BundledCharacterFiles, MugisBalloonsAre350By200WithAKeyColour) {
  const TCharacterFile definition(ProgramFolder() + "mugi.klc");
  EXPECT_TRUE(TextToBool(definition.ReadValue("originalballoon")));
  EXPECT_TRUE(TextToBool(definition.ReadValue("transparentballoon")));
  for (const char* key : {"balloonchar", "balloonuser"}) {
    const std::string name = definition.ReadValue(key);
    const TPicture balloon = ReadBmp(CharacterFolder("mugi") + name);
    EXPECT_EQ(balloon.Width, 350) << name;
    EXPECT_EQ(balloon.Height, 200) << name;
    ExpectColourKeyed(balloon, name);
  }
}

TEST(BundledCharacterFiles, MugisPicturesAreColourKeyed) {
  EXPECT_TRUE(
      TextToBool(TCharacterFile(ProgramFolder() + "mugi.klc").ReadValue("transparentbitmap")));
  for (const char* name : {"futsuu.bmp", "niyari.bmp", "okori.bmp", "bikkuri.bmp", "nemui.bmp"}) {
    ExpectColourKeyed(ReadBmp(CharacterFolder("mugi") + name), name);
  }
}

// --- Sounds -----------------------------------------------------------------------------------

TEST(BundledCharacterFiles, SoundsAreShortPcmWaves) {
  for (const std::string& path :
       {CharacterFolder("akari") + "chime.wav", CharacterFolder("mugi") + "suzu.wav"}) {
    const std::string bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 44u) << path;
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(LittleEndian(bytes, 20, 2), 1u) << "PCM";
    const uint32_t bytesPerSecond = LittleEndian(bytes, 28, 4);
    ASSERT_EQ(bytes.substr(36, 4), "data");
    const double seconds = double(LittleEndian(bytes, 40, 4)) / bytesPerSecond;
    EXPECT_GT(seconds, 0.2) << path;
    EXPECT_LT(seconds, 2.0) << path;
  }
}

}  // namespace
}  // namespace kelmo::testing
