#pragma once
// The ball's tuning: one place for every speed, angle and count the ball's
// rules use.
#include <cstdint>

namespace ball_tuning {

// Speeds in pixels per second, times in ms of the play clock.

// What a brick is worth: the ball's speed times this, half as much again
// with the smallest paddle and again for a small ball.
constexpr float kPointsPerSpeed = 0.04f;
constexpr int32_t kSmallTargetBonusPercent = 50;
// Above the cruise speed a ball slows down by kSlowDownPerSecond, to it.
constexpr float kCruiseSpeed = 450.0f;
constexpr float kSlowDownPerSecond = 30.0f;
// Gravity adds to the downward speed each second; the speed it gives is
// capped at the speed before, or at the cruise speed when that is more.
constexpr float kGravityPerSecond = 130.0f;
// Below this up or down speed a ball without gravity gets a new random one.
constexpr float kMinVerticalSpeed = 30.0f;
// Trail sparks: every kEffectTrailGapMs under fireball or gravity, and above
// kTrailSpeed one each (5 - (speed - kTrailSpeed) / kTrailSpeedStep) x 20 ms.
constexpr int32_t kEffectTrailGapMs = 20;
constexpr float kTrailSpeed = 555.0f;
constexpr float kTrailSpeedStep = 125.0f;
// Hit sparks of a ball or bolt that hit a brick.
constexpr int kHitSparks = 6;
// The paddle: its deepest sink, the part of its half width around the centre
// that lifts (and can catch) a ball, the bounce angle at its ends (radians
// from straight up), the shortest gap between two paddle sounds.
constexpr float kMaxSink = 20.0f;
constexpr float kPaddleCentrePart = 0.81f;
constexpr float kMaxBounceAngle = 1.3f;
constexpr int32_t kPaddleSoundGapMs = 200;
// Speed a paddle bounce adds, and what a paddle dipped and let go of adds
// on top (times how far it has come back up), up to kMaxBoostedSpeed; its
// spark burst has kBoostSparks plus up to kBoostSparksMore sparks.
constexpr float kPaddleSpeedGain = 9.0f;
constexpr float kSinkBoost = 200.0f;
constexpr float kMaxBoostedSpeed = 650.0f;
constexpr int32_t kBoostSparks = 4;
constexpr float kBoostSparksMore = 16.0f;
// With the classic rules a centre bounce faster than this ricochets, with
// kRicochetSparks sparks.
constexpr float kRicochetSpeed = 500.0f;
constexpr int32_t kRicochetSparks = 8;
// Every ball speed is kept between kMinBallSpeed and a top speed: the
// boosted top speed by default, kClassicTopSpeed with the classic rules,
// kKidModeTopSpeed in kid mode.
constexpr float kMinBallSpeed = 225.0f;
constexpr float kKidModeTopSpeed = 225.0f;
constexpr float kClassicTopSpeed = 600.0f;
// A held ball leaves at its held speed, at most kMaxLaunchSpeed (at the
// cruise speed under gravity).
constexpr int32_t kMaxLaunchSpeed = 600;

}  // namespace ball_tuning
