#include "location/GameClock.h"

double g_GameTime = 0.0;
