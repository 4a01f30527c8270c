// Conversion tables are filled from iconv once; after that every conversion is a table walk.
#include "charfile/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "charfile/utf8_sequence.h"

namespace kelmo {
namespace {

// What an undecodable Shift-JIS sequence becomes.
constexpr char16_t kReplacementCharacter = 0xFFFD;
// Marks an empty slot in the tables.
constexpr uint16_t kNoMapping = 0xFFFF;

bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

// Converts one sequence with iconv; returns false when iconv refuses it.
bool ConvertWithIconv(iconv_t converter, const char* input, size_t inputLength, char* output,
                      size_t& outputLength) {
  char* in = const_cast<char*>(input);
  char* out = output;
  size_t inLeft = inputLength;
  size_t outLeft = outputLength;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
    return false;
  }
  outputLength = outputLength - outLeft;
  return true;
}

class ShiftJisTables {
 public:
  static const ShiftJisTables& Get() {
    static const ShiftJisTables tables;
    return tables;
  }

  // Decoded character of a single byte, or kNoMapping.
  uint16_t DecodeSingle(unsigned char byte) const { return single_[byte]; }

  // Decoded character of a lead and trail byte, or kNoMapping.
  uint16_t DecodeDouble(unsigned char lead, unsigned char trail) const {
    return double_[static_cast<size_t>(LeadIndex(lead)) * 256 + trail];
  }

  // Shift-JIS code of a UTF-16 code unit (one byte when below 0x100), or kNoMapping.
  uint16_t Encode(char16_t unit) const { return encode_[unit]; }

 private:
  ShiftJisTables() : double_(kLeadCount * 256, kNoMapping), encode_(0x10000, kNoMapping) {
    iconv_t decoder = iconv_open("UTF-16LE", "CP932");
    iconv_t encoder = iconv_open("CP932", "UTF-16LE");
    if (decoder == reinterpret_cast<iconv_t>(-1) || encoder == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error("iconv does not offer the CP932 converter");
    }
    FillDecodeTables(decoder);
    FillEncodeTable(encoder);
    iconv_close(decoder);
    iconv_close(encoder);
  }

  static constexpr int kLeadCount = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);

  static int LeadIndex(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }

  static uint16_t DecodeOne(iconv_t decoder, const char* bytes, size_t length) {
    char output[8];
    size_t outputLength = sizeof output;
    if (!ConvertWithIconv(decoder, bytes, length, output, outputLength) || outputLength != 2) {
      return kNoMapping;
    }
    return static_cast<uint16_t>(static_cast<unsigned char>(output[0]) |
                                 (static_cast<unsigned char>(output[1]) << 8));
  }

  void FillDecodeTables(iconv_t decoder) {
    single_.fill(kNoMapping);
    for (int byte = 0; byte < 256; ++byte) {
      if (IsShiftJisLeadByte(static_cast<unsigned char>(byte))) continue;
      const char input = static_cast<char>(byte);
      single_[byte] = DecodeOne(decoder, &input, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsShiftJisLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(static_cast<unsigned char>(trail))) continue;
        const char input[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        double_[static_cast<size_t>(LeadIndex(static_cast<unsigned char>(lead))) * 256 + trail] =
            DecodeOne(decoder, input, 2);
      }
    }
  }

  void FillEncodeTable(iconv_t encoder) {
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
      if (unit >= 0xD800 && unit <= 0xDFFF) continue;
      const char input[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      char output[8];
      size_t outputLength = sizeof output;
      if (!ConvertWithIconv(encoder, input, 2, output, outputLength)) continue;
      if (outputLength == 1) {
        encode_[unit] = static_cast<unsigned char>(output[0]);
      } else if (outputLength == 2) {
        encode_[unit] = static_cast<uint16_t>((static_cast<unsigned char>(output[0]) << 8) |
                                              static_cast<unsigned char>(output[1]));
      }
    }
  }

