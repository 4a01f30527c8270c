// Character readers: code page mapping, lead-byte tests and the four reader classes.
#include "regex/char_reader.h"

#include <stdexcept>

namespace kelmo {

uint8_t bmccDefaultCharCode = bmccSJIS;

namespace {

// Windows code pages that have a reader.
constexpr int kCodePageShiftJis = 932;
constexpr int kCodePageUtf16 = 1200;
constexpr int kCodePageWestern = 1252;

// Escape digit limits: multi-byte and UTF-16 texts, then single-byte text.
constexpr int kMaxHexDigits = 4;
constexpr int kMaxOctalDigits = 6;
constexpr int kMaxEscapeValue = 0xFFFF;
constexpr int kMaxSingleByteHexDigits = 2;
constexpr int kMaxSingleByteOctalDigits = 3;
constexpr int kMaxSingleByteEscapeValue = 0xFF;

constexpr TbmLeadByteTable MakeLeadByteTable(uint8_t charCode) {
  TbmLeadByteTable table{};
  for (int byte = 0; byte < 256; ++byte) {
    if (charCode == bmccSJIS) {
      table[byte] = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    } else if (charCode == bmccEUC) {
      table[byte] = byte == 0x8E || (byte >= 0xA1 && byte <= 0xFE);
    }
  }
  return table;
}

constexpr TbmLeadByteTable kShiftJisLeadBytes = MakeLeadByteTable(bmccSJIS);
constexpr TbmLeadByteTable kEucLeadBytes = MakeLeadByteTable(bmccEUC);
constexpr TbmLeadByteTable kNoLeadBytes{};

bool IsShiftJisLead(uint8_t byte) {
  return kShiftJisLeadBytes[byte];
}
bool IsEucLead(uint8_t byte) {
  return kEucLeadBytes[byte];
}
bool IsNeverLead(uint8_t) {
  return false;
}

int DigitValue(int character, int radix) {
  int value = -1;
  if (character >= '0' && character <= '9') {
    value = character - '0';
  } else if (character >= 'A' && character <= 'F') {
    value = character - 'A' + 10;
  } else if (character >= 'a' && character <= 'f') {
    value = character - 'a' + 10;
  }
  return value < radix ? value : -1;
}

}  // namespace

uint8_t bmccCodePage2CharCode(int codePage) {
  switch (codePage) {
    case kCodePageShiftJis:
      return bmccSJIS;
    case kCodePageUtf16:
      return bmccUnicode;
    case kCodePageWestern:
      return bmccSBCS;
  }
  throw std::runtime_error("bmccCodePage2CharCode: unknown code page");
}

TbmIsLeadByteFunc bmccGetIsLeadByteFunc(uint8_t charCode) {
  switch (charCode) {
    case bmccSJIS:
      return IsShiftJisLead;
    case bmccEUC:
      return IsEucLead;
    case bmccSBCS:
      return IsNeverLead;
  }
  throw std::runtime_error("bmccGetIsLeadByteFunc: invalid argument");
}

const TbmLeadByteTable& LeadByteTable(uint8_t charCode) {
  if (charCode == bmccSJIS) return kShiftJisLeadBytes;
  if (charCode == bmccEUC) return kEucLeadBytes;
  return kNoLeadBytes;
}

// --- TbmWchReader ---

std::string TbmWchReader::GetText() const {
  if (length_ == 0) return std::string();
  return std::string(reinterpret_cast<const char*>(bytes_), length_);
}

void TbmWchReader::SetText(const std::string& text) {
  std::string kept = text;
  SetTextBuff(kept.data(), static_cast<int>(kept.size()));
  kept_ = std::move(kept);  // the buffer of a moved string stays where it is
  bytes_ = reinterpret_cast<const uint8_t*>(kept_.data());
}

void TbmWchReader::SetTextBuff(const char* buffer, int byteLength) {
  bytes_ = reinterpret_cast<const uint8_t*>(buffer);
  length_ = byteLength > 0 ? byteLength : 0;
  position_ = 0;
}

int TbmWchReader::ReadDigits(int radix, int maxDigits, int maxValue) {
  int value = -1;
  for (int digits = 0;; ++digits) {
    const int character = ReadChar();
    const int digit = digits < maxDigits ? DigitValue(character, radix) : -1;
    const int extended = (value < 0 ? 0 : value) * radix + digit;
    if (digit < 0 || extended > maxValue) {
      UnreadChar();
      return value;
    }
    value = extended;
  }
}

int TbmWchReader::ReadHex() {
  return ReadDigits(16, kMaxHexDigits, kMaxEscapeValue);
}

int TbmWchReader::ReadOctal() {
  return ReadDigits(8, kMaxOctalDigits, kMaxEscapeValue);
}

int TbmWchReader::ReadEscape() {
  const int character = ReadChar();
  switch (character) {
    case 'a':
      return 7;
    case 'b':
      return 8;
    case 'f':
      return 12;
    case 'n':
      return 10;
    case 'r':
      return 13;
    case 't':
      return 9;
    case 'v':
      return 11;
    case 'x':
      return ReadHex();
  }
  if (character >= '0' && character <= '7') {
    UnreadChar();
    return ReadOctal();
  }
  return character;
}

std::string TbmWchReader::ReadUnescaped() {
  std::string result;
  for (int character = ReadChar(); character != kEndOfText; character = ReadChar()) {
    if (character == '\\') {
      character = ReadEscape();
      if (character == kEndOfText) break;
    }
    result += CharToStr(character);
  }
  return result;
}

std::string TbmWchReader::CharToStr(int value) const {
  std::string bytes;
  if (value > 0xFF) bytes += static_cast<char>((value >> 8) & 0xFF);
  bytes += static_cast<char>(value & 0xFF);
  return bytes;
}

std::string TbmWchReader::CharToEscStr(int value) const {
  static constexpr char kLetters[] = "abtnvfr";  // escapes of the values 7 to 13
  if (value >= 7 && value <= 13) return std::string{'\\', kLetters[value - 7]};
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string digits;
  for (unsigned rest = static_cast<unsigned>(value); rest != 0 || digits.size() < 2; rest >>= 4) {
    digits.insert(digits.begin(), kHexDigits[rest & 0xF]);
  }
  return "\\x" + digits;
}

// --- TbmMBCSReader ---

TbmMBCSReader::TbmMBCSReader(uint8_t charCode)
    : TbmWchReader(charCode), leadBytes_(LeadByteTable(charCode)) {
  SetText(std::string());
}

int TbmMBCSReader::ReadChar() {
  const TbmDecodedChar decoded = DecodeMultiByteChar(bytes_, length_, position_, leadBytes_);
  position_ = decoded.next;
  return decoded.value;
}

bool TbmMBCSReader::UnreadChar() {
  if (position_ <= 0) return false;
  position_ -= PreviousMultiByteCharLength(bytes_, length_, position_, leadBytes_);
  return true;
}

int TbmMBCSReader::GetCharIndex() const {
  int count = 0;
  for (int index = 0; index < position_; ++count) {
    const uint8_t byte = ByteAt(index);
    if (byte == 0) return -1;
    if (leadBytes_[byte]) {
      if (ByteAt(index + 1) == 0) return -1;
      index += 2;
    } else {
      index += 1;
    }
  }
  return count;
}

// --- TbmSBCSReader ---

TbmSBCSReader::TbmSBCSReader() : TbmMBCSReader(bmccSBCS) {}

int TbmSBCSReader::GetCharIndex() const {
  return position_;
}

int TbmSBCSReader::ReadHex() {
  return ReadDigits(16, kMaxSingleByteHexDigits, kMaxSingleByteEscapeValue);
}

int TbmSBCSReader::ReadOctal() {
  return ReadDigits(8, kMaxSingleByteOctalDigits, kMaxSingleByteEscapeValue);
}

// --- TbmUniCodeReader ---

TbmUniCodeReader::TbmUniCodeReader() : TbmWchReader(bmccUnicode) {}

void TbmUniCodeReader::SetTextBuff(const char* buffer, int byteLength) {
  if (byteLength % 2 != 0) {
    throw std::runtime_error("TbmUniCodeReader.SetTextBuff: ByteLength must be even.");
  }
  TbmWchReader::SetTextBuff(buffer, byteLength);
}

int TbmUniCodeReader::ReadChar() {
  const TbmDecodedChar decoded = DecodeUtf16Char(bytes_, length_, position_);
  position_ = decoded.next;
  return decoded.value;
}

bool TbmUniCodeReader::UnreadChar() {
  if (position_ <= 0) return false;
  position_ -= 2;
  return true;
}

int TbmUniCodeReader::GetCharIndex() const {
  return position_ / 2;
}

std::string TbmUniCodeReader::CharToStr(int value) const {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string TbmUniCodeReader::CharToEscStr(int value) const {
  std::string result;
  for (const char character : TbmWchReader::CharToEscStr(value)) {
    result += CharToStr(static_cast<uint8_t>(character));
  }
  return result;
}

std::unique_ptr<TbmWchReader> CreateReader(uint8_t charCode) {
  switch (charCode) {
    case bmccSJIS:
    case bmccEUC:
      return std::make_unique<TbmMBCSReader>(charCode);
    case bmccSBCS:
      return std::make_unique<TbmSBCSReader>();
    case bmccUnicode:
      return std::make_unique<TbmUniCodeReader>();
  }
  return nullptr;
}

}  // namespace kelmo
