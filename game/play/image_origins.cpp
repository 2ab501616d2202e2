#include "game/play/image_origins.h"

#include "game/game_globals.h"

void CentreImageOrigins() {}
