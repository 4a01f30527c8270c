/* The PNG decoder shipped with DorrinKelmo: an image-decoder library (see
 * dorrinkelmo/susie_plugin.h) built on libpng, loaded by the program like any other decoder.
 *
 * Every PNG colour type and bit depth is read (palette, grey, 16-bit, interlaced, with tRNS) and
 * returned as 32-bit blue-green-red-alpha rows, top-down (a negative height). libpng is set to
 * transform every kind into that one layout, which is also a QImage's, so neither libpng nor the
 * program needs a second pass over the rows.
 *
 * libpng reports a broken file through png_error, which calls our error function; that jumps back
 * to the setjmp in ReadPicture, never to abort(), and prints nothing. Variables that change after
 * the setjmp and are read after the jump are volatile, as setjmp requires. */
#include <png.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

#include "dorrinkelmo/susie_plugin.h"

/* The eight bytes every PNG file begins with. */
#define PNG_SIGNATURE_BYTES 8
/* Bytes of one output pixel. */
#define OUTPUT_PIXEL_BYTES 4

/* The texts GetPluginInfo gives, by number. */
static const char* const kPluginInfo[] = {
    SUSIE_API_VERSION_PICTURE,
    "DorrinKelmo PNG decoder 1.0 (libpng " PNG_LIBPNG_VER_STRING ")",
    "*.png",
    "PNG picture",
};

/* The file being read from memory. */
typedef struct MemoryReader {
  const unsigned char* data;
  size_t size;
  size_t position;
} MemoryReader;

static void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  MemoryReader* reader = (MemoryReader*)png_get_io_ptr(png);
  if (length > reader->size - reader->position) png_error(png, "the file ends too early");
  memcpy(out, reader->data + reader->position, length);
  reader->position += length;
}

static void JumpOnError(png_structp png, png_const_charp message) {
  (void)message;
  png_longjmp(png, 1);
}

static void IgnoreWarning(png_structp png, png_const_charp message) {
  (void)png;
  (void)message;
}

int GetPluginInfo(int infoNumber, char* buffer, int bufferLength) {
  const int count = (int)(sizeof kPluginInfo / sizeof kPluginInfo[0]);
  if (infoNumber < 0 || infoNumber >= count || buffer == NULL || bufferLength <= 0) return 0;
  size_t length = strlen(kPluginInfo[infoNumber]);
  if (length > (size_t)bufferLength - 1) length = (size_t)bufferLength - 1;
  memcpy(buffer, kPluginInfo[infoNumber], length);
  buffer[length] = '\0';
  return (int)length;
}

int IsSupported(const char* fileName, void* fileImage) {
  (void)fileName;
  return fileImage != NULL && png_sig_cmp((png_const_bytep)fileImage, 0, PNG_SIGNATURE_BYTES) == 0;
}

/* Sets libpng's transformations so that every kind of PNG reads as 8-bit blue, green, red,
 * alpha. */
static void RequestBgra(png_structp png, png_infop info) {
  const int colourType = png_get_color_type(png, info);
  png_set_expand(png); /* palette to RGB, grey below 8 bits to 8, tRNS to alpha */
  png_set_scale_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  }
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

/* The header block of a top-down 32-bit picture. */
static SusieBitmapInfoHeader* NewInfoHeader(png_uint_32 width, png_uint_32 height) {
  SusieBitmapInfoHeader* header = (SusieBitmapInfoHeader*)calloc(1, sizeof *header);
  if (header == NULL) return NULL;
  header->biSize = sizeof *header;
  header->biWidth = (int32_t)width;
  header->biHeight = -(int32_t)height;
  header->biPlanes = 1;
  header->biBitCount = 32;
  header->biCompression = SUSIE_BI_RGB;
  header->biSizeImage = width * height * OUTPUT_PIXEL_BYTES;
  return header;
}

/* Decodes the file into *infoBlock and *bitsBlock (rows top-down); on failure both stay NULL. */
static int ReadPicture(png_structp png, png_infop info, MemoryReader* reader, void** infoBlock,
                       void** bitsBlock, SusieProgressCallback progress, intptr_t userData) {
  SusieBitmapInfoHeader* volatile header = NULL;
  unsigned char* volatile pixels = NULL;
  png_bytep* volatile rows = NULL;
  if (setjmp(png_jmpbuf(png))) {
    free(header);
    free(pixels);
    free(rows);
    return SUSIE_BROKEN_DATA;
  }
  png_set_read_fn(png, reader, ReadFromMemory);
  png_set_user_limits(png, SUSIE_MAX_PICTURE_SIDE, SUSIE_MAX_PICTURE_SIDE);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if ((size_t)width * height * OUTPUT_PIXEL_BYTES > SUSIE_MAX_PICTURE_BYTES) {
    return SUSIE_OUT_OF_MEMORY;
  }
  RequestBgra(png, info);
  const size_t stride = (size_t)width * OUTPUT_PIXEL_BYTES;
  if (png_get_rowbytes(png, info) != stride) return SUSIE_INTERNAL_ERROR;
  if (progress != NULL && progress(0, (int)height, userData) != 0) return SUSIE_CANCELLED;

  header = NewInfoHeader(width, height);
  pixels = (unsigned char*)malloc(stride * height);
  rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
  if (header == NULL || pixels == NULL || rows == NULL) png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + (size_t)y * stride;
  png_read_image(png, rows);
  png_read_end(png, NULL);
  free(rows);
  if (progress != NULL && progress((int)height, (int)height, userData) != 0) {
    free(header);
    free(pixels);
    return SUSIE_CANCELLED;
  }
  *infoBlock = header;
  *bitsBlock = pixels;
  return SUSIE_SUCCESS;
}

int GetPicture(const char* buffer, long length, unsigned flag, void** info, void** bits,
               SusieProgressCallback progress, intptr_t userData) {
  if (info == NULL || bits == NULL) return SUSIE_INTERNAL_ERROR;
  *info = NULL;
  *bits = NULL;
  if ((flag & SUSIE_INPUT_MASK) != SUSIE_INPUT_MEMORY) return SUSIE_NOT_IMPLEMENTED;
  if (buffer == NULL || length < PNG_SIGNATURE_BYTES ||
      png_sig_cmp((png_const_bytep)buffer, 0, PNG_SIGNATURE_BYTES) != 0) {
    return SUSIE_UNKNOWN_FORMAT;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, JumpOnError, IgnoreWarning);
  if (png == NULL) return SUSIE_OUT_OF_MEMORY;
  png_infop pngInfo = png_create_info_struct(png);
  if (pngInfo == NULL) {
    png_destroy_read_struct(&png, NULL, NULL);
    return SUSIE_OUT_OF_MEMORY;
  }
  MemoryReader reader = {(const unsigned char*)buffer, (size_t)length, 0};
  const int result = ReadPicture(png, pngInfo, &reader, info, bits, progress, userData);
  png_destroy_read_struct(&png, &pngInfo, NULL);
  return result;
}
