#pragma once
// Writes image-set files (.img) in version 2: every image as 32-bit pixels.
// The image-set tool and the data generator both save through here.
#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bitmap.h"
#include "platform/files.h"

struct ImageSetWriterEntry {
  std::string name;               // stored with a terminating NUL
  const Bitmap* image = nullptr;  // 32 bits per pixel, or empty (written 0 x 0)
};

// The bytes of a version-2 image-set file holding the entries in order.
// false (and out untouched) when there are no entries, an entry has no image
// or pixels other than 32 bits, or a name is longer than 1022 bytes (no
// reader could stay in step with the records after it).
bool BuildImageSet(const std::vector<ImageSetWriterEntry>& entries, std::vector<uint8_t>& out);

// BuildImageSet, then written to a temporary file beside path that replaces
// path only once every byte is written. false leaves an existing file as it
// was; *failure, when given, then says why (all zero when the entries could
// not be built into a set).
bool WriteImageSet(const boost::filesystem::path& path, const std::vector<ImageSetWriterEntry>& entries,
                   plat::WriteFailure* failure = nullptr);
