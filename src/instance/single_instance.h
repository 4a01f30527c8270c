// One running program per program folder. A start first tries to take the folder's lock
// (instance_lock.h); when another program holds it, the start hands its request over to that
// program through the hand-over socket (hand_over_channel.h) and ends with the answer. The program
// holding the lock listens on the socket from the moment it took the lock, holding the requests
// that come while it starts up, acts on them once its conversation is up (Serve) until it begins
// to shut down (StopServing), and keeps the lock until it has written its last file.
//
// The end of the running program is the moment a second start can meet neither a free lock nor an
// answering socket (after StopServing), and so is the instant between taking the lock and
// listening. A second start therefore keeps trying both for up to kClaimPatience: when the other
// program ends, the lock is free and the second start takes the folder itself; it never runs
// beside it. A request too long for the hand-over is refused before anything is tried.
//
// Taking the folder also ends the process groups that plug-ins of an earlier run, killed before it
// could end them, left running (plugin_groups.h).
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "instance/hand_over_server.h"
#include "shell/hand_over.h"

namespace kelmo {

class TInstanceLock;
class TMainThreadCall;

// How long a start keeps trying to either take the folder or reach the program that holds it.
inline constexpr std::chrono::milliseconds kClaimPatience{20000};
// How long it waits between tries.
inline constexpr std::chrono::milliseconds kClaimRetryInterval{50};
// How long a second start waits for the running program's answer once its request is sent (the
// running program answers within kMainThreadPatience).
inline constexpr std::chrono::milliseconds kAnswerPatience{15000};
// The same for a request to install a package, which may wait for another install's lock (a
// minute) and then for the user's answer to the update question.
inline constexpr std::chrono::milliseconds kInstallAnswerPatience{600000};

class TSingleInstance {
 public:
  // Takes the program folder (a UTF-8 file-system path) for this start, or hands request over to
  // the program that holds it. Returns the instance when this start took the folder (request is
  // then its own to carry out; it already listens for second starts, holding their requests
  // until Serve). Otherwise returns null with the running program's answer in answer, or, when
  // neither succeeded within kClaimPatience, a Busy answer saying so; a request whose message would
  // exceed kHandOverMessageLimit is answered Refused at once, naming the limit. runtimeDir is
  // XDG_RUNTIME_DIR's value (may be null). Raises std::system_error when the lock file can be
  // neither created nor opened.
  static std::unique_ptr<TSingleInstance> ClaimOrHandOver(const std::string& programFolder,
                                                          const char* runtimeDir,
                                                          const THandOverRequest& request,
                                                          THandOverAnswer& answer);

  // Takes the program folder without waiting and without handing anything over (the batch
  // mode); null when another program holds it. Raises std::system_error as above.
  static std::unique_ptr<TSingleInstance> TryClaim(const std::string& programFolder);

  // Releases the folder (stopping the server first).
  ~TSingleInstance();

  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Starts acting on second starts' requests: each is acted on by handler on the main thread
  // (through mainThread, which must outlive the serving). Returns the empty text, or why second
  // starts cannot be answered (the program goes on without, still alone on its folder). An
  // instance from TryClaim never serves.
  std::string Serve(TMainThreadCall& mainThread, THandOverServer::THandler handler);

  // Stops answering (before the conversation shuts down); the folder stays taken.
  void StopServing();

 private:
  TSingleInstance(std::unique_ptr<TInstanceLock> lock, std::string programFolder,
                  std::string socketPath);

  // Listens at the socket (holding requests until Serve); notes why when it cannot.
  void Listen();

  std::unique_ptr<TInstanceLock> lock_;
  std::string canonicalFolder_;
  std::string socketPath_;  // empty when there is no usable socket folder
  std::string socketProblem_;
  std::unique_ptr<THandOverServer> server_;  // from the lock's taking until StopServing
};

}  // namespace kelmo
