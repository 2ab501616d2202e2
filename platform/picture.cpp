// Picture decoding and PNG encoding: libpng for PNG, libjpeg-turbo for JPEG
// and our own reader for BMP. Everything works on whole files in memory.
#include "platform/picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "platform/files.h"

namespace plat {

namespace {

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

bool SizeAllowed(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= kMaxPicturePixels;
}

// Sizes the picture's pixels (zeroed); false when the memory is not there,
// so that a decoder can clean up and report it instead of throwing past the
// library's own state.
bool AllocatePixels(Picture* picture, int w, int h) {
  try {
    picture->pixels.assign(static_cast<size_t>(w) * h * 4, 0);
  } catch (const std::bad_alloc&) {
    picture->pixels = std::vector<uint8_t>();
    return false;
  }
  picture->width = w;
  picture->height = h;
  return true;
}

// ------------------------------------------------------------------- PNG

struct PngReadState {
  const uint8_t* data;
  size_t size;
  size_t pos;
  char message[200];
};

void PngError(png_structp png, png_const_charp msg) {
  auto* st = static_cast<PngReadState*>(png_get_error_ptr(png));
  if (st) std::snprintf(st->message, sizeof(st->message), "%s", msg ? msg : "PNG error");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* st = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (length > st->size - st->pos) {
    png_error(png, "the PNG data ends early");
  }
  std::memcpy(out, st->data + st->pos, length);
  st->pos += length;
}

// Runs the libpng read inside its own frame so that the long jump out of an
// error only crosses plain data. `rows` must be sized by the caller through
// the callback before any row is read.
struct PngTarget {
  Picture* picture;
  bool (*allocate)(PngTarget*, int w, int h);
  std::vector<png_bytep> rowPointers;
};

bool AllocatePng(PngTarget* t, int w, int h) {
  if (!AllocatePixels(t->picture, w, h)) return false;
  try {
    t->rowPointers.resize(static_cast<size_t>(h));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int y = 0; y < h; ++y) t->rowPointers[y] = t->picture->pixels.data() + static_cast<size_t>(y) * w * 4;
  return true;
}

// Only the chunks that make the pixels are needed; none is larger than a
// palette, and none is kept in numbers.
constexpr png_alloc_size_t kPngChunkMallocMax = 1 << 20;
constexpr png_uint_32 kPngChunkCacheMax = 16;

int DecodePngFrame(PngReadState* st, PngTarget* target) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, st, PngError, PngWarning);
  if (!png) return 1;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return 1;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 2;
  }
  png_set_read_fn(png, st, PngRead);
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_chunk_malloc_max(png, kPngChunkMallocMax);
  png_set_chunk_cache_max(png, kPngChunkCacheMax);
  // Every chunk but the header, palette, transparency, image data and end is
  // skipped unread. The library would otherwise take (and clear) a buffer of
  // the length a text, profile or palette-suggestion chunk claims, up to 2 GB
  // for a few bytes of file, and none of them changes the pixels we return.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  // Ancillary chunks with bad CRCs are skipped rather than fatal; the pixels
  // themselves must be intact.
  png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_WARN_DISCARD);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info);
  png_uint_32 h = png_get_image_height(png, info);
  int colourType = png_get_color_type(png, info);
  int bitDepth = png_get_bit_depth(png, info);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4 || !SizeAllowed(w, h)) {
    std::snprintf(st->message, sizeof(st->message), "unsupported PNG size %ux%u", w, h);
    png_destroy_read_struct(&png, &info, nullptr);
    return 2;
  }
  if (!target->allocate(target, static_cast<int>(w), static_cast<int>(h))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
  }
  png_read_image(png, target->rowPointers.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}

bool DecodePng(const uint8_t* data, size_t size, Picture* out, std::string* error) {
  PngReadState st{data, size, 0, {0}};
  PngTarget target{out, AllocatePng, {}};
  int rc = DecodePngFrame(&st, &target);
  if (rc != 0) {
    SetError(error, rc == 1 ? std::string("out of memory") : std::string("PNG: ") + st.message);
    return false;
  }
  return true;
}

struct PngWriteState {
  std::vector<uint8_t>* out;
  char message[200];
};

void PngWriteError(png_structp png, png_const_charp msg) {
  auto* st = static_cast<PngWriteState*>(png_get_error_ptr(png));
  if (st) std::snprintf(st->message, sizeof(st->message), "%s", msg ? msg : "PNG error");
  png_longjmp(png, 1);
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* st = static_cast<PngWriteState*>(png_get_io_ptr(png));
  st->out->insert(st->out->end(), data, data + length);
}

