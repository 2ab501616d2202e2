#pragma once
// Starting a game and a board, losing a ball, passing the turn between
// players and launching the balls held on the paddle.
#include <cstdint>

// A new game on the board chosen before it; always 1.
int32_t StartGame();
// The current board from its start: the board run's start values, the
// paddle one size larger in kid mode, the held ball, the charm delay from
// the board's breakable bricks, and "Get Ready" with several players. The
// score, the lives and the current board are kept.
void StartBoard();
// Enters the ball-lost state: 1 when it did, 0 when it was already on.
int32_t LoseBall();
// Makes the next player who still has lives and boards the current one,
// the current player last; 1 when one was found, else 0 (unchanged).
int32_t NextPlayer();
// Launches every ball held on the paddle.
void LaunchBalls();
// playerCount as the game uses it: 1..4.
int32_t ActivePlayerCount();
