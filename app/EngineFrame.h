// One engine frame: the steps every loop of the game runs around its own
// drawing (the game cycle, modal menus, loading screens).
//
//     const float frameTime = BeginEngineFrame();
//     ... clear, draw ...
//     EndEngineFrame();
//
// g_FrameTimer is the only clock: BeginEngineFrame advances it, and the
// resource engine's clock and the models run by its frame time. After a
// pause or a long load call g_FrameTimer.SkipElapsed() so that the wait does
// not count as one long frame.
//
// Threads: main thread only (the device's owner).
#pragma once

// Reads the input (unless readInput is false: a game frame reads it in the
// player input), advances g_FrameTimer, starts the resource engine's frame
// (counters, then clock and models by the frame time) and forgets the
// current mesh. Returns the frame time in seconds.
float BeginEngineFrame(bool readInput = true);
// Presents the frame and commits the sound manager's per-frame settings.
void EndEngineFrame();
