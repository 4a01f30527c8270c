/* A decoder for the tests that returns whatever blocks the picture file spells out, so a test can
 * make a decoder return anything, including lies. An echo file is:
 *
 *   "ECHO", one claim letter, the result (int32), the info block's size (uint32) and bytes, the
 *   bits block's size (uint32) and bytes (numbers little-endian)
 *
 * The decoder claims the file when the claim letter is '*' or one of CLAIMS, and returns the
 * result with the two blocks malloc'ed at exactly their sizes. It is built several times with
 * these definitions:
 *   CLAIMS          the letters it claims besides '*'
 *   STAMP           written over the first byte of the bits, to tell which decoder decoded
 *   FAILS           GetPicture fails after storing both blocks (which the program must free)
 *   API_VERSION     GetPluginInfo(0) (default "00IN")
 *   NO_PLUGIN_INFO, NO_IS_SUPPORTED, NO_GET_PICTURE   leave that export out */
#include <stdlib.h>
#include <string.h>

#include "dorrinkelmo/susie_plugin.h"

#ifndef API_VERSION
#define API_VERSION SUSIE_API_VERSION_PICTURE
#endif
#ifndef CLAIMS
#define CLAIMS ""
#endif

/* Bytes before the blocks: magic, claim letter, result, info size. */
#define ECHO_HEADER_BYTES 13

#ifndef NO_PLUGIN_INFO
SUSIE_EXPORT int GetPluginInfo(int infoNumber, char* buffer, int bufferLength) {
  const char* texts[] = {API_VERSION, "echo decoder " CLAIMS, "*.echo", "Echo picture"};
  if (infoNumber < 0 || infoNumber > 3) return 0;
  strncpy(buffer, texts[infoNumber], (size_t)bufferLength);
  return (int)strlen(buffer);
}
#endif

#ifndef NO_IS_SUPPORTED
SUSIE_EXPORT int IsSupported(const char* fileName, void* fileImage) {
  (void)fileName;
  const char* file = (const char*)fileImage;
  if (memcmp(file, "ECHO", 4) != 0) return 0;
  return file[4] == '*' || (file[4] != '\0' && strchr(CLAIMS, file[4]) != NULL);
}
#endif

#ifndef NO_GET_PICTURE
static uint32_t ReadNumber(const unsigned char* bytes) {
  return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 |
         (uint32_t)bytes[3] << 24;
}

SUSIE_EXPORT int GetPicture(const char* buffer, long length, unsigned flag, void** info,
                            void** bits, SusieProgressCallback progress, intptr_t userData) {
  const unsigned char* file = (const unsigned char*)buffer;
  if (flag != SUSIE_INPUT_MEMORY || length < ECHO_HEADER_BYTES) return SUSIE_UNKNOWN_FORMAT;
  if (progress(0, 1, userData) != 0) return SUSIE_CANCELLED;
  const int result = (int)ReadNumber(file + 5);
  const size_t infoSize = ReadNumber(file + 9);
  if (ECHO_HEADER_BYTES + infoSize + 4 > (size_t)length) return SUSIE_BROKEN_DATA;
  const size_t bitsSize = ReadNumber(file + ECHO_HEADER_BYTES + infoSize);
  const unsigned char* bitsStart = file + ECHO_HEADER_BYTES + infoSize + 4;
  if ((size_t)(bitsStart - file) + bitsSize > (size_t)length) return SUSIE_BROKEN_DATA;
  *info = malloc(infoSize);
  *bits = malloc(bitsSize);
  memcpy(*info, file + ECHO_HEADER_BYTES, infoSize);
  memcpy(*bits, bitsStart, bitsSize);
#ifdef STAMP
  if (bitsSize > 0) *(unsigned char*)*bits = STAMP;
#endif
#ifdef FAILS
  (void)result;
  return SUSIE_BROKEN_DATA;
#else
  return result;
#endif
}
#endif
