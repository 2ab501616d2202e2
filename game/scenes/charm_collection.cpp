// The charm collection (scene 6): every charm in a grid of 16 per row,
// rarest last, each shown locked or, once collected, with its picture.
#include <algorithm>
#include <cmath>

#include "audio/sound_bank.h"
#include "game/buttons.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/charm_collection.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/draw.h"

namespace {

constexpr int32_t kTrackLeft = 1219, kTrackRight = 1241, kTrackTop = 214, kTrackBottom = 556;
constexpr int32_t kThumbTravel = 320, kThumbHeight = 22;

int32_t RarityRank(int32_t rarity) { return std::clamp(rarity, 0, 4); }

}  // namespace

void BuildCharmDisplayList() {
  charmDisplayList.clear();
  charmDisplayList.reserve(charms.size());
  for (size_t i = 0; i < charms.size(); ++i) charmDisplayList.push_back(static_cast<int32_t>(i));
  std::stable_sort(charmDisplayList.begin(), charmDisplayList.end(), [](int32_t a, int32_t b) {
    return RarityRank(charms[static_cast<size_t>(a)].rarity) < RarityRank(charms[static_cast<size_t>(b)].rarity);
  });
}

int32_t CharmMaxRows(int32_t count) { return count < 64 ? 0 : count / kCharmsPerRow - 4; }

void RunCharmsScreen() {
  const bool firstFrame = sceneNumber != previousScene;
  if (firstFrame) {
    BuildCharmDisplayList();
    charmThumbDragging = false;
  }
  UpdateButtonHover(charmScreenButtons);

  const int32_t count = static_cast<int32_t>(charmDisplayList.size());
  const int32_t maxRows = CharmMaxRows(count);
  int32_t thumbY = kTrackTop;
  bool thumbLit = false;
  if (charmThumbDragging && mouseButtonDown) {
    const float f = std::clamp(static_cast<float>(mouseY - kTrackTop) / static_cast<float>(kThumbTravel), 0.0f, 1.0f);
    charmScroll = static_cast<int32_t>(std::floor(f * static_cast<float>(maxRows)));
    thumbY = std::clamp(mouseY + charmThumbDragOffset, kTrackTop, kTrackTop + kThumbTravel);
    thumbLit = true;
  }
  charmScroll = std::clamp(charmScroll, 0, maxRows);
  if (!thumbLit) {
    charmThumbDragging = false;
    charmThumbDragOffset = 0;
    if (count >= 80 && maxRows > 0)
      thumbY = kTrackTop + static_cast<int32_t>(std::floor(static_cast<double>(charmScroll) / maxRows * kThumbTravel));
  }
  const bool overTrack = mouseX >= kTrackLeft && mouseX <= kTrackRight && mouseY >= kTrackTop && mouseY <= kTrackBottom;
  const bool overThumb = overTrack && mouseY >= thumbY && mouseY <= thumbY + kThumbHeight;
  if (overThumb) {
    thumbLit = true;
    if (!charmThumbDragging && anyInputThisFrame && mouseButtonDown) {
      charmThumbDragging = true;
      charmThumbDragOffset = thumbY - mouseY;
    }
  }

  if ((anyInputThisFrame || lastTypedChar != 0) && !overTrack && !overThumb) {
    anyInputThisFrame = 0;
    sceneNumber = 2;
    PlaySoundAt(30, 640.0f, 0, 63);
    return;
  }

  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  if (firstFrame) {
    fullRedraw = 1;
    SnapshotOldScreen();
    musicFade = 1;
  }
  UsePicture(charmsPicture);
  DrawMenuPointer(true, [&] {
    BlitImage(charmsPicture.GetFrame(1), 0, 0, nullptr, 0);
    display.AddDirtyRect(0, 0, lock.width, lock.height);
    if (const Image* thumb = iconSet.FindImage(thumbLit ? "ScrollThumbLit" : "ScrollThumb"))
      BlitImage(thumb->GetFrame(1), kTrackLeft, thumbY, nullptr, 1);
    int32_t index = charmScroll * kCharmsPerRow;
    for (int32_t y = 210; y <= 569 && index < count; y += 72) {
      for (int32_t j = 0; j < kCharmsPerRow && index < count; ++j, ++index) {
        const int32_t x = 55 + 72 * j;
        const CharmInfo& charm = charms[static_cast<size_t>(charmDisplayList[static_cast<size_t>(index)])];
        const int32_t lockedFrame = charm.rarity >= 1 && charm.rarity < lockedCharmSet.count ? charm.rarity : 0;
        BlitImage(lockedCharmSet.GetImage(lockedFrame)->GetFrame(1), x, y, nullptr, 1);
        if (charm.set && collectedCharms.count(charm.name) != 0) {
          const Image* picture = charm.set->GetImage(charm.frame);
          BlitImage(picture->GetFrame(1), x + picture->hotX + 5, y + picture->hotY + 5, nullptr, 1);
        }
      }
    }
    DrawButtons(charmScreenButtons);
  });
  if (firstFrame) {
    SnapshotNewScreen();
    display.Unlock();
  } else {
    display.Unlock();
    display.Present(0);
  }
  fullRedraw = 0;
}
