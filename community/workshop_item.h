#pragma once
// A Workshop item as the community layer lists, creates and submits it.
#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <string>

#include "platform/steam/steam.h"

struct WorkshopItem {
  // Install folder of a listed item, or the content folder to upload.
  boost::filesystem::path folder;
  // Preview picture to upload (empty: none).
  boost::filesystem::path previewPath;
  std::string title;             // empty: not sent
  std::string description;       // empty: not sent
  uint64_t publishedFileId = 0;  // 0: no item yet
  int32_t detailsValid = 0;      // 1 once the item details arrived
  // The details as the service sent them (title and description
  // zero-terminated).
  plat::steam::UgcDetails details;
};
