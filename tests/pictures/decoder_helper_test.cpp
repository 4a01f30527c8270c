// The program's side of the decoder helper on its own: one helper serves many pictures, a new one
// comes for a new decoder list or after a crash, a helper that died after its answer is replaced
// without costing the next picture, and a helper that cannot be started costs only the picture.
#include "pictures/decoder_helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "picture_files.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

using TKind = TDecoderIncident::TKind;

std::string TestDecoder(const std::string& name) {
  return std::string(KELMO_TEST_DECODER_DIR) + name + ".spi";
}

class DecoderHelperTest : public ::testing::Test {
 protected:
  DecoderHelperTest() {
    picture_ = folder_.Write("face.echo", EchoFile('*', 0, DibInfo(1, 1, 24),
                                                   std::string("\x10\x20\x30\0", 4)));
  }

  THelperOutcome Decode(const std::vector<std::string>& decoders) {
    const TFileDescriptor file(::open(picture_.c_str(), O_RDONLY | O_CLOEXEC));
    return helper_.Decode(file.Get(), decoders);
  }

  TempFolder folder_;
  std::string picture_;
  TDecoderHelper helper_{{KELMO_DECODER_HELPER}};
};

TEST_F(DecoderHelperTest, OneHelperServesManyPicturesOfOneDecoderList) {
  const std::vector<std::string> decoders = {TestDecoder("failing"), TestDecoder("echo")};
  ASSERT_EQ(Decode(decoders).Reply.End, TReplyEnd::Picture);
  const pid_t first = helper_.ProcessId();
  for (int i = 0; i < 5; ++i) {
    const THelperOutcome outcome = Decode(decoders);
    ASSERT_EQ(outcome.Reply.End, TReplyEnd::Picture);
    EXPECT_EQ(outcome.Reply.Decoder, 1);  // the first fails: the picture passes on
    EXPECT_TRUE(outcome.Incidents.empty());
  }
  EXPECT_EQ(helper_.ProcessId(), first);
  Decode({TestDecoder("echo")});
  EXPECT_NE(helper_.ProcessId(), first);  // another list, another helper
}

TEST_F(DecoderHelperTest, RefusedLibrariesKeepTheirPlaceInTheNumbering) {
  const THelperOutcome outcome = Decode(
      {TestDecoder("archive"), folder_.Path() + "missing.spi", TestDecoder("oversized"),
       TestDecoder("echo")});
  ASSERT_EQ(outcome.Reply.End, TReplyEnd::Picture);
  EXPECT_EQ(outcome.Reply.Decoder, 3);
  ASSERT_EQ(outcome.Incidents.size(), 1u);
  EXPECT_EQ(outcome.Incidents[0].Kind, TKind::Lied);
  EXPECT_EQ(outcome.Incidents[0].Decoder, 2);
}

TEST_F(DecoderHelperTest, ACrashCostsThePictureAndTheNextOneGetsAFreshHelper) {
  const THelperOutcome crashed = Decode({TestDecoder("crashes"), TestDecoder("echo")});
  EXPECT_EQ(crashed.Reply.End, TReplyEnd::Cut);
  ASSERT_EQ(crashed.Incidents.size(), 1u);
  EXPECT_EQ(crashed.Incidents[0].Kind, TKind::Crashed);
  EXPECT_EQ(crashed.Incidents[0].Decoder, 0);
  EXPECT_EQ(crashed.Incidents[0].Detail, SIGSEGV);
  EXPECT_EQ(helper_.ProcessId(), -1);
  EXPECT_EQ(Decode({TestDecoder("echo")}).Reply.End, TReplyEnd::Picture);
}

TEST_F(DecoderHelperTest, AHelperThatDiedAfterItsAnswerIsReplacedWithoutCostingThePicture) {
  const std::vector<std::string> decoders = {TestDecoder("shares_block")};
  for (int i = 0; i < 3; ++i) {
    const THelperOutcome outcome = Decode(decoders);
    EXPECT_EQ(outcome.Reply.End, TReplyEnd::Picture) << i;
    EXPECT_TRUE(outcome.Incidents.empty()) << i;
  }
}

TEST_F(DecoderHelperTest, AHangIsStoppedAtTheTimeLimit) {
  TDecoderHelper helper({KELMO_DECODER_HELPER, std::chrono::milliseconds(300)});
  const TFileDescriptor file(::open(picture_.c_str(), O_RDONLY | O_CLOEXEC));
  const THelperOutcome outcome = helper.Decode(file.Get(), {TestDecoder("hangs")});
  ASSERT_EQ(outcome.Incidents.size(), 1u);
  EXPECT_EQ(outcome.Incidents[0].Kind, TKind::TimedOut);
  EXPECT_EQ(outcome.Incidents[0].Detail, 300);
  EXPECT_EQ(IncidentText(outcome.Incidents[0]), "did not answer within 300 ms and was stopped");
}

TEST_F(DecoderHelperTest, AHelperThatCannotStartCostsOnlyThePicture) {
  TDecoderHelper helper({folder_.Path() + "no-such-helper"});
  const TFileDescriptor file(::open(picture_.c_str(), O_RDONLY | O_CLOEXEC));
  const THelperOutcome outcome = helper.Decode(file.Get(), {TestDecoder("echo")});
  EXPECT_EQ(outcome.Reply.End, TReplyEnd::Cut);
  ASSERT_EQ(outcome.Incidents.size(), 1u);
  EXPECT_EQ(outcome.Incidents[0].Kind, TKind::NotStarted);
  EXPECT_EQ(outcome.Incidents[0].Decoder, -1);
  EXPECT_EQ(IncidentText(outcome.Incidents[0]),
            "could not be started: No such file or directory");
}

// Without the confinement, a decoder's process is caught after the decode instead.
TEST_F(DecoderHelperTest, UnconfinedAProcessLeftBehindIsTold) {
  TDecoderHelperSettings settings{KELMO_DECODER_HELPER};
  settings.Confined = false;
  TDecoderHelper helper(settings);
  const TFileDescriptor file(::open(picture_.c_str(), O_RDONLY | O_CLOEXEC));
  const THelperOutcome outcome = helper.Decode(file.Get(), {TestDecoder("forks")});
  EXPECT_EQ(outcome.Reply.End, TReplyEnd::NoPicture);
  ASSERT_EQ(outcome.Incidents.size(), 1u);
  EXPECT_EQ(outcome.Incidents[0].Kind, TKind::StartedProcess);
  EXPECT_EQ(helper.ProcessId(), -1);  // killed with its group, the decoder's process with it
}

}  // namespace
}  // namespace kelmo::testing
