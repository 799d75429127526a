// The game clock: seconds as a double, advanced once per frame by the
// engine's per-frame run. The terrain stamps its cache slots with it (and
// only with it, so that least-recently-used choices compare one clock).
#pragma once

extern double g_GameTime;
