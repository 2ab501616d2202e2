#pragma once
// Sets the hot spots of the paddle, explosion and power-up pictures: the
// paddles stand on one bottom line, the others are centred.
void CentreImageOrigins();
