#include "foundation/GameTime.h"

double g_GameTime = 0.0;
