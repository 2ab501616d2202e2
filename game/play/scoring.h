#pragma once
// Points (doubled while the double score runs, shown as a rising number
// when floating scores are on) and the two centred status lines.
#include <cstdint>
#include <string>

// The status texts the play scene shows.
inline constexpr const char* kStatusGetReady = "Get Ready";
inline constexpr const char* kStatusGamePaused = "Game Paused";
inline constexpr const char* kStatusGameOver = "Game Over";
inline constexpr const char* kStatusPlayer = "Player ";

// Adds points earned at a board cell.
void AddScoreAtCell(int32_t points, int32_t column, int32_t row);
// Adds points earned at a screen position.
void AddScoreAt(int32_t points, int32_t x, int32_t y);
// Sets both status lines, shown until durationMs from now on the play clock.
void SetStatusMessage(const std::string& line1, const std::string& line2, int32_t durationMs);
