#pragma once
// Builders for the files the graphics tests read: image sets byte by byte.
#include <cstdint>
#include <string>
#include <vector>

namespace gfxtest {

class Bytes {
 public:
  Bytes& Raw(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  Bytes& Byte(uint8_t b) {
    data.push_back(b);
    return *this;
  }
  Bytes& Fill(size_t n, uint8_t b) {
    data.insert(data.end(), n, b);
    return *this;
  }
  // A name field holding the text and its NUL.
  Bytes& Name(const std::string& s) {
    Int(static_cast<int32_t>(s.size() + 1));
    Raw(s);
    return Byte(0);
  }
  std::vector<uint8_t> data;
};

}  // namespace gfxtest
