// Report text for a terminal: control characters and malformed UTF-8 are escaped, everything else
// is kept byte for byte.
#include "lint/terminal_text.h"

#include <gtest/gtest.h>

namespace kelmo::testing {
namespace {

struct TTerminalCase {
  const char* Name;
  std::string_view Text;
  std::string_view Shown;
};

class TerminalTextCase : public ::testing::TestWithParam<TTerminalCase> {};

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Texts, TerminalTextCase,
    ::testing::Values(TTerminalCase{"PlainAndJapanese", "abc あかり 😊\t!", "abc あかり 😊\t!"},
                      TTerminalCase{"Escape", "\x1B[2Jx", "{0x1B}[2Jx"},
                      TTerminalCase{"NulAndBreaks", "a\0b\r\n"sv, "a{0x00}b{0x0D}{0x0A}"},
                      TTerminalCase{"Delete", "\x7F", "{0x7F}"},
                      TTerminalCase{"C1Csi",
                                    "\xC2\x9B"
                                    "31m",
                                    "{0x9B}31m"},
                      TTerminalCase{"LoneBytes", "\xFF\x9B\xC0\xAF", "{0xFF}{0x9B}{0xC0}{0xAF}"},
                      TTerminalCase{"CutShort", "\xE3\x81", "{0xE3}{0x81}"},
                      TTerminalCase{"Overlong", "\xE0\x80\xAF", "{0xE0}{0x80}{0xAF}"},
                      TTerminalCase{"Surrogate", "\xED\xA0\x80", "{0xED}{0xA0}{0x80}"},
                      TTerminalCase{"BeyondUnicode", "\xF4\x90\x80\x80",
                                    "{0xF4}{0x90}{0x80}{0x80}"},
                      TTerminalCase{"LastCharacter", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
                      TTerminalCase{"NoBreakSpaceKept", "\xC2\xA0", "\xC2\xA0"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(TerminalTextCase, EscapesOnlyWhatATerminalWouldObey) {
  EXPECT_EQ(TerminalText(GetParam().Text), GetParam().Shown);
}

}  // namespace
}  // namespace kelmo::testing
