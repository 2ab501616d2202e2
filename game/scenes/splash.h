#pragma once
// The splash picture (scene 0, RunSplashScreen in scenes.h).
#include <cstdint>

// Splash: when the picture went up (mainTimer ms).
struct SplashScreenState {
  uint32_t splashStartMs = 0;
};
extern SplashScreenState splashScreen;
