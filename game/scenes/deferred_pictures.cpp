#include "game/scenes/deferred_pictures.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/log.h"
#include "game/game_globals.h"
#include "platform/message_box.h"

namespace {

struct DeferredPicture {
  Image* image;
  boost::filesystem::path path;
  std::string name;
  bool needed;
};

std::vector<DeferredPicture>& Deferred() {
  static std::vector<DeferredPicture> list;
  return list;
}

}  // namespace

void DeferPicture(Image& image, const boost::filesystem::path& path, const char* name, bool needed) {
  std::vector<DeferredPicture>& list = Deferred();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const DeferredPicture& d) { return d.image == &image; }),
             list.end());
  list.push_back({&image, path, name ? name : "", needed});
}

void UsePicture(Image& image) {
  std::vector<DeferredPicture>& list = Deferred();
  const auto it = std::find_if(list.begin(), list.end(), [&](const DeferredPicture& d) { return d.image == &image; });
  if (it == list.end()) return;
  const DeferredPicture picture = *it;
  list.erase(it);
  image.LoadWithGdiplus(picture.path);
  if (!image.pixels || image.width <= 0 || image.height <= 0) {
    if (picture.needed) {
      const std::string text = FormatString("Could not find needed graphic file: %s!", picture.name.c_str());
      plat::ShowMessageBox(nullptr, text, "Fatal Error", plat::kMbOk);
    }
    return;
  }
  // Before the first frame the frame step's upload gives it its copy.
  if (screenFormat.bpp > 0 && !imagesNeedUpload) image.Upload(&screenFormat);
}

void ForgetDeferredPictures() { Deferred().clear(); }
