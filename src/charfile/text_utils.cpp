// The normalisation table is kept as the literal list of 121 pairs it is defined by; a lookup
// array over the whole UTF-16 range is built from it once.
#include "charfile/text_utils.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_file.h"

namespace kelmo {
namespace {

struct NormalizationPair {
  char16_t source;
  char16_t result;
};

// The normalisation table in its defined order: small letters, full-width digits, ideographic
// space, full-width capitals, full-width small letters, then the 32 punctuation sources.
constexpr std::array<NormalizationPair, 121> BuildNormalizationTable() {
  std::array<NormalizationPair, 121> table{};
  size_t k = 0;
  for (char16_t c = u'a'; c <= u'z'; ++c) table[k++] = {c, static_cast<char16_t>(c - 0x20)};
  for (char16_t c = 0xFF10; c <= 0xFF19; ++c) table[k++] = {c, static_cast<char16_t>(c - 0xFF10 + u'0')};
  table[k++] = {0x3000, u' '};
  for (char16_t c = 0xFF21; c <= 0xFF3A; ++c) table[k++] = {c, static_cast<char16_t>(c - 0xFF21 + u'A')};
  for (char16_t c = 0xFF41; c <= 0xFF5A; ++c) table[k++] = {c, static_cast<char16_t>(c - 0xFF41 + u'A')};
  // Full-width forms of the ASCII punctuation, in ASCII order; four of them have other sources.
  constexpr char16_t kPunctuation[] = u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
  for (size_t i = 0; i < 32; ++i) {
    const char16_t ascii = kPunctuation[i];
    char16_t source = static_cast<char16_t>(ascii - 0x21 + 0xFF01);
    if (ascii == u'"') source = 0x201D;   // right double quotation mark
    if (ascii == u'\'') source = 0x2019;  // right single quotation mark
    if (ascii == u'\\') source = 0xFFE5;  // full-width yen sign
    if (ascii == u'~') source = 0xFFE3;   // full-width macron
    table[k++] = {source, ascii};
  }
  return table;
}

constexpr std::array<NormalizationPair, 121> kNormalizationTable = BuildNormalizationTable();

class NormalizationMap {
 public:
  static const NormalizationMap& Get() {
    static const NormalizationMap map;
    return map;
  }
  char16_t operator()(char16_t c) const { return map_[c]; }

 private:
  NormalizationMap() {
    for (size_t c = 0; c < map_.size(); ++c) map_[c] = static_cast<char16_t>(c);
    for (const NormalizationPair& pair : kNormalizationTable) map_[pair.source] = pair.result;
  }
  std::array<char16_t, 0x10000> map_;
};

// Walks 8-bit text character by character and gives the byte offset of the first character equal
// to separator, or npos.
size_t FindSeparator(std::string_view text, std::string_view separator) {
  if (separator.empty()) return std::string_view::npos;
  for (size_t i = 0; i < text.size();) {
    const size_t length = ShiftJisCharLength(text, i);
    if (text.substr(i, length) == separator) return i;
    i += length;
  }
  return std::string_view::npos;
}

bool IsSingleCharacter(std::string_view separator) {
  return !separator.empty() && ShiftJisCharLength(separator, 0) == separator.size();
}

bool IsBlankOrControl(unsigned char byte) { return byte >= 1 && byte <= 32; }

}  // namespace

namespace {
void NormalizeInPlace(std::u16string& text) {
  const NormalizationMap& map = NormalizationMap::Get();
  for (char16_t& c : text) c = map(c);
}
}  // namespace

std::u16string NormalizeText(std::u16string_view text) {
  std::u16string out(text);
  NormalizeInPlace(out);
  return out;
}

char16_t NormalizeCharacter(char16_t c) {
  return NormalizationMap::Get()(c);
}

void AppendNormalized(std::u16string& out, std::u16string_view text) {
  const NormalizationMap& map = NormalizationMap::Get();
  const size_t start = out.size();
  out.resize(start + text.size());
  for (size_t i = 0; i < text.size(); ++i) out[start + i] = map(text[i]);
}

std::string NormalizeShiftJis(std::string_view text) {
  std::u16string wide = ShiftJisToUtf16(text);
  NormalizeInPlace(wide);
  return Utf16ToShiftJis(wide);
}

bool TextToBool(std::string_view text) {
  if (NormalizeText(ShiftJisToUtf16(text)) == u"TRUE") return true;
  std::string_view digits = text;
  if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
  if (digits.empty() || digits[0] < '0' || digits[0] > '9') return false;
  // from_chars takes a leading "-" but not "+", so the sign is read here.
  int64_t magnitude = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  const int64_t value = text[0] == '-' ? -magnitude : magnitude;
  return value >= INT32_MIN && value <= INT32_MAX && value != 0;
}

std::string BoolToText(bool value) { return value ? "True" : "False"; }

std::u16string StripBraces(std::u16string_view text) {
  std::u16string out;
  int depth = 0;
  for (const char16_t c : text) {
    if (c == u'{') {
      ++depth;
    } else if (c == u'}') {
      --depth;
    } else if (depth < 1) {
      out += c;
    }
  }
  return out;
}

namespace {
std::string ChangeAsciiCase(std::string_view text, char from, char to) {
  std::string out(text);
  for (size_t i = 0; i < out.size();) {
    const size_t length = ShiftJisCharLength(out, i);
    if (length == 1 && out[i] >= from && out[i] <= from + 25) out[i] = static_cast<char>(out[i] - from + to);
    i += length;
  }
  return out;
}
}  // namespace

std::string AsciiLowerCase(std::string_view text) { return ChangeAsciiCase(text, 'A', 'a'); }

std::string AsciiUpperCase(std::string_view text) { return ChangeAsciiCase(text, 'a', 'A'); }

std::string RemoveLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  size_t start = 0;
  for (size_t found = text.find(from); found != std::string_view::npos;
       found = text.find(from, start)) {
    result.append(text.substr(start, found - start)).append(to);
    start = found + from.size();
  }
  result.append(text.substr(start));
  return result;
}

