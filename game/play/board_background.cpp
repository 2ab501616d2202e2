// The board background: tiles (or black) in the background picture, the
// border bevel, then every cell into the board picture and onto the screen.
#include "game/play/board_background.h"

#include <algorithm>
#include <cstdlib>

#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "graphics/display.h"

namespace {

enum : int32_t { kStyleTextured = 0, kStyleHalfBright = 1, kStyleBlack = 2 };

// The display-depth frame of the current board's background tile from set;
// null when it has no pixels or another depth than the background picture
// (such a tile is left out, as with the black style).
const Bitmap* BackgroundTile(const ImageSet& set) {
  const BoardRecord& record = boardSet.boards[std::clamp(boardSet.currentBoard, 0, BoardSet::kRecordCount - 1)];
  const int32_t index = int32_t(std::min<uint32_t>(record.background, 0x7FFFFFFF));
  const Image* image = set.GetImage(index);
  const Bitmap* frame = image->frameCount > 1 ? image->GetFrame(1) : image;
  if (!frame->pixels || frame->width <= 0 || frame->height <= 0) return nullptr;
  if (frame->bytesPerPixel != boardBackdrop.bytesPerPixel) return nullptr;
  return frame;
}

// Tiles the picture over columns from..to of the background picture, rows
// 0..height, the last tile of each row and column cut.
void Tile(const Bitmap* tile, int32_t from, int32_t to, int32_t height) {
  if (!tile || !boardBackdrop.pixels) return;
  for (int32_t y = 0; y < height; y += tile->height) {
    for (int32_t x = from; x < to; x += tile->width) {
      tile->DrawPart(boardBackdrop.pixels, boardBackdrop.width, boardBackdrop.height, boardBackdrop.stride,
                     x + tile->hotX, y + tile->hotY, 0, 0, std::min(tile->width, to - x),
                     std::min(tile->height, height - y), 0, 256);
    }
  }
}

}  // namespace

BoardFrameSpan BoardFrame() {
  const int32_t bw = boardSet.GetBorderWidth();
  const int32_t x0 = std::max(0, boardSet.GetBoardLeft() - bw);
  return {x0, x0 + std::min(screenWidth, 2 * (bw + 24 * BoardColumns()))};
}

int32_t DrawBoardBackground(int32_t red, int32_t green, int32_t blue) {
  const int32_t columns = BoardColumns();
  const int32_t bw = boardSet.GetBorderWidth();
  const BoardFrameSpan frame = BoardFrame();
  const int32_t x0 = frame.left;
  const int32_t x1 = frame.right;
  const int32_t height = std::min(screenHeight, boardBackdrop.height);

  if (boardBackdrop.pixels) boardBackdrop.Fill(0);
  if (backgroundStyle == kStyleTextured || backgroundStyle == kStyleHalfBright) {
    Tile(BackgroundTile(backgroundStyle == kStyleTextured ? boardSet.backgrounds : boardSet.darkBackgrounds), x0, x1,
         height);
    if (backgroundStyle == kStyleTextured) {
      const Bitmap* dark = BackgroundTile(boardSet.darkBackgrounds);
      Tile(dark, 0, x0, height);
      Tile(dark, x1, std::min(screenWidth, boardBackdrop.width), height);
    }
  }

  if (bw > 0 && boardBackdrop.pixels) {
    PixelFormat format = TheDisplay().format;
    if (format.bpp != boardBackdrop.bpp) format.SetForDepth(boardBackdrop.bpp);
    const int32_t half = bw / 2;
    for (int32_t i = 0; i < bw; ++i) {
      const int32_t d = std::abs(i - half);
      // A border one pixel wide has no half-width to fade over: full colour.
      const auto fade = [&](int32_t c) { return half > 0 ? c - c * d / half : c; };
      const uint32_t colour = format.Pack(uint32_t(fade(red)), uint32_t(fade(green)), uint32_t(fade(blue)));
      for (int32_t y = 0; y < boardBackdrop.height; ++y) {
        boardBackdrop.SetPixel(x0 + i, y, colour);
        boardBackdrop.SetPixel(x1 - 1 - i, y, colour);
      }
    }
  }

  if (boardBackdrop.bytesPerPixel == sceneBackdrop.bytesPerPixel && boardBackdrop.pixels) {
    const int32_t hx = boardBackdrop.hotX, hy = boardBackdrop.hotY;
    boardBackdrop.Draw(sceneBackdrop.pixels, sceneBackdrop.width, sceneBackdrop.height, sceneBackdrop.stride, hx, hy, 0,
                       256);
  }
  for (int32_t row = 0; row < kBoardRows; ++row) {
    for (int32_t column = 0; column < columns; ++column) SetBrick(column, row, -1);
  }
  return columns;
}
