// The decoder helper: the one process in which image-decoder libraries run. The program starts it
// with the decoder files on its command line and its socket as descriptor 3; it loads the
// decoders, limits and confines itself, and answers pictures until the program closes the socket
// (src/pictures/decoder_service.h). A decoder that crashes, hangs or misbehaves takes only this
// process down; the program starts another.
//
// Limits, set before any decoder's code runs: the address space (RLIMIT_AS), no core files, and
// death with the program (a helper never outlives it).
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/decoder_confinement.h"
#include "pictures/decoder_protocol.h"
#include "pictures/decoder_service.h"

namespace {

// Exit status of a command line the program would never give.
constexpr int kUsageStatus = 2;

struct THelperOptions {
  uint64_t MemoryLimit = 0;  // 0: none
  bool Confined = true;
  std::vector<std::string> DecoderFiles;
};

bool ParseOptions(int argc, char** argv, THelperOptions& options) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == kelmo::kHelperEndOfOptions) {
      ++i;
      break;
    }
    if (argument == kelmo::kHelperUnconfinedOption) {
      options.Confined = false;
    } else if (argument == kelmo::kHelperMemoryOption && i + 1 < argc) {
      const std::string_view value = argv[++i];
      const auto [end, error] =
          std::from_chars(value.data(), value.data() + value.size(), options.MemoryLimit);
      if (error != std::errc() || end != value.data() + value.size()) return false;
    } else {
      return false;
    }
  }
  options.DecoderFiles.assign(argv + i, argv + argc);
  return true;
}

void LimitSelf(uint64_t memoryLimit) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  ::prctl(PR_SET_DUMPABLE, 0);
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  if (memoryLimit > 0) {
    const rlimit memory{memoryLimit, memoryLimit};
    ::setrlimit(RLIMIT_AS, &memory);
  }
}

}  // namespace

int main(int argc, char** argv) {
  THelperOptions options;
  if (!ParseOptions(argc, argv, options)) return kUsageStatus;
  LimitSelf(options.MemoryLimit);
  if (::getppid() == 1) return 0;  // the program went before the death signal was armed
  kelmo::THelperDecoders decoders;
  kelmo::LoadHelperDecoders(options.DecoderFiles, decoders);
  if (options.Confined) kelmo::Confine();
  return kelmo::ServeDecodeRequests(kelmo::kHelperSocketDescriptor, decoders);
}