// "%" and "&" cannot be the trail byte of a double-byte character, so a byte walk never splits one.
std::string EscapeParam(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '%') {
      out += "%25";
    } else if (c == '&') {
      out += "%26";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ExpandDigitShorthand(std::string_view text) {
  constexpr std::string_view kDigitClass = "[0-9]";
  std::string expanded;
  expanded.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = ShiftJisCharLength(text, i);
    if (text[i] == '#') {
      expanded += kDigitClass;
    } else {
      expanded.append(text.substr(i, length));
    }
    i += length;
  }
  std::string out;
  out.reserve(expanded.size());
  const std::string_view source = expanded;
  for (size_t i = 0; i < source.size();) {
    if (source[i] == '\\' && source.substr(i + 1, kDigitClass.size()) == kDigitClass) {
      out += '#';
      i += 1 + kDigitClass.size();
      continue;
    }
    const size_t length = ShiftJisCharLength(source, i);
    out.append(source.substr(i, length));
    i += length;
  }
  return out;
}

int CountFields(std::string_view text, std::string_view separator) {
  if (text.empty()) return 0;
  if (!IsSingleCharacter(separator)) return 1;
  int count = 1;
  for (size_t i = 0; i < text.size();) {
    const size_t length = ShiftJisCharLength(text, i);
    if (text.substr(i, length) == separator) ++count;
    i += length;
  }
  return count;
}

std::string CutField(std::string& text, std::string_view separator) {
  const size_t position = IsSingleCharacter(separator) ? FindSeparator(text, separator)
                                                       : std::string_view::npos;
  if (position == std::string_view::npos) {
    std::string field = std::move(text);
    text.clear();
    return field;
  }
  std::string field = text.substr(0, position);
  text.erase(0, position + separator.size());
  return field;
}

std::string ExtractField(std::string_view text, std::string_view separator, int index) {
  if (index < 0 || index >= CountFields(text, separator)) return {};
  std::string rest(text);
  std::string field;
  for (int i = 0; i <= index; ++i) field = CutField(rest, separator);
  return field;
}

std::string ReadFirstLineAndDelete(const std::string& path) {
  if (!DataFileExists(path)) return {};
  const std::string bytes = ReadFileBytes(path);
  try {
    DeleteDataFile(path);
  } catch (const EFileError&) {
    // The answer is still given; the file stays for whoever can remove it.
  }
  return bytes.substr(0, bytes.find_first_of(std::string_view("\r\n\0", 3)));
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  // A NUL byte ends the text.
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> fields;
  size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size() && IsBlankOrControl(static_cast<unsigned char>(text[i]))) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    std::string field;
    if (text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
    } else {
      const size_t start = i;
      while (i < text.size() && static_cast<unsigned char>(text[i]) > 32 && text[i] != ',') ++i;
      field = text.substr(start, i - start);
    }
    fields.push_back(std::move(field));
    skipBlanks();
    if (i < text.size() && text[i] == ',') {
      ++i;
      skipBlanks();
    }
  }
  return fields;
}

}  // namespace kelmo
