/* The image-decoder interface of DorrinKelmo, for authors of decoders.
 *
 * A decoder is a shared object with the file extension ".spi" that exports, with C linkage and
 * under these names, GetPluginInfo, IsSupported and GetPicture (GetPictureInfo and GetPreview may
 * be exported too; the program looks them up and never calls them). The program finds decoders
 * in "SPIs/" of its program folder, then in its system folder, then in "SPIs/" beside its
 * executable, then in the folder of the character being shown, and gives each picture that is
 * neither JPEG nor BMP to the decoders in that order: the first whose IsSupported claims the
 * picture and whose GetPicture succeeds wins. Decoders run in a helper process of the program,
 * with no access to files, the network or other processes: the picture is in memory.
 *
 * A decoded picture is handed back as two blocks allocated with malloc: a Windows-style bitmap
 * information header (SusieBitmapInfoHeader, little-endian) followed by its colour table, and the
 * pixel rows, bottom-up unless the height is negative, each row padded to a multiple of 4 bytes.
 * The program frees both with free. It reads no byte beyond either block, so a decoder that lies
 * about its picture only makes the picture fail to load. docs/image-decoders.md has a walk-through.
 */
#ifndef DORRINKELMO_SUSIE_PLUGIN_H
#define DORRINKELMO_SUSIE_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Marks the functions a decoder exports (build with -fvisibility=hidden to keep the rest in). */
#define SUSIE_EXPORT __attribute__((visibility("default")))

/* GetPluginInfo(0) of a picture decoder; the program refuses any other interface version. */
#define SUSIE_API_VERSION_PICTURE "00IN"

/* The program hands IsSupported at least this many readable bytes, zero-padded past the file. */
#define SUSIE_SUPPORTED_HEAD_BYTES 2048

/* The largest picture the program accepts: each side and the bytes of its pixels at 32 bits. */
#define SUSIE_MAX_PICTURE_SIDE 16384
#define SUSIE_MAX_PICTURE_BYTES (256u * 1024u * 1024u)

/* GetPicture's flag: the low three bits say what the first argument is. With SUSIE_INPUT_FILE
 * it is a file name and the length is the offset to start at; with SUSIE_INPUT_MEMORY (the only
 * form the program uses) it is the whole file in memory and the length is its size. */
#define SUSIE_INPUT_MASK 7u
#define SUSIE_INPUT_FILE 0u
#define SUSIE_INPUT_MEMORY 1u

/* GetPicture's results. */
enum SusieResult {
  SUSIE_NOT_IMPLEMENTED = -1,
  SUSIE_SUCCESS = 0,
  SUSIE_CANCELLED = 1,      /* the progress callback answered non-zero */
  SUSIE_UNKNOWN_FORMAT = 2, /* not a picture this decoder reads */
  SUSIE_BROKEN_DATA = 3,    /* truncated or corrupt */
  SUSIE_OUT_OF_MEMORY = 4,  /* includes pictures beyond the limits above */
  SUSIE_MEMORY_ERROR = 5,
  SUSIE_FILE_READ_ERROR = 6,
  SUSIE_INTERNAL_ERROR = 8
};

/* The 40-byte bitmap information header. The colour table (SusieRgbQuad entries) follows it at
 * biSize bytes from the start of the block. The program reads pictures with biPlanes 1,
 * biCompression SUSIE_BI_RGB and biBitCount 1, 4, 8 (with a colour table of biClrUsed entries, or
 * 2^biBitCount when biClrUsed is 0), 24 (blue, green, red) or 32 (blue, green, red, alpha; an alpha
 * that is 0 in every pixel counts as opaque). */
typedef struct SusieBitmapInfoHeader {
  uint32_t biSize; /* at least 40 */
  int32_t biWidth;
  int32_t biHeight; /* negative: the rows run top-down */
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} SusieBitmapInfoHeader;

#define SUSIE_BI_RGB 0u

typedef struct SusieRgbQuad {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
} SusieRgbQuad;

/* Called by a decoder while it works; a non-zero answer asks it to stop with SUSIE_CANCELLED.
 * userData is GetPicture's. The program always answers 0. */
typedef int (*SusieProgressCallback)(int numerator, int denominator, intptr_t userData);

/* What GetPictureInfo reports (the program never asks). */
typedef struct SusiePictureInfo {
  long left, top;
  long width, height;
  uint16_t x_density, y_density;
  int16_t colorDepth;
  void* hInfo; /* malloc'ed text, or NULL */
} SusiePictureInfo;

/* Writes the information text infoNumber into buffer (at most bufferLength bytes, zero-terminated)
 * and returns its length; 0 when there is no such text. 0: the interface version
 * (SUSIE_API_VERSION_PICTURE), 1: the decoder's name and version, then pairs from 2 on: the file
 * patterns read ("*.png;*.apng") and their type name ("PNG picture"). The program asks 0 to 3 once
 * each, with bufferLength 255. */
typedef int (*SusieGetPluginInfo)(int infoNumber, char* buffer, int bufferLength);

/* Non-zero when the decoder reads the picture. fileName is empty; fileImage points at the whole
 * file, followed by zeros up to at least SUSIE_SUPPORTED_HEAD_BYTES bytes. */
typedef int (*SusieIsSupported)(const char* fileName, void* fileImage);

/* Decodes the picture. With (flag & SUSIE_INPUT_MASK) == SUSIE_INPUT_MEMORY, buffer points at the
 * whole file and length is its size. On success returns SUSIE_SUCCESS with *info and *bits set to
 * two malloc'ed blocks as described above. On failure returns another SusieResult; *info and *bits
 * start as NULL, and any block the decoder stored there is freed by the program. */
typedef int (*SusieGetPicture)(const char* buffer, long length, unsigned flag, void** info,
                               void** bits, SusieProgressCallback progress, intptr_t userData);

/* Looked up, never called. */
typedef int (*SusieGetPictureInfo)(const char* buffer, long length, unsigned flag,
                                   SusiePictureInfo* pictureInfo);
typedef SusieGetPicture SusieGetPreview;

/* The exported functions a decoder defines. */
SUSIE_EXPORT int GetPluginInfo(int infoNumber, char* buffer, int bufferLength);
SUSIE_EXPORT int IsSupported(const char* fileName, void* fileImage);
SUSIE_EXPORT int GetPicture(const char* buffer, long length, unsigned flag, void** info,
                            void** bits, SusieProgressCallback progress, intptr_t userData);
SUSIE_EXPORT int GetPictureInfo(const char* buffer, long length, unsigned flag,
                                SusiePictureInfo* pictureInfo);
SUSIE_EXPORT int GetPreview(const char* buffer, long length, unsigned flag, void** info,
                            void** bits, SusieProgressCallback progress, intptr_t userData);

#ifdef __cplusplus
}
#endif

#endif /* DORRINKELMO_SUSIE_PLUGIN_H */
