// Claiming the program folder, handing over, and serving.
#include "instance/single_instance.h"

#include <system_error>
#include <thread>
#include <utility>

#include "instance/hand_over_channel.h"
#include "instance/instance_lock.h"
#include "plugins/plugin_groups.h"

namespace kelmo {
namespace {

using TClock = std::chrono::steady_clock;

// Why an instance that only holds the folder does not serve.
constexpr const char* kNotServingMessage = "batch runs answer no second start";
constexpr std::string_view kNoAnswerMessage =
    "この人格フォルダを使っている DorrinKelmo から応答がありません: ";
// A request too long to hand over; its size and the limit follow.
constexpr std::string_view kTooLongMessage = "--say の言葉が長すぎて渡せません: 引き継ぐ内容が ";

// Sends the request to the program listening at socketPath; its answer, or nothing when it cannot
// be reached, is not this user's, does not answer in time or is closing.
std::optional<THandOverAnswer> TryHandOver(const std::string& socketPath,
                                           const std::string& canonicalFolder,
                                           const THandOverRequest& request) {
  const TFileDescriptor connection = ConnectTo(socketPath);
  if (!connection.IsOpen() || !PeerIsSameUser(connection.Get()) ||
      !WriteMessage(connection.Get(), EncodeRequest(canonicalFolder, request))) {
    return std::nullopt;
  }
  const std::optional<std::string> line = ReadMessage(
      connection.Get(), request.Package.empty() ? kAnswerPatience : kInstallAnswerPatience);
  std::optional<THandOverAnswer> answer = line ? DecodeAnswer(*line) : std::nullopt;
  if (answer && answer->Status == THandOverStatus::Closing) return std::nullopt;
  return answer;
}

}  // namespace

TSingleInstance::TSingleInstance(std::unique_ptr<TInstanceLock> lock, std::string programFolder,
                                 std::string socketPath)
    : lock_(std::move(lock)),
      canonicalFolder_(std::move(programFolder)),
      socketPath_(std::move(socketPath)) {
  // What the plug-ins of a killed run left behind can be ended only by the folder's new holder.
  EndLeftPluginGroups(canonicalFolder_);
}

TSingleInstance::~TSingleInstance() {
  server_.reset();  // before the lock goes: a later start must not find our socket answering
}

std::unique_ptr<TSingleInstance> TSingleInstance::ClaimOrHandOver(const std::string& programFolder,
                                                                  const char* runtimeDir,
                                                                  const THandOverRequest& request,
                                                                  THandOverAnswer& answer) {
  const std::string canonical = CanonicalProgramFolder(programFolder);
  const size_t requestBytes = EncodeRequest(canonical, request).size() + 1;
  if (requestBytes > kHandOverMessageLimit) {
    answer = {THandOverStatus::Refused, std::string(kTooLongMessage) +
                                            std::to_string(requestBytes) + " バイトです。" +
                                            OverLimitMessage()};
    return nullptr;
  }
  std::string socketPath;
  std::string socketProblem;
  try {
    socketPath = HandOverSocketPath(canonical, runtimeDir);
  } catch (const std::system_error& error) {
    socketProblem = error.what();
  }
  const TClock::time_point deadline = TClock::now() + kClaimPatience;
  while (true) {
    if (std::unique_ptr<TInstanceLock> lock = TInstanceLock::TryLock(programFolder)) {
      std::unique_ptr<TSingleInstance> instance(
          new TSingleInstance(std::move(lock), canonical, socketPath));
      instance->socketProblem_ = socketProblem;
      instance->Listen();
      return instance;
    }
    if (!socketPath.empty()) {
      if (std::optional<THandOverAnswer> answered = TryHandOver(socketPath, canonical, request)) {
        answer = std::move(*answered);
        return nullptr;
      }
    }
    if (TClock::now() >= deadline) {
      answer = {THandOverStatus::Busy, std::string(kNoAnswerMessage) + canonical};
      if (!socketProblem.empty()) answer.Message += " (" + socketProblem + ")";
      return nullptr;
    }
    std::this_thread::sleep_for(kClaimRetryInterval);
  }
}

std::unique_ptr<TSingleInstance> TSingleInstance::TryClaim(const std::string& programFolder) {
  std::unique_ptr<TInstanceLock> lock = TInstanceLock::TryLock(programFolder);
  if (lock == nullptr) return nullptr;
  std::unique_ptr<TSingleInstance> instance(
      new TSingleInstance(std::move(lock), CanonicalProgramFolder(programFolder), ""));
  instance->socketProblem_ = kNotServingMessage;
  return instance;
}

void TSingleInstance::Listen() {
  if (socketPath_.empty()) return;
  try {
    server_ = std::make_unique<THandOverServer>(socketPath_, canonicalFolder_);
  } catch (const std::system_error& error) {
    socketProblem_ = error.what();
  }
}

std::string TSingleInstance::Serve(TMainThreadCall& mainThread, THandOverServer::THandler handler) {
  if (server_ == nullptr) return socketProblem_;
  server_->Attach(mainThread, std::move(handler));
  return {};
}

void TSingleInstance::StopServing() {
  server_.reset();
}

}  // namespace kelmo
