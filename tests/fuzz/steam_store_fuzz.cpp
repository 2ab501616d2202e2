// The community service's store files: any bytes give a clean refusal or a
// value that writes back and reads again the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/steam/store.h"

namespace sf = plat::steam::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  sf::Stats stats;
  if (sf::DecodeStats(bytes, stats)) {
    sf::Stats again;
    if (!sf::DecodeStats(sf::EncodeStats(stats), again) || again.stats.size() != stats.stats.size() ||
        again.achievements != stats.achievements)
      std::abort();
  } else if (!stats.stats.empty() || !stats.achievements.empty()) {
    std::abort();
  }
  sf::Board board;
  if (sf::DecodeBoard(bytes, board)) {
    sf::Board again;
    if (!sf::DecodeBoard(sf::EncodeBoard(board), again) || again.entries.size() != board.entries.size() ||
        again.name != board.name)
      std::abort();
  } else if (!board.entries.empty()) {
    std::abort();
  }
  sf::Item item;
  if (sf::DecodeItem(bytes, item)) {
    sf::Item again;
    if (!sf::DecodeItem(sf::EncodeItem(item), again) || again.title != item.title || again.id != item.id) std::abort();
  }
  std::vector<std::uint64_t> ids;
  if (sf::DecodeIds(bytes, ids)) {
    std::vector<std::uint64_t> again;
    if (!sf::DecodeIds(sf::EncodeIds(ids), again) || again != ids) std::abort();
  }
  sf::ServiceState state;
  sf::DecodeService(bytes, state);
  return 0;
}
