// The decoder helper's side of the protocol (decoder_protocol.h): the loop that takes one picture
// at a time from the program, hands it to the decoder list, and answers.
//
// The helper owns the decoder list for its whole life; the program starts a new helper when the
// list of decoder files changes. A decoder is told apart by its place in the list of files the
// helper was started with, refused libraries included, so the program can name it.
#pragma once

#include <string>
#include <vector>

#include "pictures/susie_plugin_list.h"

namespace kelmo {

// The decoder list of the helper: each file of decoderFiles that TSusiePlugInList accepts, in
// order, with the place in decoderFiles of each decoder loaded.
struct THelperDecoders {
  TSusiePlugInList List;
  std::vector<int> FileIndex;  // FileIndex[i]: the place in decoderFiles of List.PlugIn(i)
};

// Loads the decoder files into decoders (which must be empty).
void LoadHelperDecoders(const std::vector<std::string>& decoderFiles, THelperDecoders& decoders);

// Answers requests on the connected socket until the program closes it or sends something that
// is no request. Each request's picture is read from the descriptor that came with it (a
// regular file of at most kMaxPictureFileBytes; anything else is answered with NoPicture).
// Before each picture the processor limit is moved on by kDecoderCpuSecondsPerPicture. A decoder
// that leaves a process behind costs the picture and ends the loop after the answer, so that the
// program kills the helper's process group. Returns the helper's exit status.
int ServeDecodeRequests(int socket, THelperDecoders& decoders);

}  // namespace kelmo
