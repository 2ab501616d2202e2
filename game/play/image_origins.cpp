// The hot spots of the paddle, explosion and power-up pictures.
#include "game/play/image_origins.h"

#include "game/game_globals.h"

namespace {
void CentreOrigins(ImageSet& set) {
  for (int32_t i = 0; i < set.count; ++i) {
    Image* image = set.GetImage(i);
    image->hotX = image->width / 2;
    image->hotY = image->height / 2;
  }
}
}  // namespace

void CentreImageOrigins() {
  // Every paddle stands on the bottom line of the first one.
  const int32_t h0 = paddleSet.height;
  for (int32_t i = 0; i < paddleSet.count; ++i) {
    Image* image = paddleSet.GetImage(i);
    image->hotX = image->width / 2;
    image->hotY = image->height - h0;
    if (image->frameCount > 1) {
      Bitmap* frame = image->GetFrame(1);
      frame->hotX = image->hotX;
      frame->hotY = image->hotY;
    }
  }
  CentreOrigins(explosionSet);
  CentreOrigins(powerUpSet);
}