  std::array<uint16_t, 256> single_;
  std::vector<uint16_t> double_;
  std::vector<uint16_t> encode_;
};

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, uint32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (code >> 10));
    out += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
  }
}

}  // namespace

bool IsShiftJisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t ShiftJisCharLength(std::string_view text, size_t index) {
  if (IsShiftJisLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size() &&
      IsTrailByte(static_cast<unsigned char>(text[index + 1]))) {
    return 2;
  }
  return 1;
}

// The two conversions below write through a pointer into a buffer sized for the longest result
// and cut it afterwards: appending a character at a time costs a capacity check each, and these
// run for every line, reply and evaluated group.

std::u16string ShiftJisToUtf16(std::string_view text) {
  const ShiftJisTables& tables = ShiftJisTables::Get();
  std::u16string out(text.size(), u'\0');  // never more characters than bytes
  char16_t* next = out.data();
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      *next++ = static_cast<char16_t>(byte);
      continue;
    }
    if (IsShiftJisLeadByte(byte)) {
      if (ShiftJisCharLength(text, i) == 1) {
        *next++ = kReplacementCharacter;  // no trail byte: the next byte is read on its own
        continue;
      }
      const uint16_t decoded = tables.DecodeDouble(byte, static_cast<unsigned char>(text[++i]));
      *next++ = decoded == kNoMapping ? kReplacementCharacter : static_cast<char16_t>(decoded);
      continue;
    }
    const uint16_t decoded = tables.DecodeSingle(byte);
    *next++ = decoded == kNoMapping ? kReplacementCharacter : static_cast<char16_t>(decoded);
  }
  out.resize(static_cast<size_t>(next - out.data()));
  return out;
}

std::string Utf16ToShiftJis(std::u16string_view text) {
  const ShiftJisTables& tables = ShiftJisTables::Get();
  std::string out(text.size() * 2, '\0');  // never more than two bytes a code unit
  char* next = out.data();
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80) {
      *next++ = static_cast<char>(unit);
      continue;
    }
    if (IsHighSurrogate(unit)) {
      if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;  // the pair is one character
      next = std::copy(kGetaMark.begin(), kGetaMark.end(), next);
      continue;
    }
    const uint16_t code = tables.Encode(unit);
    if (code == kNoMapping) {
      next = std::copy(kGetaMark.begin(), kGetaMark.end(), next);
    } else if (code < 0x100) {
      *next++ = static_cast<char>(code);
    } else {
      *next++ = static_cast<char>(code >> 8);
      *next++ = static_cast<char>(code & 0xFF);
    }
  }
  out.resize(static_cast<size_t>(next - out.data()));
  return out;
}

std::string UnrepresentableCharacters(std::u16string_view text) {
  const ShiftJisTables& tables = ShiftJisTables::Get();
  std::string characters;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      characters += Utf16ToUtf8(text.substr(i, 2));
      ++i;
    } else if (unit >= 0x80 && (IsHighSurrogate(unit) || tables.Encode(unit) == kNoMapping)) {
      characters += Utf16ToUtf8(text.substr(i, 1));
    }
  }
  return characters;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8Sequence(text, i, code);
    if (length == 0) {
      out += kReplacementCharacter;
      ++i;
    } else {
      AppendUtf16(out, code);
      i += length;
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacementCharacter);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8Sequence(text, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string ShiftJisToUtf8(std::string_view text) { return Utf16ToUtf8(ShiftJisToUtf16(text)); }

std::string Utf8ToShiftJis(std::string_view text) { return Utf16ToShiftJis(Utf8ToUtf16(text)); }

std::vector<std::string> ShiftJisLinesToUtf8(const std::vector<std::string>& lines) {
  std::vector<std::string> converted;
  converted.reserve(lines.size());
  for (const std::string& line : lines) converted.push_back(ShiftJisToUtf8(line));
  return converted;
}

}  // namespace kelmo