void PngFlush(png_structp) {}

int EncodePngFrame(PngWriteState* st, png_bytepp rowPointers, int width, int height, int depth, bool unfiltered) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, st, PngWriteError, PngWarning);
  if (!png) return 1;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return 1;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 2;
  }
  png_set_write_fn(png, st, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               depth == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (unfiltered) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, rowPointers);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return 0;
}

// ------------------------------------------------------------------ JPEG

struct JpegError {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, err->message);
  longjmp(err->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

// Data that ends early or breaks off mid-stream is only a warning to the
// library, which then fills the rest with grey; here it fails the picture.
void JpegEmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  int code = info->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC ||
      code == JWRN_NOT_SEQUENTIAL)
    info->err->error_exit(info);
}

// The decoder's state lives outside the frame that calls setjmp: the library
// changes it after that call, and a long jump back may not find such changes
// in the frame's own locals.
struct JpegDecoder {
  JpegError err;
  jpeg_decompress_struct cinfo;
};

int DecodeJpegFrame(const uint8_t* data, size_t size, JpegDecoder* decoder, Picture* out) {
  JpegError* const err = &decoder->err;
  jpeg_decompress_struct& cinfo = decoder->cinfo;
  std::memset(&cinfo, 0, sizeof(cinfo));  // destroying a half-made decoder is then safe
  cinfo.err = jpeg_std_error(&err->base);
  err->base.error_exit = JpegErrorExit;
  err->base.output_message = JpegOutputMessage;
  err->base.emit_message = JpegEmitMessage;
  if (setjmp(err->jump)) {
    jpeg_destroy_decompress(&cinfo);
    return 2;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  if (!SizeAllowed(cinfo.image_width, cinfo.image_height)) {
    std::snprintf(err->message, sizeof(err->message), "unsupported JPEG size %ux%u", cinfo.image_width,
                  cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return 2;
  }
  jpeg_start_decompress(&cinfo);
  int w = static_cast<int>(cinfo.output_width);
  int h = static_cast<int>(cinfo.output_height);
  if (!SizeAllowed(w, h) || cinfo.output_components != 4) {
    std::snprintf(err->message, sizeof(err->message), "unsupported JPEG layout");
    jpeg_destroy_decompress(&cinfo);
    return 2;
  }
  if (!AllocatePixels(out, w, h)) {
    std::snprintf(err->message, sizeof(err->message), "out of memory");
    jpeg_destroy_decompress(&cinfo);
    return 2;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->pixels.data() + static_cast<size_t>(cinfo.output_scanline) * w * 4;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (cmyk) {
    // Adobe writes CMYK inverted; the common files all come from there.
    bool inverted = cinfo.saw_Adobe_marker;
    for (size_t i = 0; i < out->pixels.size(); i += 4) {
      unsigned c = out->pixels[i], m = out->pixels[i + 1], y = out->pixels[i + 2], k = out->pixels[i + 3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
      }
      out->pixels[i + 0] = static_cast<uint8_t>(y * k / 255);
      out->pixels[i + 1] = static_cast<uint8_t>(m * k / 255);
      out->pixels[i + 2] = static_cast<uint8_t>(c * k / 255);
      out->pixels[i + 3] = 0xFF;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Picture* out, std::string* error) {
  auto decoder = std::make_unique<JpegDecoder>();
  decoder->err.message[0] = 0;
  if (DecodeJpegFrame(data, size, decoder.get(), out) != 0) {
    SetError(error, std::string("JPEG: ") + decoder->err.message);
    return false;
  }
  return true;
}

// ------------------------------------------------------------------- BMP

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  uint8_t Extract(uint32_t v, uint8_t whenNone) const {
    if (!mask) return whenNone;
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(c >> (bits - 8));
    uint32_t maxv = (1u << bits) - 1;
    return static_cast<uint8_t>((c * 255 + maxv / 2) / maxv);
  }
};

MaskChannel MakeMask(uint32_t mask) {
  MaskChannel m;
  m.mask = mask;
  if (!mask) return m;
  while (!(mask & (1u << m.shift))) ++m.shift;
  while (m.shift + m.bits < 32 && (mask & (1u << (m.shift + m.bits)))) ++m.bits;
  return m;
}

bool DecodeBmp(const uint8_t* data, size_t size, Picture* out, std::string* error) {
  if (size < 14 + 12) {
    SetError(error, "BMP: the file is too short");
    return false;
  }
  uint32_t offBits = Le32(data + 10);
  const uint8_t* ih = data + 14;
  uint32_t headerSize = Le32(ih);
  int64_t w, h;
  int bitCount;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  int paletteEntryBytes = 4;
  if (headerSize == 12) {
    w = Le16(ih + 4);
    h = static_cast<int16_t>(Le16(ih + 6));
    bitCount = Le16(ih + 10);
    paletteEntryBytes = 3;
  } else if (headerSize >= 40 && headerSize <= 1024 && 14 + static_cast<size_t>(headerSize) <= size) {
    w = static_cast<int32_t>(Le32(ih + 4));
    h = static_cast<int32_t>(Le32(ih + 8));
    bitCount = Le16(ih + 14);
    compression = Le32(ih + 16);
    clrUsed = Le32(ih + 32);
  } else {
    SetError(error, "BMP: unknown header");
    return false;
  }
  bool topDown = h < 0;
  if (topDown) h = -h;
  if (!SizeAllowed(w, h)) {
    SetError(error, "BMP: unsupported size");
    return false;
  }
  // Bit fields: in the header for V4/V5 headers, else after the 40 bytes.
  uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
  bool bitFields = compression == 3 || compression == 6;
  if (compression != 0 && !bitFields) {
    SetError(error, "BMP: compressed pictures are not supported");
    return false;
  }
  size_t tablePos = 14 + static_cast<size_t>(headerSize);
  if (bitFields) {
    if (bitCount != 16 && bitCount != 32) {
      SetError(error, "BMP: bit fields need 16 or 32 bits");
      return false;
    }
    size_t maskPos = 14 + 40;
    if (headerSize == 40) tablePos += compression == 6 ? 16 : 12;
    if (maskPos + 16 > size) {
      SetError(error, "BMP: the file is too short");
      return false;
    }
    rMask = Le32(data + maskPos);
    gMask = Le32(data + maskPos + 4);
    bMask = Le32(data + maskPos + 8);
    if (compression == 6 || headerSize >= 56) aMask = Le32(data + maskPos + 12);
  } else if (bitCount == 16) {
    rMask = 0x7C00;
    gMask = 0x3E0;
    bMask = 0x1F;
  } else if (bitCount == 32) {
    rMask = 0xFF0000;
    gMask = 0xFF00;
    bMask = 0xFF;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
    SetError(error, "BMP: unsupported depth");
    return false;
  }
  // Colour table (clamped to what the depth can index).
  uint8_t table[256][4] = {};
  if (bitCount <= 8) {
    uint32_t entries = clrUsed ? clrUsed : (1u << bitCount);
    if (entries > (1u << bitCount)) entries = 1u << bitCount;
    for (uint32_t i = 0; i < entries; ++i) {
      size_t p = tablePos + static_cast<size_t>(i) * paletteEntryBytes;
      if (p + 3 > size) break;
      table[i][0] = data[p];
      table[i][1] = data[p + 1];
      table[i][2] = data[p + 2];
    }
  }
  size_t rowBytes = ((static_cast<size_t>(w) * bitCount + 31) / 32) * 4;
  if (offBits > size || rowBytes * static_cast<size_t>(h) > size - offBits) {
    SetError(error, "BMP: the pixel data is cut short");
    return false;
  }
  MaskChannel mr = MakeMask(rMask), mg = MakeMask(gMask), mb = MakeMask(bMask), ma = MakeMask(aMask);
  if (!AllocatePixels(out, static_cast<int>(w), static_cast<int>(h))) {
    SetError(error, "BMP: out of memory");
    return false;
  }
  bool anyAlpha = false;
  for (int64_t y = 0; y < h; ++y) {
    const uint8_t* row = data + offBits + rowBytes * static_cast<size_t>(topDown ? y : h - 1 - y);
    uint8_t* o = out->pixels.data() + static_cast<size_t>(y) * w * 4;
    for (int64_t x = 0; x < w; ++x, o += 4) {
      switch (bitCount) {
        case 1:
        case 4:
        case 8: {
          int perByte = 8 / bitCount;
          uint8_t byte = row[x / perByte];
          int shift = 8 - bitCount * (1 + static_cast<int>(x % perByte));
          int index = (byte >> shift) & ((1 << bitCount) - 1);
          o[0] = table[index][0];
          o[1] = table[index][1];
          o[2] = table[index][2];
          o[3] = 0xFF;
          break;
        }
        case 24:
          o[0] = row[x * 3];
          o[1] = row[x * 3 + 1];
          o[2] = row[x * 3 + 2];
          o[3] = 0xFF;
          break;
        case 16:
        case 32: {
          uint32_t v = bitCount == 16 ? Le16(row + x * 2) : Le32(row + x * 4);
          o[0] = mb.Extract(v, 0);
          o[1] = mg.Extract(v, 0);
          o[2] = mr.Extract(v, 0);
          if (bitCount == 32 && !bitFields) {
            o[3] = static_cast<uint8_t>(v >> 24);
            if (o[3]) anyAlpha = true;
          } else {
            o[3] = ma.Extract(v, 0xFF);
          }
          break;
        }
      }
    }
  }
  // A plain 32-bit BMP whose fourth bytes are all zero carries no alpha.
  if (bitCount == 32 && !bitFields && !anyAlpha)
    for (size_t i = 3; i < out->pixels.size(); i += 4) out->pixels[i] = 0xFF;
  return true;
}

}  // namespace

PictureFormat DetectPictureFormat(const uint8_t* data, size_t size) {
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!data) return PictureFormat::Unknown;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PictureFormat::Png;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::Jpeg;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return PictureFormat::Bmp;
  return PictureFormat::Unknown;
}

bool DecodePicture(const uint8_t* data, size_t size, Picture* out, std::string* error) {
  if (!out) return false;
  *out = Picture();
  bool ok = false;
  switch (DetectPictureFormat(data, size)) {
    case PictureFormat::Png: ok = DecodePng(data, size, out, error); break;
    case PictureFormat::Jpeg: ok = DecodeJpeg(data, size, out, error); break;
    case PictureFormat::Bmp: ok = DecodeBmp(data, size, out, error); break;
    case PictureFormat::Unknown: SetError(error, "not a PNG, JPEG or BMP picture"); break;
  }
  if (!ok) *out = Picture();
  return ok;
}

bool LoadPicture(const boost::filesystem::path& path, Picture* out, std::string* error) {
  if (!out) return false;
  *out = Picture();
  // Regular files only, opened without waiting: a pipe named like a picture
  // in a data folder cannot hold the program up.
  std::unique_ptr<FILE, int (*)(FILE*)> in(OpenFile(path, "rb"), &std::fclose);
  if (!in) {
    SetError(error, "cannot open " + path.string());
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  if (std::ferror(in.get())) {
    SetError(error, "cannot read " + path.string());
    return false;
  }
  return DecodePicture(bytes.data(), bytes.size(), out, error);
}

bool ReadPngSize(const boost::filesystem::path& path, int* width, int* height) {
  // Signature, then the first chunk: length 13, "IHDR", width, height.
  static const uint8_t kStart[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  uint8_t head[24];
  std::unique_ptr<FILE, int (*)(FILE*)> in(OpenFile(path, "rb"), &std::fclose);
  if (!in || std::fread(head, 1, sizeof head, in.get()) != sizeof head) return false;
  if (std::memcmp(head, kStart, sizeof kStart) != 0) return false;
  const auto big = [](const uint8_t* p) {
    return int64_t{p[0]} << 24 | int64_t{p[1]} << 16 | int64_t{p[2]} << 8 | int64_t{p[3]};
  };
  const int64_t w = big(head + 16), h = big(head + 20);
  if (!SizeAllowed(w, h)) return false;
  if (width) *width = static_cast<int>(w);
  if (height) *height = static_cast<int>(h);
  return true;
}

bool EncodePng(const uint8_t* rows, int width, int height, int stride, int depth, std::vector<uint8_t>* out,
               std::string* error, bool unfiltered) {
  if (!out) return false;
  out->clear();
  if (!rows || (depth != 24 && depth != 32) || !SizeAllowed(width, height) || stride < width * (depth / 8)) {
    SetError(error, "PNG: only 24- and 32-bit pictures of a valid size can be written");
    return false;
  }
  std::vector<png_bytep> pointers(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) pointers[y] = const_cast<png_bytep>(rows + static_cast<ptrdiff_t>(stride) * y);
  PngWriteState st{out, {0}};
  int rc = EncodePngFrame(&st, pointers.data(), width, height, depth, unfiltered);
  if (rc != 0) {
    out->clear();
    SetError(error, rc == 1 ? std::string("out of memory") : std::string("PNG: ") + st.message);
    return false;
  }
  return true;
}

bool SavePng(const boost::filesystem::path& path, const uint8_t* rows, int width, int height, int stride, int depth,
             std::string* error, bool unfiltered) {
  std::vector<uint8_t> bytes;
  if (!EncodePng(rows, width, height, stride, depth, &bytes, error, unfiltered)) return false;
  if (!WriteFileAtomic(path, bytes.data(), bytes.size())) {
    SetError(error, "cannot write " + path.string());
    return false;
  }
  return true;
}

}  // namespace plat
