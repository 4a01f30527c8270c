// The late-bound object: starting a plug-in process, the JSON-RPC exchange and its failures, value
// conversion, and release without zombies or signals.
#include "plugins/plugin_object.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "plugins/plugin_test_folder.h"

namespace kelmo {
namespace {

using testing::ChildProcesses;
using testing::kTestCallTimeout;
using testing::TPluginTestFolder;
using testing::WaitUntilExited;

class PluginObjectTest : public ::testing::Test {
 protected:
  TPluginEnvironment Environment() const { return {folder_.Path(), 0}; }

  std::unique_ptr<TPluginObject> Create(const std::string& progId) {
    return std::make_unique<TPluginObject>(Environment(), Utf8ProgId(progId), kTestCallTimeout);
  }

  static std::u16string Utf8ProgId(const std::string& progId) {
    return std::u16string(progId.begin(), progId.end());
  }

  // The one live (not zombie) child process, or 0.
  static pid_t LiveChild() {
    pid_t live = 0;
    for (const auto& child : ChildProcesses()) {
      if (child.State != 'Z') live = child.ProcessId;
    }
    return live;
  }

  TPluginTestFolder folder_;
};

TEST_F(PluginObjectTest, MissingOrNonExecutableFileIsACreationFailure) {
  EXPECT_THROW(Create("absent"), EPluginError);
  std::ofstream(folder_.Path() + "plugins/plain") << "not a program\n";
  EXPECT_THROW(Create("plain"), EPluginError);
  EXPECT_TRUE(ChildProcesses().empty());
}

// ProgIDs that would leave the plug-in folder. An executable waits at each place they would reach,
// so a ProgID handled unsafely would run it and leave a record.
TEST_F(PluginObjectTest, ProgIdLeavingThePluginFolderIsRefused) {
  folder_.Install("inner", {{"info", {"inner", "E", "", ""}}});
  std::filesystem::create_directories(folder_.Path() + "plugins/sub");
  folder_.InstallFile("sub/inner", std::filesystem::path(KELMO_PLUGIN_TEST_DIR) / "test_plugin.py");
  std::filesystem::copy_file(folder_.Path() + "plugins/inner.json",
                             folder_.Path() + "plugins/sub/inner.json");
  const std::u16string refused[] = {
      u"",          u".",          u"..",        u"../inner",
      u"sub/inner", u"sub\\inner", u"/bin/true", std::u16string(u"inner\0x", 7)};
  for (const std::u16string& progId : refused) {
    SCOPED_TRACE(std::string(progId.begin(), progId.end()));
    EXPECT_THROW(TPluginObject(Environment(), progId, kTestCallTimeout), EPluginError);
  }
  EXPECT_TRUE(ChildProcesses().empty());
  EXPECT_TRUE(folder_.Records("sub/inner").empty());
}

TEST_F(PluginObjectTest, RunsInTheProgramFolderAndAnswersMethods) {
  folder_.Install("good", {{"info", {"Good", "ES", "v2", "about"}}, {"append", "+"}});
  auto plugin = Create("good");
  EXPECT_EQ(plugin->GetPluginInfo(0), u"Good");
  EXPECT_EQ(plugin->GetPluginInfo(3), u"about");
  EXPECT_EQ(plugin->GetPluginInfo(7), u"");
  std::u16string text = u"hi";
  plugin->OnKelmoEvent(u"KE_EndThink", text);
  EXPECT_EQ(text, u"hi+");
  plugin->ConfigurationDialog();

  const auto records = folder_.Records("good");
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(std::filesystem::path(records[0]["cwd"].get<std::string>()),
            std::filesystem::path(folder_.Path()).parent_path());
  EXPECT_EQ(records[0]["params"], nlohmann::json::array({0}));
  EXPECT_EQ(records[3]["params"], nlohmann::json::array({"KE_EndThink", "hi"}));
  EXPECT_EQ(records[4]["method"], "ConfigurationDialog");
  EXPECT_EQ(records[4]["params"], nlohmann::json::array());
}

// Line breaks, NUL, U+2028 and characters outside the BMP must neither split the request line nor
// be altered on the way there and back.
TEST_F(PluginObjectTest, TextSurvivesTheRoundTripUnchanged) {
  folder_.Install("echo", {{"append", "!"}});
  auto plugin = Create("echo");
  const std::u16string original(u"行1\r\n行2\0\u2028\U0001F600\"\\", 12);
  std::u16string text = original;
  plugin->OnKelmoEvent(u"KE_BeginThink", text);
  EXPECT_EQ(text, original + u"!");
}

struct TReturnCase {
  nlohmann::json Return;
  std::u16string Text;
};

class ReturnValueTest : public PluginObjectTest,
                        public ::testing::WithParamInterface<TReturnCase> {};

TEST_P(ReturnValueTest, ReturnValueBecomesText) {
  folder_.Install("value", {{"tagReturn", GetParam().Return}});
  auto plugin = Create("value");
  std::u16string tag = u"t";
  EXPECT_EQ(plugin->ExpandPluginTag(tag), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Conversions, ReturnValueTest,
                         ::testing::Values(TReturnCase{"text", u"text"},
                                           TReturnCase{"日本", u"日本"}, TReturnCase{42, u"42"},
                                           TReturnCase{-7, u"-7"}, TReturnCase{1.5, u"1.5"},
                                           TReturnCase{true, u"true"}, TReturnCase{false, u"false"},
                                           TReturnCase{nullptr, u""}));

TEST_F(PluginObjectTest, StructuredReturnValueIsAFailure) {
  folder_.Install("structured", {{"tagReturn", {{"a", 1}}}});
  auto plugin = Create("structured");
  std::u16string tag = u"t";
  EXPECT_THROW(plugin->ExpandPluginTag(tag), EPluginError);
}

struct TFailureCase {
  const char* Failure;
  bool EndsProcess;  // the streams are out of step afterwards, so the process must be gone
};

class CallFailureTest : public PluginObjectTest,
                        public ::testing::WithParamInterface<TFailureCase> {};

// Each failure raises the one plug-in error; the process is ended exactly when its line stream
// can no longer be trusted, and a plug-in kept alive still answers the next call.
TEST_P(CallFailureTest, FailureRaisesPluginErrorAndEndsProcessWhenOutOfStep) {
  folder_.Install("bad", {{"failOn", "KE_BeginThink"}, {"failure", GetParam().Failure}});
  auto plugin = Create("bad");
  const pid_t processId = LiveChild();
  ASSERT_NE(processId, 0);
  std::u16string text = u"before";
  plugin->OnKelmoEvent(u"KE_EndThink", text);  // answered normally

  text = u"before";
  try {
    plugin->OnKelmoEvent(u"KE_BeginThink", text);
    plugin->OnKelmoEvent(u"KE_EndThink", text);  // "two-lines" fails here, on the stale line
    FAIL() << "no failure raised";
  } catch (const EPluginError&) {
  }
  EXPECT_EQ(text, u"before");
  if (GetParam().EndsProcess) {
    EXPECT_TRUE(ChildProcesses().empty()) << "ended process must be reaped";
    EXPECT_THROW(plugin->GetPluginInfo(0), EPluginError);
  } else {
    EXPECT_EQ(LiveChild(), processId);
    EXPECT_EQ(plugin->GetPluginInfo(1), u"ES");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CallFailureTest,
    ::testing::Values(TFailureCase{"crash", true}, TFailureCase{"hang", true},
                      TFailureCase{"garbage", true}, TFailureCase{"deep", true},
                      TFailureCase{"endless", true}, TFailureCase{"wrong-id", true},
                      TFailureCase{"no-version", true}, TFailureCase{"close-output", true},
                      TFailureCase{"two-lines", true}, TFailureCase{"error", false},
                      TFailureCase{"wrong-params", false}, TFailureCase{"number-text", false}),
    [](const auto& info) {
      std::string name = info.param.Failure;
      std::erase(name, '-');
      return name;
    });

// Writing to a plug-in that has exited must be an ordinary failure: with a plain write() the
// program would die of SIGPIPE here.
TEST_F(PluginObjectTest, WritingToAnExitedPluginDoesNotRaiseSigpipe) {
  folder_.Install("quitter", {{"afterOn", "KE_Initialize"}, {"afterwards", "exit"}});
  auto plugin = Create("quitter");
  const pid_t processId = LiveChild();
  std::u16string text = u"x";
  plugin->OnKelmoEvent(u"KE_Initialize", text);
  ASSERT_TRUE(WaitUntilExited(processId));
  std::u16string large(1 << 20, u'a');
  EXPECT_THROW(plugin->OnKelmoEvent(u"KE_BeginThink", large), EPluginError);
  EXPECT_TRUE(ChildProcesses().empty());
}

// A plug-in that stops reading must not block the program on a request larger than the socket
// buffer: the write is bounded by the time-out too.
TEST_F(PluginObjectTest, PluginThatStopsReadingCannotBlockAWrite) {
  folder_.Install("deaf", {{"afterOn", "KE_Initialize"}, {"afterwards", "sleep"}});
  auto plugin = Create("deaf");
  std::u16string text = u"x";
  plugin->OnKelmoEvent(u"KE_Initialize", text);
  std::u16string large(4 << 20, u'a');
  EXPECT_THROW(plugin->OnKelmoEvent(u"KE_BeginThink", large), EPluginError);
  EXPECT_EQ(large.size(), size_t{4 << 20});
  EXPECT_TRUE(ChildProcesses().empty());
}

TEST_F(PluginObjectTest, ReleaseLeavesNoChildEvenWhenPluginIgnoresEndOfInput) {
  folder_.Install("polite", nlohmann::json::object());
  folder_.Install("stubborn", {{"stubborn", true}});
  auto polite = Create("polite");
  auto stubborn = Create("stubborn");
  EXPECT_EQ(polite->GetPluginInfo(1), u"ES");
  EXPECT_EQ(stubborn->GetPluginInfo(1), u"ES");
  ASSERT_EQ(ChildProcesses().size(), 2u);
  polite.reset();
  stubborn.reset();
  EXPECT_TRUE(ChildProcesses().empty()) << "released plug-ins must be reaped, not left as zombies";
}

TEST_F(PluginObjectTest, StandardErrorIsAppendedToPluginsLog) {
  std::ofstream(folder_.Path() + "plugins.log") << "earlier\n";
  folder_.Install("first", {{"stderr", "first speaks"}});
  folder_.Install("second", {{"stderr", "second speaks"}});
  auto first = Create("first");
  auto second = Create("second");
  EXPECT_EQ(first->GetPluginInfo(0), u"test");
  EXPECT_EQ(second->GetPluginInfo(0), u"test");
  const std::string log = folder_.ReadFile("plugins.log");
  EXPECT_EQ(log.rfind("earlier\n", 0), 0u);
  EXPECT_NE(log.find("first speaks\n"), std::string::npos);
  EXPECT_NE(log.find("second speaks\n"), std::string::npos);
}

}  // namespace
}  // namespace kelmo
