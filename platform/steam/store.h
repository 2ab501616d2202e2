#pragma once
// The community service's store files: one text format for all of them.
//
//   line 1:  "vantrel-community" TAB "1" TAB <kind>
//   then one record per line: fields separated by TAB, each field escaped
//   ("\\" backslash, "\t" tab, "\n" line feed, "\r" carriage return).
//
// Every decoder refuses the whole file (false, output left empty) on any
// fault: a wrong header, a bad escape, a number out of range, a name too
// long. The service then treats the file as empty and keeps it aside.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace plat::steam::store {

using Record = std::vector<std::string>;

// Largest store file read (bigger files count as damaged).
constexpr std::size_t kMaxFileBytes = 64u << 20;

std::string Encode(const std::string& kind, const std::vector<Record>& records);
bool Decode(const std::string& bytes, const std::string& kind, std::vector<Record>& out);

// A name as a file name: lower-case hex of its bytes ("" gives "_"); a name
// longer than 100 bytes gives the hex of its first 100 and a hash of it all.
std::string HexName(const std::string& name);

// ---- stats and achievements of one user for one application ("stats")
struct Stat {
  enum Type { Int, Float, AvgRate } type = Int;
  std::int32_t intValue = 0;
  float floatValue = 0.0f;
  double count = 0.0;  // average rate: total count
  double hours = 0.0;  // average rate: total hours
};
struct Stats {
  std::map<std::string, Stat> stats;
  std::map<std::string, std::uint32_t> achievements;  // unlocked, with the unlock time
};
std::string EncodeStats(const Stats& stats);
bool DecodeStats(const std::string& bytes, Stats& out);

// ---- one leaderboard ("leaderboard")
struct Entry {
  std::uint64_t user = 0;
  std::int32_t score = 0;
  std::uint64_t order = 0;  // upload order: earlier ranks first among equal scores
  std::uint32_t time = 0;
  std::string name;
  std::vector<std::int32_t> details;
};
struct Board {
  std::string name;
  std::vector<Entry> entries;  // best first
};
std::string EncodeBoard(const Board& board);
bool DecodeBoard(const std::string& bytes, Board& out);

// ---- one Workshop item's metadata ("item")
struct Item {
  std::uint64_t id = 0;
  std::uint32_t appId = 0;
  std::uint64_t owner = 0;
  std::string title;
  std::string description;
  std::string preview;  // file name of the stored preview inside the item folder
  std::uint32_t timeCreated = 0;
  std::uint32_t timeUpdated = 0;
  std::uint64_t contentSize = 0;
};
std::string EncodeItem(const Item& item);
bool DecodeItem(const std::string& bytes, Item& out);

// ---- a list of item ids ("subscribed")
std::string EncodeIds(const std::vector<std::uint64_t>& ids);
bool DecodeIds(const std::string& bytes, std::vector<std::uint64_t>& out);

// ---- the service's own counters ("service")
struct ServiceState {
  std::uint64_t nextItemId = 0;
};
std::string EncodeService(const ServiceState& state);
bool DecodeService(const std::string& bytes, ServiceState& out);

}  // namespace plat::steam::store
