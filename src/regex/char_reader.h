// Character readers: the pattern engine's only view of bytes.
//
// A reader turns the bytes of a pattern or a text into character values in one of four encodings,
// the character code: a single byte is its value 0-255, a double-byte character is lead * 256 +
// trail, a UTF-16 unit is its 16-bit value, and the end of the text is -1. Readers also step back
// one character, report byte positions and resolve backslash escapes for the scanner.
//
// `TbmWchReader` is the base of the family and owns the buffer handling; `TbmMBCSReader` reads
// Shift-JIS and Japanese EUC, `TbmSBCSReader` single-byte text, `TbmUniCodeReader` UTF-16.
// Positions are byte offsets kept as integers and every byte access is bounds-checked: reading
// outside the text gives -1, and a lead byte in the last position is read with a trail byte of
// zero (the terminating zero of a byte string), never with a byte beyond the buffer.
//
// The decoding rules live in the inline helpers at the end of this file so that the search can
// run them without virtual calls.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace kelmo {

// Character codes: the encoding of a pattern and of the texts it is matched against.
inline constexpr uint8_t bmccSJIS = 0;     // Shift-JIS (code page 932)
inline constexpr uint8_t bmccEUC = 1;      // Japanese EUC
inline constexpr uint8_t bmccSBCS = 2;     // single-byte text (code page 1252)
inline constexpr uint8_t bmccUnicode = 3;  // UTF-16, little-endian (code page 1200)

// The character value that stands for the end of the text.
inline constexpr int kEndOfText = -1;

// The character code new patterns take. The system code page is 932, so this is Shift-JIS; it is
// the one piece of process-wide state of the engine, assigned (if at all) during start-up.
extern uint8_t bmccDefaultCharCode;

// A lead-byte test: true when the byte begins a double-byte character.
using TbmIsLeadByteFunc = bool (*)(uint8_t byte);

// One lead-byte flag per byte value, the table form of a lead-byte test.
using TbmLeadByteTable = std::array<bool, 256>;

// Maps a Windows code page to a character code: 932 to Shift-JIS, 1200 to UTF-16, 1252 to
// single-byte. Throws std::runtime_error "bmccCodePage2CharCode: unknown code page" otherwise.
uint8_t bmccCodePage2CharCode(int codePage);

// The lead-byte test of a character code (0, 1 or 2; single-byte text has no lead bytes).
// Throws std::runtime_error "bmccGetIsLeadByteFunc: invalid argument" for any other code.
TbmIsLeadByteFunc bmccGetIsLeadByteFunc(uint8_t charCode);

// The lead-byte table of a character code; UTF-16 and codes without a reader have none.
const TbmLeadByteTable& LeadByteTable(uint8_t charCode);

// The abstract reader. It holds the text (kept, or a buffer the caller keeps alive), the read
// position and the character code; the encoding-specific operations are virtual.
class TbmWchReader {
 public:
  explicit TbmWchReader(uint8_t charCode) : charCode_(charCode) {}
  virtual ~TbmWchReader() = default;
  TbmWchReader(const TbmWchReader&) = delete;
  TbmWchReader& operator=(const TbmWchReader&) = delete;

  // The character code fixed at creation.
  uint8_t CharCode() const { return charCode_; }

  // The bytes of the attached text.
  std::string GetText() const;

  // Keeps a copy of `text` and attaches it (as SetTextBuff on the copy).
  void SetText(const std::string& text);

  // Attaches `byteLength` bytes at `buffer`, which the caller keeps alive while reading, and
  // moves to the first byte. The UTF-16 reader rejects an odd length (see there).
  virtual void SetTextBuff(const char* buffer, int byteLength);

  // The read position in bytes from the start of the text.
  int GetPos() const { return position_; }

  // Moves the read position to byte `position`; any value is accepted, reads outside the text
  // give -1.
  void SetPos(int position) { position_ = position; }

  // Moves the read position to the start of the text.
  void Rewind() { position_ = 0; }

  // Reads the next character and moves past it; -1 at or beyond the end (the position still
  // moves, so UnreadChar undoes it).
  virtual int ReadChar() = 0;

  // Steps back over the character that ends at the read position. Returns false, without
  // moving, at the start of the text.
  virtual bool UnreadChar() = 0;

  // The number of characters from the start of the text to the read position.
  virtual int GetCharIndex() const = 0;

  // Reads up to 4 hexadecimal digits (2 for single-byte text) and returns their value, or -1 if
  // there is none; the first character not taken is left unread.
  virtual int ReadHex();

  // Reads up to 6 octal digits (3 for single-byte text), stopping before a digit that would
  // take the value above 0xFFFF (255 for single-byte text); -1 if there is no digit. The
  // character that stopped the reading is left unread.
  virtual int ReadOctal();

  // Reads the character after a backslash and returns the value it stands for: a b f n r t v
  // give 7 8 12 10 13 9 11, x starts ReadHex, an octal digit starts ReadOctal, -1 stays -1 and any
  // other character stands for itself.
  int ReadEscape();

