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
  bool decoded;
};

std::vector<DeferredPicture>& Deferred() {
  static std::vector<DeferredPicture> list;
  return list;
}

DeferredPicture* Find(const Image& image) {
  std::vector<DeferredPicture>& list = Deferred();
  const auto it = std::find_if(list.begin(), list.end(), [&](const DeferredPicture& d) { return d.image == &image; });
  return it == list.end() ? nullptr : &*it;
}

}  // namespace

void DeferPicture(Image& image, const boost::filesystem::path& path, const char* name, bool needed) {
  if (DeferredPicture* d = Find(image)) {
    *d = {&image, path, name ? name : "", needed, false};
    return;
  }
  Deferred().push_back({&image, path, name ? name : "", needed, false});
}

void UsePicture(Image& image) {
  DeferredPicture* d = Find(image);
  if (!d || d->decoded) return;
  d->decoded = true;
  image.Free();
  image.LoadWithGdiplus(d->path);
  if (!image.pixels || image.width <= 0 || image.height <= 0) {
    if (d->needed) {
      plat::ShowMessageBox(nullptr, FormatString("Could not find needed graphic file: %s!", d->name.c_str()),
                           "Fatal Error", plat::kMbOk);
    }
    return;
  }
  // Without a display yet the decoded pixels stay until the first frame's
  // upload, which releases them.
  if (screenFormat.bpp <= 0 || !image.Upload(&screenFormat)) return;
  image.Bitmap::Destroy();
}

bool IsDeferredPicture(const Image& image) { return Find(image) != nullptr; }

void ReleaseDeferredPicture(Image& image) {
  DeferredPicture* d = Find(image);
  if (!d || !d->decoded) return;
  image.Free();
  d->decoded = false;
}

bool PictureShowable(const Image& image) {
  const Bitmap* shown = image.GetFrame(1);
  return shown && shown->pixels;
}

void ForgetDeferredPictures() { Deferred().clear(); }
