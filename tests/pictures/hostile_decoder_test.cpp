// Hostile image decoders in a character's folder, run as the program runs them: through the batch
// runner, so through the controller, the picture set and the decoder helper. Whatever a decoder
// does, the picture costs at most that picture, the error log names the decoder and what it did,
// and the program answers the next line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "picture_files.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"
#include "lint/character_linter.h"
#include "tty/batch_runner.h"

namespace kelmo::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Json = nlohmann::json;

struct THostileDecoder {
  const char* Name;    // the test decoder (decoders/echo_decoder.c built with that behaviour)
  const char* Logged;  // what the error log says the decoder did; "" for nothing
  bool Decodes;        // the picture is shown all the same
};
void PrintTo(const THostileDecoder& test, std::ostream* out) {
  *out << test.Name;
}

class HostileDecoderTest : public ::testing::TestWithParam<THostileDecoder> {
 protected:
  HostileDecoderTest() {
    home_.Write("Kelmo.ini",
                "[User]\r\nUser=Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03\r\n");
    // The program folder is where a program outside the build and install layouts finds its
    // helper.
    std::filesystem::copy_file(KELMO_DECODER_HELPER, home_.Path() + "dorrinkelmo-decoder");
  }

  // Runs the lines through a character whose picture needs the decoder; the batch records.
  std::vector<Json> Run(const std::string& decoder, const std::string& lines) {
    std::filesystem::create_directories(home_.Path() + "kit");
    std::filesystem::copy_file(std::string(KELMO_TEST_DECODER_DIR) + decoder + ".spi",
                               DecoderPath(decoder));
    home_.Write("kit/face.echo",
                EchoFile('*', 0, DibInfo(1, 1, 24), std::string("\x10\x20\x30\0", 4)));
    const std::string kit = WriteCharacter(
        home_, "kit", "Kit", {{"go", "{PIC:face.echo}shown"}, {"next", "still here"}});
    std::istringstream in(lines);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunBatch({home_.Path(), "dorrinkelmo", kit, std::nullopt}, in, out, err), 0)
        << err.str();
    std::vector<Json> records;
    std::istringstream outLines(out.str());
    for (std::string line; std::getline(outLines, line);) records.push_back(Json::parse(line));
    return records;
  }

  std::string DecoderPath(const std::string& decoder) const {
    return home_.Path() + "kit/" + decoder + ".spi";
  }

  TempFolder home_;
};

// The records of one event, in order.
std::vector<Json> Events(const std::vector<Json>& records, const std::string& event) {
  std::vector<Json> found;
  for (const Json& record : records) {
    if (record["event"] == event) found.push_back(record);
  }
  return found;
}

TEST_P(HostileDecoderTest, CostsAtMostThePictureAndTheNextLineIsAnswered) {
  const THostileDecoder& hostile = GetParam();
  const std::vector<Json> records = Run(hostile.Name, "go\nnext\ngo\n");

  const std::vector<Json> replies = Events(records, "reply");
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[1]["reply"], "still here");
  const std::vector<Json> pictures = Events(records, "picture");
  ASSERT_EQ(pictures.size(), 2u);  // both times: a decoder that broke the helper is run again
  for (const Json& picture : pictures) EXPECT_EQ(picture["ok"], hostile.Decodes) << picture;

  const std::string errorLog = home_.Read("KelmoErr.log");
  const std::string face = home_.Path() + "kit/face.echo";
  if (hostile.Decodes) {
    EXPECT_THAT(errorLog, Not(HasSubstr("invalid bitmap")));
  } else {
    EXPECT_THAT(errorLog, HasSubstr(face + " is invalid bitmap."));
  }
  if (*hostile.Logged == '\0') {
    EXPECT_THAT(errorLog, Not(HasSubstr(DecoderPath(hostile.Name))));
  } else {
    EXPECT_THAT(errorLog, HasSubstr(DecoderPath(hostile.Name) + " " + hostile.Logged));
    EXPECT_THAT(errorLog, HasSubstr("while decoding " + face));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Behaviours, HostileDecoderTest,
    ::testing::Values(
        THostileDecoder{"echo", "", true},
        THostileDecoder{"crashes", "crashed with signal 11", false},
        THostileDecoder{"hangs", "did not answer within 3000 ms", false},
        THostileDecoder{"junk_pointers", "crashed with signal 11", false},
        THostileDecoder{"oversized", "returned blocks that are not the picture", false},
        THostileDecoder{"exhausts_memory", "crashed with signal 11", false},
        THostileDecoder{"prints", "", true},
        THostileDecoder{"forks", "was stopped for trying", false},
        THostileDecoder{"writes_file", "was stopped for trying", false},
        THostileDecoder{"kills_program", "was stopped for trying", false},
        THostileDecoder{"connects", "was stopped for trying", false},
        // Its blocks abort free() after the answer: the picture shows, the helper is replaced.
        THostileDecoder{"shares_block", "", true}),
    [](const auto& info) { return std::string(info.param.Name); });

// A decoder whose library crashes as it is loaded takes the helper down before any picture: the
// helper is named, and the pictures that need no decoder still load.
TEST_F(HostileDecoderTest, ALibraryThatCrashesWhenLoadedCostsOnlyItsPictures) {
  const std::vector<Json> records = Run("crashes_on_load", "go\nnext\n");
  EXPECT_EQ(Events(records, "reply").size(), 2u);
  const std::vector<Json> pictures = Events(records, "picture");
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0]["ok"], false);
  EXPECT_THAT(home_.Read("KelmoErr.log"),
              HasSubstr("The decoder helper " + home_.Path() + "dorrinkelmo-decoder crashed"));
}

// The linter never runs a character's own decoders (the program folder's do run, in the helper):
// it names the picture only such a decoder could read, and leaves the error log alone.
TEST_F(HostileDecoderTest, TheLinterRunsNoDecoderOfTheCharacter) {
  std::filesystem::create_directories(home_.Path() + "kit");
  std::filesystem::copy_file(std::string(KELMO_TEST_DECODER_DIR) + "echo_b.spi",
                             home_.Path() + "kit/own.spi");
  std::filesystem::create_directories(home_.Path() + "SPIs");
  std::filesystem::copy_file(std::string(KELMO_TEST_DECODER_DIR) + "echo_a.spi",
                             home_.Path() + "SPIs/global.spi");
  const std::string pixel("\x10\x20\x30\0", 4);
  home_.Write("kit/own.echo", EchoFile('B', 0, DibInfo(1, 1, 24), pixel));
  home_.Write("kit/global.echo", EchoFile('A', 0, DibInfo(1, 1, 24), pixel));
  const std::string kit = WriteCharacter(
      home_, "kit", "Kit", {{"a", "{PIC:own.echo}"}, {"b", "{PIC:global.echo}"}});

  std::ostringstream out;
  RunLint({home_.Path(), kit}, true, out);
  std::vector<Json> pictureFindings;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    const Json finding = Json::parse(line);
    if (finding.value("check", "") == "picture") pictureFindings.push_back(finding);
  }
  ASSERT_EQ(pictureFindings.size(), 1u) << out.str();
  const std::string message = pictureFindings[0]["message"];
  EXPECT_THAT(message, HasSubstr("own.echo"));
  EXPECT_THAT(message, HasSubstr("人格のフォルダーにある画像デコーダーだけ"));
  EXPECT_EQ(home_.Read("KelmoErr.log"), "");
}

}  // namespace
}  // namespace kelmo::testing