  // Reads to the end of the text, replacing each backslash escape by its value, and returns the
  // result in this reader's encoding; an escape that gives -1 ends the reading.
  std::string ReadUnescaped();

  // The bytes of one character value: high byte first for a double-byte value.
  virtual std::string CharToStr(int value) const;

  // The escape form of one character value: "\a" "\b" "\t" "\n" "\v" "\f" "\r" for 7 to 13,
  // otherwise "\x" and at least two upper-case hexadecimal digits; in this reader's encoding.
  virtual std::string CharToEscStr(int value) const;

 protected:
  // Reads digits of `radix` (8 or 16): at most `maxDigits`, value at most `maxValue`.
  int ReadDigits(int radix, int maxDigits, int maxValue);

  // The byte at `index`, or 0 outside the text.
  uint8_t ByteAt(int index) const { return index >= 0 && index < length_ ? bytes_[index] : 0; }

  const uint8_t* bytes_ = nullptr;  // the attached text
  int length_ = 0;                  // its length in bytes
  int position_ = 0;                // the read position in bytes

 private:
  uint8_t charCode_;
  std::string kept_;  // the text given to SetText
};

// Shift-JIS and Japanese EUC: one byte per character, two after a lead byte.
class TbmMBCSReader : public TbmWchReader {
 public:
  // A reader for `charCode` (bmccSJIS, bmccEUC or bmccSBCS), attached to an empty text.
  explicit TbmMBCSReader(uint8_t charCode);

  int ReadChar() override;
  bool UnreadChar() override;

  // Walks from the start, counting a lead byte and its trail as one character; -1 if the walk
  // meets a zero byte or a lead byte followed by a zero byte.
  int GetCharIndex() const override;

 protected:
  const TbmLeadByteTable& leadBytes_;
};

// Single-byte text: every byte is one character (the multi-byte rules without lead bytes), and
// escapes take fewer digits.
class TbmSBCSReader : public TbmMBCSReader {
 public:
  TbmSBCSReader();

  // The byte count from the start.
  int GetCharIndex() const override;
  int ReadHex() override;
  int ReadOctal() override;
};

// UTF-16, little-endian: every 16-bit unit is one character (surrogate halves included).
class TbmUniCodeReader : public TbmWchReader {
 public:
  // A reader without a text; it reads -1.
  TbmUniCodeReader();

  // As the base, but an odd `byteLength` throws std::runtime_error
  // "TbmUniCodeReader.SetTextBuff: ByteLength must be even." and leaves the reader unchanged.
  void SetTextBuff(const char* buffer, int byteLength) override;

  int ReadChar() override;
  bool UnreadChar() override;
  int GetCharIndex() const override;

  // Two bytes, little-endian.
  std::string CharToStr(int value) const override;

  // The escape form of the base, each of its characters as a UTF-16 unit.
  std::string CharToEscStr(int value) const override;
};

// A new reader for `charCode`, owned by the caller: Shift-JIS and EUC give a TbmMBCSReader,
// single-byte a TbmSBCSReader, UTF-16 a TbmUniCodeReader, any other code nothing.
std::unique_ptr<TbmWchReader> CreateReader(uint8_t charCode);

// --- Decoding rules shared by the readers and the search ---

// A decoded character: its value and the position just after it.
struct TbmDecodedChar {
  int value;
  int next;
};

// The multi-byte (and single-byte) character at byte `position` of `bytes[0..length)`: -1 one
// byte on at or beyond the end (or before the start); a lead byte takes the following byte as
// its trail, zero when it is the last byte.
inline TbmDecodedChar DecodeMultiByteChar(const uint8_t* bytes, int length, int position,
                                          const TbmLeadByteTable& leadBytes) {
  if (position < 0 || position >= length) return {kEndOfText, position + 1};
  const uint8_t lead = bytes[position];
  if (!leadBytes[lead]) return {lead, position + 1};
  const int trail = position + 1 < length ? bytes[position + 1] : 0;
  return {lead * 256 + trail, position + 2};
}

// The byte length (1 or 2) of the multi-byte character that ends at `position` (> 0): the lead
// bytes counted backwards from position - 2 decide, an odd count meaning that the last byte is a
// trail byte. Bytes beyond the end count as zero.
inline int PreviousMultiByteCharLength(const uint8_t* bytes, int length, int position,
                                       const TbmLeadByteTable& leadBytes) {
  int leads = 0;
  for (int index = position - 2; index >= 0; --index) {
    const uint8_t byte = index < length ? bytes[index] : 0;
    if (!leadBytes[byte]) break;
    ++leads;
  }
  return leads % 2 == 1 ? 2 : 1;
}

// The UTF-16 unit at byte `position`: -1, two bytes on, when no whole unit lies there.
inline TbmDecodedChar DecodeUtf16Char(const uint8_t* bytes, int length, int position) {
  if (position < 0 || position > length - 2) return {kEndOfText, position + 2};
  return {bytes[position] | bytes[position + 1] << 8, position + 2};
}

}  // namespace kelmo
