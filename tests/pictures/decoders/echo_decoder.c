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
 *   NO_PLUGIN_INFO, NO_IS_SUPPORTED, NO_GET_PICTURE   leave that export out
 * and, for the hostile decoders, one of these, which GetPicture does first:
 *   CRASHES         writes to an unmapped address
 *   CRASHES_ON_LOAD the same in the library's constructor, when it is loaded
 *   HANGS           loops for ever
 *   JUNK_POINTERS   returns success with two pointers that are no heap blocks
 *   OVERSIZED       returns a header that claims 100,000 x 100,000 pixels over a 4-byte block
 *   EXHAUSTS_MEMORY takes memory until there is none, then uses the null pointer
 *   PRINTS          writes a megabyte to standard output and standard error, then decodes
 *   FORKS           starts a process that waits for ever, then decodes
 *   WRITES_FILE     opens a file in /tmp for writing
 *   KILLS_PROGRAM   sends SIGKILL to the process that started it
 *   CONNECTS        opens a network socket
 *   SHARES_BLOCK    decodes, but returns the info block as the bits block too, so that freeing
 *                   both aborts the process (the picture itself reads as valid) */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

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
  const char* name = "echo decoder " CLAIMS;
  const char* texts[] = {API_VERSION, name, "*.echo", "Echo picture"};
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

#if defined(CRASHES) || defined(CRASHES_ON_LOAD)
/* A write to an unmapped page, which the compiler cannot prove wrong (a null pointer it would
 * turn into a trap, or drop with the function around it). */
static int* volatile unmapped = (int*)(uintptr_t)16;
#define CRASH() (*unmapped = 1)
#endif

#ifdef CRASHES_ON_LOAD
__attribute__((constructor)) static void CrashOnLoad(void) {
  CRASH();
}
#endif

#ifndef NO_GET_PICTURE
/* What a hostile decoder does before it decodes; returns non-zero when GetPicture is to return
 * at once with *info and *bits as set. */
static int Misbehave(void** info, void** bits) {
  (void)info;
  (void)bits;
#ifdef CRASHES
  CRASH();
#endif
#ifdef HANGS
  for (volatile int forever = 1; forever;) {
  }
#endif
#ifdef JUNK_POINTERS
  *info = (void*)(uintptr_t)0x1000;
  *bits = (void*)(uintptr_t)0x2000;
  return 1;
#endif
#ifdef OVERSIZED
  static const unsigned char header[40] = {40, 0, 0, 0, 0xa0, 0x86, 0x01, 0, 0xa0, 0x86, 0x01,
                                           0,  1, 0, 32, 0};
  *info = malloc(sizeof header);
  memcpy(*info, header, sizeof header);
  *bits = calloc(1, 4);
  return 1;
#endif
#ifdef EXHAUSTS_MEMORY
  const size_t chunk = 64u << 20;
  for (;;) {
    volatile char* block = malloc(chunk);
    block[0] = 1; /* null at the end: a crash */
  }
#endif
#ifdef PRINTS
  static char line[4096];
  memset(line, 'x', sizeof line);
  for (int i = 0; i < 256; ++i) {
    fwrite(line, 1, sizeof line, stdout);
    fwrite(line, 1, sizeof line, stderr);
  }
  fflush(stdout);
#endif
#ifdef FORKS
  if (fork() == 0) {
    for (;;) pause();
  }
#endif
#ifdef WRITES_FILE
  FILE* file = fopen("/tmp/dorrinkelmo-hostile-decoder.txt", "w");
  if (file != NULL) fclose(file);
#endif
#ifdef KILLS_PROGRAM
  kill(getppid(), SIGKILL);
#endif
#ifdef CONNECTS
  const int network = socket(AF_INET, SOCK_STREAM, 0);
  if (network >= 0) close(network);
#endif
  return 0;
}

static uint32_t ReadNumber(const unsigned char* bytes) {
  return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 |
         (uint32_t)bytes[3] << 24;
}

SUSIE_EXPORT int GetPicture(const char* buffer, long length, unsigned flag, void** info,
                            void** bits, SusieProgressCallback progress, intptr_t userData) {
  const unsigned char* file = (const unsigned char*)buffer;
  if (flag != SUSIE_INPUT_MEMORY || length < ECHO_HEADER_BYTES) return SUSIE_UNKNOWN_FORMAT;
  if (Misbehave(info, bits)) return SUSIE_SUCCESS;
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
#ifdef SHARES_BLOCK
  free(*bits);
  *bits = *info;
#endif
#ifdef FAILS
  (void)result;
  return SUSIE_BROKEN_DATA;
#else
  return result;
#endif
}
#endif
