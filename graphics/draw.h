#pragma once
// Drawing primitives over the program's display (TheDisplay()): filled
// rectangles, lines, glow blobs, image blits with additive or alpha
// blending, and restoring the background picture under a rectangle. Each
// locks and unlocks the display itself (locks nest), so they may be called
// inside or outside a caller's own lock. Rectangles handed back are left,
// top, right, bottom with right and bottom exclusive.
#include <cstdint>

#include "platform/window_placement.h"

class Bitmap;

// Fills rows y .. y + height - 1 and columns x .. x + width - 1 (note the
// order of height and width) with the colour in the display's format. The
// part outside the back buffer is skipped. out = {x, y, x + width,
// y + height}. Nothing is marked dirty.
void FillRectColour(int32_t x, int32_t y, int32_t height, int32_t width, uint8_t r, uint8_t g, uint8_t b,
                    plat::WindowRect* out);

// Steps max(|dx|, |dy|) times in 8.8 fixed point from (x1, y1); the end
// point itself is not drawn. Pixels outside the buffer are skipped. Nothing
// is marked dirty.
void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t r, uint8_t g, uint8_t b);

// Blends the colour into the 13 pixels within distance 2 of (x, y) with
// alpha 0..256, only when 1 < x < width - 2 and 1 < y < height - 2 and the
// display's pixel format has the buffer's depth. Nothing is marked dirty.
void DrawGlow(int32_t x, int32_t y, int32_t alpha, uint8_t r, uint8_t g, uint8_t b);

// Draws the bitmap (which must have the back buffer's depth; give an
// image's display frame) at (x, y) less its hot spot, keyed when `key` is
// set; marks and returns the rectangle.
void BlitImage(const Bitmap* image, int32_t x, int32_t y, plat::WindowRect* out, int32_t key);

// Mode for BlitKeyed: add the source to the destination per channel.
constexpr int32_t kBlitAdditive = 0xFFFF;

// 16-bit image onto the 16-bit back buffer, only when it lies wholly inside
// (right and bottom edges strictly inside). Source pixels of value 0 are
// transparent. mode kBlitAdditive adds per channel (saturating); any other
// mode is an alpha 0..256, or per pixel from the alpha map when the map has
// the image's size. Marks and returns the rectangle.
void BlitKeyed(const Bitmap* image, int32_t x, int32_t y, int32_t mode, const Bitmap* alphaMap, plat::WindowRect* out);

// BlitKeyed of the part of the image that lies inside `clip` (left, top,
// right, bottom; right and bottom exclusive) and on the buffer. Marks and
// returns the rectangle drawn; out is empty when nothing was drawn.
void BlitKeyedClipped(const Bitmap* image, int32_t x, int32_t y, int32_t mode, const Bitmap* alphaMap,
                      const plat::WindowRect& clip, plat::WindowRect* out);

// The picture RestoreBackgroundRect copies from (the play scene's board
// picture); not owned. Null: restores draw nothing.
void SetBackgroundPicture(const Bitmap* picture);
const Bitmap* BackgroundPicture();

// Copies the rectangle of the background picture to the same place of the
// back buffer and marks it dirty. Result: the Unlock result, 0 when the
// lock failed.
int32_t RestoreBackgroundRect(int32_t x, int32_t y, int32_t w, int32_t h);
// The same for a rectangle; null is ignored (0).
int32_t RestoreBackgroundRect(const plat::WindowRect* rect);
