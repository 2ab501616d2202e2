#pragma once
// The scenes the frame step runs, by scene number:
//   0 splash, 1 title and credits, 2 main menu, 3 board-set selection,
//   4 play, 5 high scores, 6 charm collection, 7 all boards completed,
//   8 exit picture.
void RunSplashScreen();
void RunTitleScreen();
void RunOptionsScreen();
void RunBoardSetSelectScreen();
void RunPlayScreen();
void RunHighScoresScreen();
void RunCharmsScreen();
void RunCompletedScreen();
void RunExitScreen();
