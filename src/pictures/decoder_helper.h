// The program's side of the decoder helper (app/dorrinkelmo_decoder.cpp): starts it, hands it one
// picture at a time, reads its reply with a deadline, and kills it when it crashes, hangs or
// answers out of turn. What went wrong is returned as incidents naming the decoder at fault, for
// the error log.
//
// The helper is started on the first picture and reused; a new one is started when the list of
// decoder files changes (another character brings its own) or the last one died. It runs in a
// process group of its own, with standard streams on /dev/null and an empty environment, and
// inherits nothing but its end of a socket pair. Killing it kills the group, so nothing a decoder
// started outlives it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "charfile/regular_file.h"
#include "pictures/decoder_protocol.h"
#include "pictures/picture_limits.h"

namespace kelmo {

// The executable's file name.
inline constexpr std::string_view kDecoderHelperName = "dorrinkelmo-decoder";

struct TDecoderHelperSettings {
  std::string Program;  // the helper executable (file-system path)
  std::chrono::milliseconds TimeLimit = kDecodeTimeLimit;
  uint64_t MemoryLimit = kDecoderMemoryLimit;
  bool Confined = true;  // the helper confines itself (decoder_confinement.h)
};

// What went wrong with one picture, and whose doing it was.
struct TDecoderIncident {
  enum class TKind {
    NotStarted,      // the helper could not be started (Detail: errno)
    Crashed,         // the helper died of a signal (Detail: the signal)
    Stopped,         // the confinement stopped it for a forbidden call
    Exited,          // the helper ended by itself (Detail: its exit status)
    TimedOut,        // no answer within the time limit (Detail: the limit in milliseconds)
    Lied,            // blocks that are no picture
    StartedProcess,  // left a process of its own running
    Garbled,         // a reply out of turn or beyond its bounds
  };
  TKind Kind = TKind::Crashed;
  int Decoder = -1;  // index in the decoder files; -1 when no decoder was running
  int Detail = 0;
};

// What became of one picture.
struct THelperOutcome {
  THelperReply Reply;  // Reply.End == TReplyEnd::Picture when it was decoded
  std::vector<TDecoderIncident> Incidents;
};

// The incident as an English sentence without its subject ("crashed with signal 11
// (Segmentation fault)").
std::string IncidentText(const TDecoderIncident& incident);

class TDecoderHelper {
 public:
  explicit TDecoderHelper(TDecoderHelperSettings settings);
  // Kills the helper's process group and reaps it.
  ~TDecoderHelper();
  TDecoderHelper(const TDecoderHelper&) = delete;
  TDecoderHelper& operator=(const TDecoderHelper&) = delete;

  // Decodes the picture in the open regular file with the decoders in decoderFiles (in list
  // order), starting a helper for that list when none runs for it. The helper gets its own
  // descriptor for the file; the caller's is left as it is. A helper that crashes, is stopped,
  // exceeds the time limit or garbles its reply is killed and the picture fails with an
  // incident; a helper that died after its previous answer (its decoder's blocks aborted free())
  // is replaced and the picture sent once more.
  THelperOutcome Decode(int pictureFile, const std::vector<std::string>& decoderFiles);

  // The running helper's process id, or -1 (for tests).
  pid_t ProcessId() const { return process_; }

 private:
  // Starts a helper for decoderFiles; an incident when it cannot be started.
  bool Start(const std::vector<std::string>& decoderFiles, THelperOutcome& outcome);
  // Kills the helper's group and reaps it; the wait status, or 0 when none ran.
  int Stop();
  bool SendRequest(int pictureFile);
  // One request and its reply; retry is set when the helper ended before it started on the
  // picture.
  THelperOutcome Exchange(int pictureFile, bool& retry);

  TDecoderHelperSettings settings_;
  std::vector<std::string> decoderFiles_;  // the list the running helper was started with
  pid_t process_ = -1;
  TFileDescriptor processHandle_;  // pidfd: readable once the helper has ended
  TFileDescriptor socket_;
};

}  // namespace kelmo
