#pragma once
// The picture classes every program draws with:
//   Bitmap   - a raster of 8, 16, 24 or 32 bits per pixel, top row first;
//   Image    - a Bitmap with a 256-entry palette, an index map and extra
//              frames (frame 1 is the copy in the display's pixel format);
//   ImageSet - an Image that is image 0 of a set of named images, the unit
//              of the .img file.
//
// Pixel encodings: 8-bit = palette index (index 0 is the transparent colour
// of keyed drawing); 16-bit = 5-5-5; 24-bit = bytes blue, green, red; 32-bit
// = 0xAARRGGBB stored little-endian (bytes blue, green, red, alpha).
#include <cstdint>
#include <cstdio>

#include <boost/filesystem/path.hpp>

#include "core/cstr.h"
#include "graphics/pixel_format.h"

// stateFlags bits: what was done to the pixels.
enum : uint32_t {
  kBitmapRotated = 0x01,
  kBitmapRemapped = 0x02,
  kBitmapHalved = 0x04,
  kBitmapReduced = 0x08,
  kBitmapFilled = 0x10,
  kBitmapResized = 0x20,
  kBitmapColoursAdjusted = 0x40,
  // Selects the channel order read by ReduceTo8Octree.
  kBitmapOctreeByteOrder = 0x100,
};

class Bitmap {
 public:
  Bitmap();
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  virtual ~Bitmap();

  // Frees everything, then makes a zero-filled w x h raster of 8, 16, 24 or
  // 32 bits. False for a non-positive size, another depth or no memory.
  bool Create(int32_t w, int32_t h, int32_t depth);
  // Frees spans and pixels; size, depth, stride, byte counts, hot spot and
  // stateFlags become 0. The palette and indexMap pointers stay.
  void Destroy();

  bool AllocRowSpans();
  void FreeRowSpans();
  // 8-bit only: per row, the index-0 pixels at the left and right ends.
  bool ComputeRowSpans();

  // Raw pixel value; 0 outside the bitmap or without pixels.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void GetPixelRGB(int32_t x, int32_t y, int* r, int* g, int* b) const;
  bool SetPixel(int32_t x, int32_t y, uint32_t value);
  bool Fill(uint8_t value);
  // 8-bit only: every pixel p becomes table[p]; null = own indexMap.
  bool RemapPixels(const uint8_t* table);

  // --- Blits (graphics/blit.cpp). The destination has this bitmap's depth.
  bool Draw(uint8_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstPitch, int32_t x, int32_t y, int32_t keyed,
            int32_t alpha) const;
  bool DrawPart(uint8_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstPitch, int32_t x, int32_t y, int32_t srcX,
                int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t keyed, int32_t alpha) const;
  // Opaque or keyed copy of an already clipped rectangle.
  bool CopyTo(uint8_t* dstRowStart, int32_t dstPitch, int32_t srcX, int32_t srcY, int32_t w, int32_t h,
              int32_t keyed) const;
  // Blend with a global alpha 0..255 of an already clipped rectangle.
  bool BlendTo(uint8_t* dstRowStart, int32_t dstPitch, int32_t srcX, int32_t srcY, int32_t w, int32_t h, int32_t keyed,
               int32_t alpha) const;
  // 8-bit only: dst[i] = table[index]; null table = BuildArgbTable of the
  // own palette with alpha 0. No destination clipping.
  bool DrawIndexedTo32(uint32_t* dst, int32_t dstPitch, int32_t srcX, int32_t srcY, int32_t w, int32_t h,
                       const uint32_t* table) const;

  // --- Picture files (graphics/picture.cpp, graphics/bmp.cpp).
  // Decodes a PNG, JPEG or BMP picture into 32 bits (straight alpha). Always
  // returns true: a picture that could not be read leaves the bitmap empty,
  // which callers test; the reason goes to the debug output.
  bool LoadWithGdiplus(const boost::filesystem::path& path);
  // Writes a 24- or 32-bit bitmap as PNG (temporary file, then renamed over
  // the target). The real result of encoding and writing.
  bool SavePng(const boost::filesystem::path& path) const;

  // Reads an uncompressed BMP at the file's current position into *out
  // (8, 16, 24 or 32 bits; rows taken as bottom-up). On failure *out and
  // paletteOut are left as they were.
  static bool LoadBmp(FILE* f, Bitmap* out, uint8_t paletteOut[256][4]);
  static bool LoadBmpFile(const boost::filesystem::path& path, Bitmap* out, uint8_t paletteOut[256][4]);
  // The same from a packed DIB in memory: information header, colour table,
  // rows. `size` bounds every read.
  static bool LoadBmpMemory(const void* packedDib, size_t size, Bitmap* out, uint8_t paletteOut[256][4]);
  static bool WriteBmp(FILE* f, const Bitmap* bmp, const uint8_t palette[256][4], bool rowsTopFirst);
  static bool SaveBmp(const boost::filesystem::path& path, const Bitmap* bmp, const uint8_t palette[256][4],
                      bool rowsTopFirst);

