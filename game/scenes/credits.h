#pragma once
// The credits that scroll up through the title screen's flames.
#include <array>
#include <cstdint>

constexpr int32_t kCreditRowCount = 87;
// Rows 0 and 1 are the title lines; empty rows leave a gap.
extern const std::array<const char*, kCreditRowCount> kCreditRows;
