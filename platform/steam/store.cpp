#include "platform/steam/store.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

#include "platform/steam/steam.h"

namespace plat::steam::store {

namespace {

constexpr const char* kMagic = "vantrel-community";
constexpr std::size_t kMaxRecords = 1u << 20;

void AppendEscaped(std::string& out, const std::string& field) {
  for (char c : field) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

// Splits one line into unescaped fields; false on a bad escape.
bool SplitLine(const std::string& line, Record& out) {
  out.clear();
  out.emplace_back();
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      out.emplace_back();
    } else if (c == '\\') {
      if (++i >= line.size()) return false;
      switch (line[i]) {
        case '\\': out.back() += '\\'; break;
        case 't': out.back() += '\t'; break;
        case 'n': out.back() += '\n'; break;
        case 'r': out.back() += '\r'; break;
        default: return false;
      }
    } else if (c == '\r' || c == '\0') {
      return false;
    } else {
      out.back() += c;
    }
  }
  return true;
}

template <class T>
bool ParseInt(const std::string& text, T& out) {
  if (text.empty()) return false;
  const char* b = text.data();
  const char* e = b + text.size();
  auto [p, ec] = std::from_chars(b, e, out);
  return ec == std::errc() && p == e;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty() || text.size() > 64) return false;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size() && std::isfinite(out);
}

bool ParseFloat(const std::string& text, float& out) {
  double d = 0;
  if (!ParseDouble(text, d)) return false;
  if (std::fabs(d) > 3.4028234663852886e38) return false;
  out = static_cast<float>(d);
  return true;
}

std::string Num(std::uint64_t v) { return std::to_string(v); }
std::string Num(std::int32_t v) { return std::to_string(v); }
std::string Num(std::uint32_t v) { return std::to_string(v); }
std::string Real(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

bool ValidName(const std::string& name) { return !name.empty() && name.size() <= kMaxNameLength; }

}  // namespace

std::string Encode(const std::string& kind, const std::vector<Record>& records) {
  std::string out = std::string(kMagic) + "\t1\t" + kind + "\n";
  for (const Record& r : records) {
    for (std::size_t i = 0; i < r.size(); ++i) {
      if (i) out += '\t';
      AppendEscaped(out, r[i]);
    }
    out += '\n';
  }
  return out;
}

bool Decode(const std::string& bytes, const std::string& kind, std::vector<Record>& out) {
  out.clear();
  if (bytes.size() > kMaxFileBytes) return false;
  std::size_t pos = 0;
  bool first = true;
  Record fields;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) return false;  // every line ends with a line feed
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!SplitLine(line, fields)) {
      out.clear();
      return false;
    }
    if (first) {
      if (fields.size() != 3 || fields[0] != kMagic || fields[1] != "1" || fields[2] != kind) return false;
      first = false;
      continue;
    }
    if (line.empty()) continue;
    if (out.size() >= kMaxRecords) {
      out.clear();
      return false;
    }
    out.push_back(fields);
  }
  if (first) return false;  // no header
  return true;
}

std::string HexName(const std::string& name) {
  if (name.empty()) return "_";
  static const char* digits = "0123456789abcdef";
  // Beyond 100 bytes the hex of the first 100 and a hash of the whole name,
  // so the file name stays well inside the 255 bytes a folder entry may have.
  constexpr std::size_t kPlain = 100;
  std::string out;
  for (std::size_t i = 0; i < name.size() && i < kPlain; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  if (name.size() > kPlain) {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : name) {
      h ^= c;
      h *= 1099511628211ull;
    }
    out += '-';
    for (int shift = 60; shift >= 0; shift -= 4) out += digits[(h >> shift) & 15];
  }
  return out;
}

// ---------------------------------------------------------------- stats

std::string EncodeStats(const Stats& stats) {
  std::vector<Record> recs;
  for (const auto& [name, s] : stats.stats) {
    switch (s.type) {
      case Stat::Int: recs.push_back({"int", name, Num(s.intValue)}); break;
      case Stat::Float: recs.push_back({"float", name, Real(s.floatValue, 9)}); break;
      case Stat::AvgRate: recs.push_back({"avgrate", name, Real(s.count, 17), Real(s.hours, 17)}); break;
    }
  }
  for (const auto& [name, t] : stats.achievements) recs.push_back({"achievement", name, Num(t)});
  return Encode("stats", recs);
}

bool DecodeStats(const std::string& bytes, Stats& out) {
  out = Stats();
  std::vector<Record> recs;
  if (!Decode(bytes, "stats", recs)) return false;
  Stats s;
  for (const Record& r : recs) {
    if (r.size() < 2 || !ValidName(r[1])) return false;
    Stat st;
    if (r[0] == "int" && r.size() == 3) {
      st.type = Stat::Int;
      if (!ParseInt(r[2], st.intValue)) return false;
    } else if (r[0] == "float" && r.size() == 3) {
      st.type = Stat::Float;
      if (!ParseFloat(r[2], st.floatValue)) return false;
    } else if (r[0] == "avgrate" && r.size() == 4) {
      st.type = Stat::AvgRate;
      if (!ParseDouble(r[2], st.count) || !ParseDouble(r[3], st.hours) || st.hours < 0) return false;
    } else if (r[0] == "achievement" && r.size() == 3) {
      std::uint32_t t = 0;
      if (!ParseInt(r[2], t)) return false;
      s.achievements[r[1]] = t;
      continue;
    } else {
      return false;
    }
    s.stats[r[1]] = st;
  }
  out = std::move(s);
  return true;
}

