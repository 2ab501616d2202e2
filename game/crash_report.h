#pragma once
// What the player is told, and what is written down, when the game crashes.
#include "platform/crash.h"

inline constexpr const char* kSupportContact = "support@quillmark.example";

// The crash hook of the game: a box for the player, then a report with the
// game's state in the community store's crash folder.
void CrashReport(const plat::CrashInfo& info);
