#pragma once
// Picture files: PNG, JPEG and BMP decoded to 32-bit pixels, and PNG written
// from 24- or 32-bit rows. The format is found from the content, never from
// the file name. No gamma or colour management is applied: pixels come out
// as they are stored. Every call reports failure with false and a reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

namespace plat {

enum class PictureFormat { Unknown, Png, Jpeg, Bmp };

// A decoded picture: width * height pixels, rows top first, no row padding,
// each pixel the bytes blue, green, red, alpha (straight, not premultiplied).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Largest picture the decoders accept, in pixels (each side at most
// kMaxPictureSide); larger ones are refused before any pixel memory is taken.
constexpr int kMaxPictureSide = 16384;
constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;

PictureFormat DetectPictureFormat(const uint8_t* data, size_t size);

// Decodes a whole picture file held in memory. On failure *out is left
// empty and *error (when given) says why.
bool DecodePicture(const uint8_t* data, size_t size, Picture* out, std::string* error);
bool LoadPicture(const boost::filesystem::path& path, Picture* out, std::string* error);

// Reads only the start of a PNG file: true with the picture's size when the
// file opens, has the PNG signature and a header chunk of an accepted size.
// Whether the rest decodes is known only by decoding it.
bool ReadPngSize(const boost::filesystem::path& path, int* width, int* height);

// Encodes rows (top first, `stride` bytes apart) as PNG: depth 24 takes the
// bytes blue, green, red per pixel and writes RGB; depth 32 takes blue,
// green, red, alpha and writes RGBA. `unfiltered` writes every row without a
// prediction filter: for smooth artwork the file is as small or smaller and
// decodes faster (the game's own pictures); by default libpng picks a filter
// per row.
bool EncodePng(const uint8_t* rows, int width, int height, int stride, int depth, std::vector<uint8_t>* out,
               std::string* error, bool unfiltered = false);
// EncodePng, written to a temporary file beside `path` and renamed over it;
// on failure the old file is kept.
bool SavePng(const boost::filesystem::path& path, const uint8_t* rows, int width, int height, int stride, int depth,
             std::string* error, bool unfiltered = false);

}  // namespace plat
