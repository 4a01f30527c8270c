// One running program per program folder: the lock (never stale, never inherited), the hand-over
// channel (private, bounded, its messages), and the whole: a second start's request reaches the
// running program's main thread and its answer comes back, and a second start that meets the
// running program on its way out takes the folder after it instead of running beside it.
#include "instance/single_instance.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <thread>

#include "engine/main_thread_queue.h"
#include "instance/hand_over_channel.h"
#include "instance/hand_over_server.h"
#include "instance/instance_lock.h"
#include "plugins/plugin_groups.h"
#include "support/running_process.h"
#include "support/temp_folder.h"

extern char** environ;

namespace kelmo {
namespace {

using testing::ProcessEndsWithin;
using testing::ProcessRuns;
using testing::TempFolder;
using testing::TMainThreadQueue;

mode_t ModeOf(const std::string& path) {
  struct stat status = {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 0777;
}

TEST(InstanceLockTest, IsExclusiveAndFreeAgainWhenReleased) {
  const TempFolder folder;
  std::unique_ptr<TInstanceLock> first = TInstanceLock::TryLock(folder.Path());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(TInstanceLock::TryLock(folder.Path()), nullptr);
  first.reset();
  EXPECT_NE(TInstanceLock::TryLock(folder.Path()), nullptr);
}

TEST(InstanceLockTest, AHolderThatIsKilledLeavesNoLockBehind) {
  const TempFolder folder;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    const std::unique_ptr<TInstanceLock> lock = TInstanceLock::TryLock(folder.Path());
    const char taken = lock != nullptr ? 1 : 0;
    [[maybe_unused]] const ssize_t written = ::write(ready[1], &taken, 1);
    ::pause();
    ::_exit(0);
  }
  char taken = 0;
  ASSERT_EQ(::read(ready[0], &taken, 1), 1);
  ASSERT_EQ(taken, 1);
  EXPECT_EQ(TInstanceLock::TryLock(folder.Path()), nullptr);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_NE(TInstanceLock::TryLock(folder.Path()), nullptr);
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(InstanceLockTest, ProgramsStartedWhileItIsHeldDoNotInheritIt) {
  const TempFolder folder;
  std::unique_ptr<TInstanceLock> lock = TInstanceLock::TryLock(folder.Path());
  ASSERT_NE(lock, nullptr);
  pid_t child = 0;
  char sleep[] = "sleep";
  char seconds[] = "30";
  char* arguments[] = {sleep, seconds, nullptr};
  ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, arguments, environ), 0);
  lock.reset();
  EXPECT_NE(TInstanceLock::TryLock(folder.Path()), nullptr);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

// The error TryLock raises for a program folder the user may not write and that holds no lock
// file yet; 0 when it raises none. As root, which may write anywhere, it is tried by a child that
// has given up root.
int LockErrorInFolderWithoutWriteAccess(const std::string& folder) {
  const auto tryLock = [&folder] {
    try {
      TInstanceLock::TryLock(folder);
      return 0;
    } catch (const std::system_error& error) {
      return error.code().value();
    }
  };
  if (::geteuid() != 0) {
    ::chmod(folder.c_str(), 0500);
    const int error = tryLock();
    ::chmod(folder.c_str(), 0700);
    return error;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
    ::_exit(tryLock());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InstanceLockTest, AFolderThatMayNotBeWrittenSaysSoNotThatTheFileIsMissing) {
  const TempFolder folder;
  ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
  EXPECT_EQ(LockErrorInFolderWithoutWriteAccess(folder.Path()), EACCES);
}

TEST(HandOverChannelTest, EachFolderHasItsOwnSocketInAPrivateFolder) {
  const TempFolder runtime;
  const TempFolder programs;
  programs.Write("one/x", "");
  programs.Write("two/x", "");
  std::filesystem::create_symlink(programs.Path() + "one", programs.Path() + "alias");
  const std::string one = HandOverSocketPath(programs.Path() + "one", runtime.Path().c_str());
  EXPECT_EQ(HandOverSocketPath(programs.Path() + "alias/", runtime.Path().c_str()), one);
  EXPECT_NE(HandOverSocketPath(programs.Path() + "two", runtime.Path().c_str()), one);
  const std::string folder = runtime.Path() + std::string(kRuntimeFolderName);
  EXPECT_EQ(one.substr(0, folder.size() + 1), folder + "/");
  EXPECT_EQ(ModeOf(folder), 0700u);

  {
    const TListener listener = ListenAt(one);
    EXPECT_EQ(ModeOf(one), 0600u);
  }
  EXPECT_FALSE(std::filesystem::exists(one));  // the socket file goes with the socket
  // A relative XDG_RUNTIME_DIR is no runtime folder.
  const std::string fallback = HandOverSocketPath(programs.Path() + "one", "run");
  EXPECT_EQ(fallback.rfind(std::string(kTemporaryRuntimePrefix) + std::to_string(::getuid()), 0),
            0u);
}

TEST(HandOverChannelTest, AFolderOthersMayEnterIsRefused) {
  const TempFolder runtime;
  const std::string folder = runtime.Path() + std::string(kRuntimeFolderName);
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  EXPECT_THROW(HandOverSocketPath(runtime.Path(), runtime.Path().c_str()), std::system_error);
}

struct TRequestCase {
  const char* Name;
  THandOverRequest Request;
};
void PrintTo(const TRequestCase& test, std::ostream* out) {
  *out << test.Name;
}

class RequestMessageTest : public ::testing::TestWithParam<TRequestCase> {};

TEST_P(RequestMessageTest, ComesThroughWhole) {
  const THandOverRequest& sent = GetParam().Request;
  const std::optional<TReceivedRequest> received =
      DecodeRequest(EncodeRequest("/home/u/.local/share/dorrinkelmo", sent));
  ASSERT_TRUE(received.has_value());
  EXPECT_EQ(received->Folder, "/home/u/.local/share/dorrinkelmo");
  EXPECT_EQ(received->Request.Character, sent.Character);
  EXPECT_EQ(received->Request.Say, sent.Say);
  EXPECT_EQ(received->Request.StartupId, sent.StartupId);
  EXPECT_EQ(received->Request.Package, sent.Package);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestMessageTest,
    ::testing::Values(TRequestCase{"Nothing", {"", std::nullopt, "", ""}},
                      TRequestCase{"Character",
                                   {"/home/u/あかり \"new\".klc", std::nullopt, "id_TIME1"}},
                      TRequestCase{"Say", {"", "こんにちは\n{QUIT}\\", "", ""}},
                      TRequestCase{"SayNothing", {"", "", "", ""}},
                      TRequestCase{"Package", {"", std::nullopt, "", "/home/u/キイ.klz"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HandOverChannelTest, MalformedMessagesAreNotTaken) {
  for (const char* line : {"", "[]", "{}", "{\"folder\":1}", "{\"character\":\"/a.klc\"}",
                           "{\"folder\":\"/f\",\"say\":3}", "{\"folder\":\"/f\",\"package\":[]}",
                           "{\"folder\":\"/f\""}) {
    EXPECT_FALSE(DecodeRequest(line).has_value()) << line;
  }
  for (const char* line :
       {"{\"status\":\"maybe\",\"message\":\"\"}", "{\"status\":\"done\"", "{\"message\":\"x\"}"}) {
    EXPECT_FALSE(DecodeAnswer(line).has_value()) << line;
  }
  const std::optional<THandOverAnswer> answer =
      DecodeAnswer(EncodeAnswer({THandOverStatus::Busy, "あとで"}));
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->Status, THandOverStatus::Busy);
  EXPECT_EQ(answer->Message, "あとで");
}

TEST(HandOverChannelTest, ReadingStopsAtTheLimitAndAtTheDeadline) {
  int ends[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  EXPECT_FALSE(ReadMessage(ends[0], std::chrono::milliseconds(50)).has_value());
  std::thread writer([&] { WriteMessage(ends[1], std::string(kHandOverMessageLimit, 'x')); });
  EXPECT_FALSE(ReadMessage(ends[0], std::chrono::milliseconds(5000)).has_value());
  ::close(ends[0]);  // lets a writer still blocked fail
  writer.join();
  ::close(ends[1]);
}

size_t OpenDescriptorCount() {
  const std::filesystem::directory_iterator entries("/proc/self/fd");
  return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

TEST(HandOverServerTest, AWorkerThatCannotStartLeavesNothingOpenOrBehind) {
  const TempFolder runtime;
  const TempFolder folder;
  const std::string socketPath = HandOverSocketPath(folder.Path(), runtime.Path().c_str());
  const size_t openBefore = OpenDescriptorCount();
  const auto cannotStart = [](std::function<void()>) -> std::thread {
    throw std::system_error(EAGAIN, std::generic_category(), "thread");
  };
  EXPECT_THROW(THandOverServer(socketPath, folder.Path(), {}, cannotStart), std::system_error);
  EXPECT_EQ(OpenDescriptorCount(), openBefore);  // the socket and the stop pipe are closed
  EXPECT_FALSE(std::filesystem::exists(socketPath));
}

// A second start's exchange with the server by hand, on a thread of its own so that the test's
// thread can pump the main-thread queue meanwhile.
class TRawClient {
 public:
  explicit TRawClient(const std::string& socketPath) : socket_(ConnectTo(socketPath)) {}
  ~TRawClient() {
    if (reader_.joinable()) reader_.join();
  }

  bool Connected() const { return socket_.IsOpen(); }
  int Socket() const { return socket_.Get(); }

  // Sends line and reads the answer on the reader thread.
  void Ask(const std::string& line) {
    WriteMessage(socket_.Get(), line);
    reader_ = std::thread([this] {
      const std::optional<std::string> read = ReadMessage(socket_.Get(), std::chrono::seconds(30));
      if (read) answer = DecodeAnswer(*read);
      done = true;
    });
  }

  // Whether the server has closed the connection (without waiting).
  bool ClosedByServer() const {
    pollfd watch = {socket_.Get(), POLLIN, 0};
    return ::poll(&watch, 1, 0) > 0;
  }

  std::atomic<bool> done = false;
  std::optional<THandOverAnswer> answer;

 private:
  TFileDescriptor socket_;
  std::thread reader_;
};

class HandOverServerDeadlineTest : public ::testing::Test {
 protected:
  std::string Request(const char* say) const {
    return EncodeRequest(canonical, {"", std::string(say), "", ""});
  }

  TempFolder runtime;
  TempFolder folder;
  const std::string canonical = CanonicalProgramFolder(folder.Path());
  const std::string socketPath = HandOverSocketPath(folder.Path(), runtime.Path().c_str());
  TMainThreadQueue mainThread;
  std::vector<std::string> heard;
  THandOverServer::THandler handler = [this](const THandOverRequest& request) {
    heard.push_back(*request.Say);
    return THandOverAnswer{THandOverStatus::Busy, "heard " + *request.Say};
  };
};

TEST_F(HandOverServerDeadlineTest, AnIdleConnectionHoldsUpNoOtherRequest) {
  // A request may take a minute to arrive, so only serving side by side answers the second one.
  THandOverServer server(socketPath, canonical, {std::chrono::minutes(1), kMainThreadPatience});
  server.Attach(mainThread, handler);
  TRawClient idle(socketPath);
  ASSERT_TRUE(idle.Connected());
  TRawClient prompt(socketPath);
  prompt.Ask(Request("hi"));
  ASSERT_TRUE(mainThread.PumpUntil([&] { return prompt.done.load(); }));
  ASSERT_TRUE(prompt.answer.has_value());
  EXPECT_EQ(prompt.answer->Message, "heard hi");
  // The idle connection is still served: its request, sent late, is answered as well.
  EXPECT_FALSE(idle.ClosedByServer());
  idle.Ask(Request("late"));
  ASSERT_TRUE(mainThread.PumpUntil([&] { return idle.done.load(); }));
  ASSERT_TRUE(idle.answer.has_value());
  EXPECT_EQ(idle.answer->Message, "heard late");
  EXPECT_EQ(heard, (std::vector<std::string>{"hi", "late"}));
}

TEST_F(HandOverServerDeadlineTest, AConnectionThatSendsNothingInTimeIsClosed) {
  THandOverServer server(socketPath, canonical,
                         {std::chrono::milliseconds(100), kMainThreadPatience});
  server.Attach(mainThread, handler);
  TRawClient idle(socketPath);
  pollfd watch = {idle.Socket(), POLLIN, 0};
  ASSERT_EQ(::poll(&watch, 1, 10000), 1);  // the end of the connection, without an answer
  char byte;
  EXPECT_EQ(::recv(idle.Socket(), &byte, 1, MSG_DONTWAIT), 0);
}

TEST_F(HandOverServerDeadlineTest, ARequestTheMainThreadDoesNotTakeInTimeIsBusyAndNeverActedOn) {
  THandOverServer server(socketPath, canonical, {kRequestPatience, std::chrono::milliseconds(100)});
  server.Attach(mainThread, handler);
  TRawClient client(socketPath);
  client.Ask(Request("hi"));
  while (!client.done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(client.answer.has_value());
  EXPECT_EQ(client.answer->Status, THandOverStatus::Busy);
  EXPECT_NE(client.answer->Message, "heard hi");
  EXPECT_EQ(mainThread.Pump(), 1);  // the call runs late and does nothing
  EXPECT_TRUE(heard.empty());
}

TEST_F(HandOverServerDeadlineTest, AStartUpThatDoesNotEndInTimeMakesTheHeldRequestBusy) {
  THandOverServer server(socketPath, canonical, {kRequestPatience, std::chrono::milliseconds(100)});
  TRawClient client(socketPath);
  client.Ask(Request("hi"));
  while (!client.done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(client.answer.has_value());
  EXPECT_EQ(client.answer->Status, THandOverStatus::Busy);
  EXPECT_NE(client.answer->Message.find("起動の途中"), std::string::npos) << client.answer->Message;
  server.Attach(mainThread, handler);
  EXPECT_EQ(mainThread.Pump(), 0);  // the request was answered: nothing is acted on
  EXPECT_TRUE(heard.empty());
}

TEST_F(HandOverServerDeadlineTest, AnOverlongMessageIsRefusedNamingTheLimit) {
  THandOverServer server(socketPath, canonical);
  server.Attach(mainThread, handler);
  TRawClient client(socketPath);
  client.Ask(std::string(kHandOverMessageLimit + 10, 'x'));
  while (!client.done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(client.answer.has_value());
  EXPECT_EQ(client.answer->Status, THandOverStatus::Refused);
  EXPECT_NE(client.answer->Message.find(std::to_string(kHandOverMessageLimit)), std::string::npos)
      << client.answer->Message;
  EXPECT_TRUE(heard.empty());
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  // A second start's claim on another thread, as another process would make it.
  void StartSecond(const THandOverRequest& request) {
    second_ = std::thread([this, request] {
      secondInstance = TSingleInstance::ClaimOrHandOver(folder.Path(), runtime.Path().c_str(),
                                                        request, secondAnswer);
      secondDone = true;
    });
  }

  void JoinSecond() {
    if (second_.joinable()) second_.join();
  }

  ~SingleInstanceTest() override { JoinSecond(); }

  TempFolder runtime;
  TempFolder folder;
  TMainThreadQueue mainThread;
  std::atomic<bool> secondDone = false;
  std::unique_ptr<TSingleInstance> secondInstance;
  THandOverAnswer secondAnswer{THandOverStatus::Refused, "not answered"};

 private:
  std::thread second_;
};

TEST_F(SingleInstanceTest, ASecondStartsRequestIsActedOnByTheMainThreadAndAnswered) {
  THandOverAnswer unused;
  std::unique_ptr<TSingleInstance> first = TSingleInstance::ClaimOrHandOver(
      folder.Path(), runtime.Path().c_str(), {"", std::nullopt, "", ""}, unused);
  ASSERT_NE(first, nullptr);
  std::vector<THandOverRequest> handled;
  const std::thread::id mainId = std::this_thread::get_id();
  bool onMainThread = true;
  ASSERT_EQ(first->Serve(mainThread,
                         [&](const THandOverRequest& request) {
                           onMainThread = onMainThread && std::this_thread::get_id() == mainId;
                           handled.push_back(request);
                           return THandOverAnswer{THandOverStatus::Busy, "not now"};
                         }),
            "");
  EXPECT_EQ(TSingleInstance::TryClaim(folder.Path()), nullptr);  // a batch run stays out

  StartSecond({"/x/y.klc", "hi", "start-1", ""});
  ASSERT_TRUE(mainThread.PumpUntil([&] { return secondDone.load(); }));
  JoinSecond();
  EXPECT_EQ(secondInstance, nullptr);
  EXPECT_EQ(secondAnswer.Status, THandOverStatus::Busy);
  EXPECT_EQ(secondAnswer.Message, "not now");
  ASSERT_EQ(handled.size(), 1u);
  EXPECT_TRUE(onMainThread);
  EXPECT_EQ(handled[0].Character, "/x/y.klc");
  EXPECT_EQ(handled[0].Say, "hi");
  EXPECT_EQ(handled[0].StartupId, "start-1");
}

TEST_F(SingleInstanceTest, ASecondStartMeetingTheEndTakesTheFolderAfterIt) {
  THandOverAnswer unused;
  std::unique_ptr<TSingleInstance> first = TSingleInstance::ClaimOrHandOver(
      folder.Path(), runtime.Path().c_str(), {"", std::nullopt, "", ""}, unused);
  ASSERT_NE(first, nullptr);
  bool acted = false;
  ASSERT_EQ(first->Serve(mainThread,
                         [&](const THandOverRequest&) {
                           acted = true;
                           return THandOverAnswer{};
                         }),
            "");
  StartSecond({"", "hi", ""});
  // The request waits for a main thread that is busy shutting down: it is never acted on.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  first.reset();
  mainThread.PumpUntil([&] { return secondDone.load(); });
  JoinSecond();
  EXPECT_FALSE(acted);
  EXPECT_NE(secondInstance, nullptr);
  EXPECT_EQ(secondAnswer.Message, "not answered");
}

TEST_F(SingleInstanceTest, ALockLeftByAKilledProgramAndItsSocketFileBlockNothing) {
  // What a killed program leaves: its socket file, nobody listening.
  ListenAt(HandOverSocketPath(folder.Path(), runtime.Path().c_str())).File.Release();
  THandOverAnswer answer{THandOverStatus::Refused, "not answered"};
  std::unique_ptr<TSingleInstance> instance = TSingleInstance::ClaimOrHandOver(
      folder.Path(), runtime.Path().c_str(), {"", std::nullopt, "", ""}, answer);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(answer.Message, "not answered");
  EXPECT_EQ(instance->Serve(mainThread, [](const THandOverRequest&) { return THandOverAnswer{}; }),
            "");
}

// A killed run's plug-in dies with it, but what the plug-in started lives on in its group: the next
// start that takes the folder ends it.
TEST_F(SingleInstanceTest, TakingTheFolderEndsTheProcessGroupAKilledRunLeft) {
  const pid_t leftBehind = ::fork();
  ASSERT_GE(leftBehind, 0);
  if (leftBehind == 0) {
    ::setpgid(0, 0);
    ::pause();
    ::_exit(0);
  }
  ::setpgid(leftBehind, leftBehind);  // also from here, so that it holds before the record is made
  // The run records the group and dies without ending it (no destructor runs).
  const pid_t run = ::fork();
  ASSERT_GE(run, 0);
  if (run == 0) {
    new TPluginGroupRecord(folder.Path(), leftBehind);
    ::_exit(0);
  }
  ::waitpid(run, nullptr, 0);
  ASSERT_TRUE(ProcessRuns(leftBehind));
  const std::unique_ptr<TSingleInstance> instance = TSingleInstance::TryClaim(folder.Path());
  ASSERT_NE(instance, nullptr);
  EXPECT_TRUE(ProcessEndsWithin(leftBehind, std::chrono::seconds(5)));
  ::kill(leftBehind, SIGKILL);
  ::waitpid(leftBehind, nullptr, 0);
}

TEST_F(SingleInstanceTest, ASecondStartDuringTheStartUpIsHeldAndActedOnOnceItIsUp) {
  THandOverAnswer unused;
  std::unique_ptr<TSingleInstance> first = TSingleInstance::ClaimOrHandOver(
      folder.Path(), runtime.Path().c_str(), {"", std::nullopt, "", ""}, unused);
  ASSERT_NE(first, nullptr);
  // The first program is still starting up: it holds the folder and acts on nothing yet.
  StartSecond({"", "hi", ""});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(secondDone);
  std::vector<std::string> said;
  ASSERT_EQ(first->Serve(mainThread,
                         [&](const THandOverRequest& request) {
                           said.push_back(*request.Say);
                           return THandOverAnswer{};
                         }),
            "");
  ASSERT_TRUE(mainThread.PumpUntil([&] { return secondDone.load(); }));
  JoinSecond();
  EXPECT_EQ(secondInstance, nullptr);
  EXPECT_EQ(secondAnswer.Status, THandOverStatus::Done) << secondAnswer.Message;
  EXPECT_EQ(said, std::vector<std::string>{"hi"});
}

struct TOversizedCase {
  const char* Name;
  bool FolderHeld;  // another program holds the folder
};
void PrintTo(const TOversizedCase& test, std::ostream* out) {
  *out << test.Name;
}

class OversizedSayTest : public SingleInstanceTest,
                         public ::testing::WithParamInterface<TOversizedCase> {};

TEST_P(OversizedSayTest, IsRefusedAtOnceNamingTheLimit) {
  THandOverAnswer unused;
  std::unique_ptr<TSingleInstance> first;
  if (GetParam().FolderHeld) {
    first = TSingleInstance::ClaimOrHandOver(folder.Path(), runtime.Path().c_str(),
                                             {"", std::nullopt, "", ""}, unused);
    ASSERT_NE(first, nullptr);
  }
  THandOverAnswer answer;
  const std::unique_ptr<TSingleInstance> second = TSingleInstance::ClaimOrHandOver(
      folder.Path(), runtime.Path().c_str(), {"", std::string(120 * 1024, 'a'), ""}, answer);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(answer.Status, THandOverStatus::Refused);
  EXPECT_NE(answer.Message.find(std::to_string(kHandOverMessageLimit)), std::string::npos)
      << answer.Message;
  // The folder was not taken either.
  if (!GetParam().FolderHeld) {
    EXPECT_NE(TSingleInstance::TryClaim(folder.Path()), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Folders, OversizedSayTest,
                         ::testing::Values(TOversizedCase{"FolderHeld", true},
                                           TOversizedCase{"FolderFree", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SingleInstanceTest, ASayJustWithinTheLimitIsHandedOver) {
  THandOverAnswer unused;
  std::unique_ptr<TSingleInstance> first = TSingleInstance::ClaimOrHandOver(
      folder.Path(), runtime.Path().c_str(), {"", std::nullopt, "", ""}, unused);
  ASSERT_NE(first, nullptr);
  std::optional<std::string> said;
  ASSERT_EQ(first->Serve(mainThread,
                         [&](const THandOverRequest& request) {
                           said = request.Say;
                           return THandOverAnswer{};
                         }),
            "");
  const std::string canonical = CanonicalProgramFolder(folder.Path());
  const size_t overhead = EncodeRequest(canonical, {"", std::string(), ""}).size() + 1;
  const std::string say(kHandOverMessageLimit - overhead - 1, 'a');
  StartSecond({"", say, ""});
  ASSERT_TRUE(mainThread.PumpUntil([&] { return secondDone.load(); }));
  JoinSecond();
  EXPECT_EQ(secondAnswer.Status, THandOverStatus::Done) << secondAnswer.Message;
  EXPECT_EQ(said, say);
}

}  // namespace
}  // namespace kelmo