  // --- Depth and colour (graphics/picture.cpp).
  bool CopyFromBuffer(const uint8_t* src, int32_t w, int32_t h, int32_t srcPitch, int32_t srcBpp);
  bool ConvertFrom(const Bitmap& src, const uint8_t* table);
  // 8- or 24-bit into 32 bits in place; null palette = own palette.
  bool ToRGB32(const uint8_t palette[256][4]);
  bool AdjustColours(float gainR, float gainG, float gainB, float gainA, float biasR, float biasG, float biasB,
                     float biasA, float scaleR, float scaleG, float scaleB, float scaleA, float offsetR, float offsetG,
                     float offsetB, float offsetA);

  // --- Geometry (graphics/picture.cpp).
  bool Resize(int32_t newWidth, int32_t newHeight, bool smooth);
  bool Scale(float factor, bool smooth);
  bool ResizeToPowerOfTwo();
  bool HalfSize(const Bitmap& src, const uint8_t* blendTable, int tableSelect, bool keyed);
  bool RotateLeft();
  bool RotateRight();

  // --- Reduction of true colour to 8 bits through the quantisers
  // (graphics/bitmap_reduce.cpp). Null palette = dst's palette.
  bool ReduceTo8Octree(Bitmap* dst, uint8_t palette[256][4], int colours, int bitsOption);
  bool ReduceTo8NeuQuant(Bitmap* dst, uint8_t palette[256][4]);

  int32_t spanRows = 0;
  int32_t* leadingClear = nullptr;
  int32_t* trailingClear = nullptr;
  int32_t hotX = 0;
  int32_t hotY = 0;
  uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  int32_t bpp = 0;
  int32_t bytesPerPixel = 0;
  int32_t colourBytes = 0;
  int32_t alphaBytes = 0;
  // Point at the owning Image's arrays (null in a lone Bitmap).
  uint8_t* palette = nullptr;
  uint8_t* indexMap = nullptr;
  uint32_t stateFlags = 0;

 protected:
  // Takes over a freshly allocated block (from new uint8_t[]) as a w x h
  // raster of `depth` bits with the given stride.
  void AdoptPixels(uint8_t* block, int32_t w, int32_t h, int32_t depth, int32_t rowBytes);
  friend class ImageSet;
};

class Image : public Bitmap {
 public:
  Image();
  Image(const Image& other);
  Image& operator=(const Image& other);
  ~Image() override;

  // Clears the palette and index map, then Bitmap::Create.
  bool Create(int32_t w, int32_t h, int32_t depth);
  // Extra frames, palette, index map and pixels.
  void Free();
  bool SetFrameCount(int32_t n);
  // Frame i for 1 <= i < frameCount, else the image itself.
  Bitmap* GetFrame(int32_t i);
  const Bitmap* GetFrame(int32_t i) const;
  bool SetPalette(const uint8_t rgbx[256][4]);
  bool RemapToPalette(const uint8_t newPalette[256][4]);
  // Frame 1 becomes this image in the given pixel format.
  bool Upload(const PixelFormat* format);
  bool Resize(int32_t newWidth, int32_t newHeight, bool smooth);
  bool Scale(float factor, bool smooth);

  Bitmap* frames = nullptr;  // frameCount - 1 extra frames
  int32_t frameCount = 1;
  uint8_t palette[256][4];  // red, green, blue, unused
  uint8_t indexMap[256];
  uint32_t screenPalette[256];

 private:
  void ResetPaletteAndMap();
  friend class ImageSet;
};

class ImageSet : public Image {
 public:
  explicit ImageSet(int32_t n = 1);
  ImageSet(const ImageSet& other);
  ImageSet& operator=(const ImageSet& other);
  ~ImageSet() override;

  // Image-set file (graphics/imageset.cpp).
  virtual bool Load(const char* path);
  virtual bool Load(FILE* f);

  // Deletes the sub-images and names; count 1 (image 0 keeps its pixels).
  void Free();
  bool SetCount(int32_t n);
  // Image i for 1 <= i < count, else the set itself.
  Image* GetImage(int32_t i);
  const Image* GetImage(int32_t i) const;
  CStr GetName(int32_t i) const;
  // First image whose name equals `name` ignoring ASCII case; -1 if none.
  int32_t IndexOf(const char* name) const;
  Image* FindImage(const char* name);
  bool SetIndexMap(const uint8_t map[256]);
  bool RemapToPalette(const uint8_t newPalette[256][4]);
  bool Resize(int32_t newWidth, int32_t newHeight, bool smooth);
  bool Scale(float factor, bool smooth);
  bool Upload(const PixelFormat* format);
  // Hash of the count and of every image's name, width and height.
  uint32_t ComputeSignature() const;

  Image* subImages = nullptr;  // count - 1 images
  CStr* names = nullptr;       // count names
  int32_t count = 1;

 protected:
  // Replaces this set's images and names with those of `other`, which is
  // left empty. Used by the loader so a refused file changes nothing.
  void TakeImagesFrom(ImageSet& other);
};

// For each colour of `from`, the index of the nearest colour of `to` (sum of
// absolute channel differences; the first of equal candidates wins).
bool BuildPaletteRemap(uint8_t out[256], const uint8_t from[256][4], const uint8_t to[256][4]);
// Index of the highest set bit from 31 down to 1; 0 when none of them is set.
int HighestBit(int v);
