#include "graphics/bitfont.h"

#include <cstring>

BitFont::BitFont() {
  for (int i = 0; i < 256; ++i) glyph[i] = -1;
}

BitFont::~BitFont() = default;

bool BitFont::Load(const char* path) {
  // The path form opens the file and comes back through Load (FILE*).
  return ImageSet::Load(path);
}

bool BitFont::Load(FILE* f) {
  if (!ImageSet::Load(f)) return false;
  if (!BuildGlyphMap()) return false;
  SetSpacing(1, 0, 0, 0, 0);
  return true;
}

bool BitFont::BuildGlyphMap() {
  for (int i = 0; i < 256; ++i) glyph[i] = -1;
  if (count < 2 || !names) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (names[i].length != 1 || !names[i].data) continue;
    const uint8_t c = static_cast<uint8_t>(names[i].data[0]);
    // Control bytes never draw: a text that holds one shows nothing there.
    if (c < 32 || c == 127) continue;
    glyph[c] = i;
  }
  constexpr int kUpper = 'A', kLower = 'a';
  if (glyph[kUpper] < 0) std::memmove(&glyph[kUpper], &glyph[kLower], 26 * sizeof(int32_t));
  if (glyph[kLower] < 0) std::memmove(&glyph[kLower], &glyph[kUpper], 26 * sizeof(int32_t));
  return true;
}

bool BitFont::SetSpacing(int32_t spacingIn, int32_t riseIn, int32_t lineShiftXIn, int32_t lineExtra,
                         int32_t spaceWidthIn) {
  spacing = spacingIn;
  rise = riseIn;
  lineShiftX = lineShiftXIn;
  constexpr int kReference = 'M';
  int32_t m = glyph[kReference];
  const Image* ref = (m > 0 && m < count) ? GetImage(m) : GetImage(0);
  lineHeight = lineExtra + ref->height;
  spaceWidth = spaceWidthIn ? spaceWidthIn : spacing + ref->width;
  return true;
}

bool BitFont::SetTarget(uint8_t* bits, int32_t w, int32_t h, int32_t pitch, int32_t depth) {
  if (!bits || w <= 0 || h <= 0 || depth == 0) return false;
  targetBits = bits;
  targetWidth = w;
  targetHeight = h;
  targetPitch = pitch;
  targetDepth = depth;
  return true;
}

void BitFont::SetCursor(int32_t x, int32_t y) {
  cursorX = lineStartX = x;
  cursorY = lineStartY = y;
}

void BitFont::MoveCursor(int32_t byX, int32_t byY) {
  cursorX += byX;
  cursorY += byY;
}

void BitFont::ShiftLineStart(int32_t byX, int32_t byY) {
  bool onX = cursorX == lineStartX;
  bool onY = cursorY == lineStartY;
  lineStartX += byX;
  lineStartY += byY;
  if (onX) cursorX += byX;
  if (onY) cursorY += byY;
}

void BitFont::CopyCursor(const BitFont& other) {
  cursorX = other.cursorX;
  cursorY = other.cursorY;
  lineStartX = other.lineStartX;
  lineStartY = other.lineStartY;
}

void BitFont::CopyFrom(const BitFont& other) {
  if (this == &other) return;
  ImageSet::operator=(other);
  std::memcpy(glyph, other.glyph, sizeof(glyph));
  spacing = other.spacing;
  rise = other.rise;
  lineShiftX = other.lineShiftX;
  lineHeight = other.lineHeight;
  spaceWidth = other.spaceWidth;
  cursorX = other.cursorX;
  cursorY = other.cursorY;
  lineStartX = other.lineStartX;
  lineStartY = other.lineStartY;
  penX = other.penX;
  penY = other.penY;
  penLineX = other.penLineX;
  penLineY = other.penLineY;
  alpha = other.alpha;
  keyed = other.keyed;
  targetBits = other.targetBits;
  targetWidth = other.targetWidth;
  targetHeight = other.targetHeight;
  targetPitch = other.targetPitch;
  targetDepth = other.targetDepth;
}

int32_t BitFont::TargetFrameIndex() const {
  const Image* first = GetImage(0);
  for (int32_t i = 0; i < first->frameCount; ++i) {
    if (first->GetFrame(i)->bpp == targetDepth) return i;
  }
  return first->frameCount;
}

const Bitmap* BitFont::GlyphFrame(int32_t g, int32_t k) const {
  const Image* img = GetImage(g);
  return (k > 0 && k < img->frameCount) ? img->GetFrame(k) : img->GetFrame(0);
}

bool BitFont::DrawText(const char* text, int32_t x, int32_t y) {
  if (!text || !*text || !targetBits) return false;
  penX = x;
  penY = y;
  penLineX = lineStartX;
  penLineY = lineStartY;
  const int32_t k = TargetFrameIndex();
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    int32_t g = glyph[*p];
    if (g < 0 || *p == ' ') {
      if (*p == '\n') {
        penLineX += lineShiftX;
        penLineY += lineHeight;
        penX = penLineX;
        penY = penLineY;
      } else {
        penX += spaceWidth;
      }
      continue;
    }
    const Bitmap* frame = GlyphFrame(g, k);
    // A frame deeper than the target would write past the target's rows.
    if (frame->bpp <= targetDepth)
      frame->Draw(targetBits, targetWidth, targetHeight, targetPitch, penX, penY, keyed, alpha);
    penX += spacing + frame->width;
    penY += rise;
  }
  return true;
}

bool BitFont::DrawTextLine(const char* text, int32_t x, int32_t y, int32_t width) {
  if (!text || !*text || !targetBits) return false;
  penX = x;
  penY = y;
  penLineX = lineStartX;
  penLineY = lineStartY;
  const int64_t right = int64_t{x} + width;
  const int32_t k = TargetFrameIndex();
  // The loop ends once the pen has passed the right edge, so a text of any
  // length costs only what fits.
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p && penX < right; ++p) {
    const int32_t g = glyph[*p];
    if (g < 0 || *p == ' ') {
      penX += spaceWidth;
      continue;
    }
    const Bitmap* frame = GlyphFrame(g, k);
    const int64_t left = int64_t{penX} - frame->hotX;
    if (left < x || left + frame->width > right) break;
    if (frame->bpp <= targetDepth)
      frame->Draw(targetBits, targetWidth, targetHeight, targetPitch, penX, penY, keyed, alpha);
    penX += spacing + frame->width;
    penY += rise;
  }
  return true;
}

bool BitFont::DrawTextAtCursor(const char* text) {
  if (!DrawText(text, cursorX, cursorY)) return false;
  cursorX = penX;
  cursorY = penY;
  lineStartX = penLineX;
  lineStartY = penLineY;
  return true;
}

void BitFont::DrawTextCentered(const char* text, int32_t x, int32_t y, int32_t w) {
  DrawText(text, x + (w - TextWidth(text)) / 2, y);
}

int32_t BitFont::TextWidth(const char* text) const {
  if (!text) return 0;
  int32_t total = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    int32_t g = glyph[*p];
    if (g < 0 || *p == ' ') {
      total += spaceWidth;
    } else {
      total += GetImage(g)->GetFrame(0)->width + spacing;
    }
  }
  return total;
}
