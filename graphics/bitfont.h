#pragma once
// Text drawn with a bitmap font: an image set whose images are named by
// single characters. The font keeps its own drawing state: the target
// surface, a text cursor with its line start, and the spacing values.
#include <cstdint>
#include <cstdio>

#include "graphics/bitmap.h"

class BitFont : public ImageSet {
 public:
  BitFont();
  ~BitFont() override;

  // The image-set load, then the glyph map; spacing (1, 0, 0, 0, 0) on
  // success.
  bool Load(const char* path) override;
  bool Load(FILE* f) override;

  bool BuildGlyphMap();
  bool SetSpacing(int32_t spacing, int32_t rise, int32_t lineShiftX, int32_t lineExtra, int32_t spaceWidth);
  bool SetTarget(uint8_t* bits, int32_t width, int32_t height, int32_t pitch, int32_t depth);
  void SetCursor(int32_t x, int32_t y);
  void MoveCursor(int32_t byX, int32_t byY);
  void ShiftLineStart(int32_t byX, int32_t byY);
  void CopyCursor(const BitFont& other);
  // The image set and every field of the other font.
  void CopyFrom(const BitFont& other);

  bool DrawText(const char* text, int32_t x, int32_t y);
  // One line of text from (x, y) within `width` pixels: the first glyph that
  // would reach past x + width ends the line there, and every byte without a
  // glyph, newline included, advances as a blank. The pen ends where the
  // line stopped; false when nothing was drawn for want of text or target.
  bool DrawTextLine(const char* text, int32_t x, int32_t y, int32_t width);
  bool DrawTextAtCursor(const char* text);
  void DrawTextCentered(const char* text, int32_t x, int32_t y, int32_t width);
  int32_t TextWidth(const char* text) const;

  int32_t glyph[256];
  int32_t spacing = 0;
  int32_t rise = 0;
  int32_t lineShiftX = 0;
  int32_t lineHeight = 0;
  int32_t spaceWidth = 0;
  int32_t cursorX = 0;
  int32_t cursorY = 0;
  int32_t lineStartX = 0;
  int32_t lineStartY = 0;
  int32_t penX = 0;
  int32_t penY = 0;
  int32_t penLineX = 0;
  int32_t penLineY = 0;
  int32_t alpha = 256;
  int32_t keyed = 1;
  uint8_t* targetBits = nullptr;
  int32_t targetWidth = 0;
  int32_t targetHeight = 0;
  int32_t targetPitch = 0;
  int32_t targetDepth = 0;

 private:
  // The frame index whose depth matches the target, found on image 0 (its
  // frame count when none does), and the frame of glyph image g drawn for it.
  int32_t TargetFrameIndex() const;
  const Bitmap* GlyphFrame(int32_t g, int32_t k) const;
};
