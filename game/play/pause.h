#pragma once
// Pauses play, or ends the pause once the pause key has been let go.
void TogglePause();
