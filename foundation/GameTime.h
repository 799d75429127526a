// g_GameTime: the game clock, seconds as a double, advanced once per frame
// by the frame time in the engine's per-frame run
// (CResourceEngine::GlobalRun). Animations take their phase from it, the
// terrain stamps its caches with it and objects time their lock-outs with it.
//
// Threads: written and read on the main thread only.
#pragma once

extern double g_GameTime;