// ---------------------------------------------------------------- leaderboards

std::string EncodeBoard(const Board& board) {
  std::vector<Record> recs;
  recs.push_back({"name", board.name});
  for (const Entry& e : board.entries) {
    Record r = {"entry", Num(e.user), Num(e.score), Num(e.order), Num(e.time), e.name};
    for (std::int32_t d : e.details) r.push_back(Num(d));
    recs.push_back(std::move(r));
  }
  return Encode("leaderboard", recs);
}

bool DecodeBoard(const std::string& bytes, Board& out) {
  out = Board();
  std::vector<Record> recs;
  if (!Decode(bytes, "leaderboard", recs)) return false;
  Board b;
  bool named = false;
  std::set<std::uint64_t> users;
  for (const Record& r : recs) {
    if (r[0] == "name" && r.size() == 2 && !named && ValidName(r[1])) {
      b.name = r[1];
      named = true;
    } else if (r[0] == "entry" && r.size() >= 6 && r.size() <= 6 + static_cast<std::size_t>(kMaxLeaderboardDetails)) {
      Entry e;
      if (!ParseInt(r[1], e.user) || !ParseInt(r[2], e.score) || !ParseInt(r[3], e.order) || !ParseInt(r[4], e.time) ||
          r[5].size() > 1024)
        return false;
      if (!users.insert(e.user).second) return false;  // one entry per user
      e.name = r[5];
      for (std::size_t i = 6; i < r.size(); ++i) {
        std::int32_t d = 0;
        if (!ParseInt(r[i], d)) return false;
        e.details.push_back(d);
      }
      b.entries.push_back(std::move(e));
    } else {
      return false;
    }
  }
  if (!named) return false;
  out = std::move(b);
  return true;
}

// ---------------------------------------------------------------- items

std::string EncodeItem(const Item& item) {
  std::vector<Record> recs = {
      {"id", Num(item.id)},
      {"app", Num(item.appId)},
      {"owner", Num(item.owner)},
      {"title", item.title},
      {"description", item.description},
      {"preview", item.preview},
      {"created", Num(item.timeCreated)},
      {"updated", Num(item.timeUpdated)},
      {"size", Num(item.contentSize)},
  };
  return Encode("item", recs);
}

bool DecodeItem(const std::string& bytes, Item& out) {
  out = Item();
  std::vector<Record> recs;
  if (!Decode(bytes, "item", recs)) return false;
  Item it;
  bool haveId = false;
  for (const Record& r : recs) {
    if (r.size() != 2) return false;
    const std::string& k = r[0];
    const std::string& v = r[1];
    bool ok = true;
    if (k == "id") {
      ok = ParseInt(v, it.id) && it.id != 0;
      haveId = ok;
    } else if (k == "app") {
      ok = ParseInt(v, it.appId);
    } else if (k == "owner") {
      ok = ParseInt(v, it.owner);
    } else if (k == "title") {
      ok = v.size() <= kMaxTitleLength;
      it.title = v;
    } else if (k == "description") {
      ok = v.size() <= kMaxDescriptionLength;
      it.description = v;
    } else if (k == "preview") {
      // a plain file name inside the item folder, nothing that walks out of it
      ok = v.size() <= 255 && v.find('/') == std::string::npos && v != "." && v != "..";
      it.preview = v;
    } else if (k == "created") {
      ok = ParseInt(v, it.timeCreated);
    } else if (k == "updated") {
      ok = ParseInt(v, it.timeUpdated);
    } else if (k == "size") {
      ok = ParseInt(v, it.contentSize);
    } else {
      ok = false;
    }
    if (!ok) return false;
  }
  if (!haveId) return false;
  out = std::move(it);
  return true;
}

std::string EncodeIds(const std::vector<std::uint64_t>& ids) {
  std::vector<Record> recs;
  for (std::uint64_t id : ids) recs.push_back({"item", Num(id)});
  return Encode("subscribed", recs);
}

bool DecodeIds(const std::string& bytes, std::vector<std::uint64_t>& out) {
  out.clear();
  std::vector<Record> recs;
  if (!Decode(bytes, "subscribed", recs)) return false;
  std::vector<std::uint64_t> ids;
  std::set<std::uint64_t> seen;
  for (const Record& r : recs) {
    std::uint64_t id = 0;
    if (r.size() != 2 || r[0] != "item" || !ParseInt(r[1], id) || id == 0) return false;
    if (seen.insert(id).second) ids.push_back(id);
  }
  out = std::move(ids);
  return true;
}

std::string EncodeService(const ServiceState& state) {
  return Encode("service", {{"next-item-id", Num(state.nextItemId)}});
}

bool DecodeService(const std::string& bytes, ServiceState& out) {
  out = ServiceState();
  std::vector<Record> recs;
  if (!Decode(bytes, "service", recs)) return false;
  ServiceState s;
  for (const Record& r : recs) {
    if (r.size() != 2 || r[0] != "next-item-id" || !ParseInt(r[1], s.nextItemId)) return false;
  }
  out = s;
  return true;
}

}  // namespace plat::steam::store
