// The loading-screen runner: work on a loader thread while the main thread
// keeps the loading screen drawn, and the one way a loader thread gets
// device work done.
//
// Only the thread that owns the graphics device may touch its state (render
// states, techniques, draws, presents). A loader thread reads files and
// fills resources (creating and filling textures and buffers is allowed on
// any thread); whatever must set device state it hands to RunOnMainThread,
// which the running loading screen executes between two redraws while the
// loader waits for it.
//
// Threads: RunBehindLoadingScreen on the main thread, one at a time;
// RunOnMainThread from any thread.
#pragma once

#include <cstdint>
#include <functional>

// Runs work on a new loader thread; meanwhile calls redraw once at once and
// then every periodMs until work ends, and runs the device work the loader
// queues. An exception out of work is logged with the call-path trace left
// for the caller to flush. False when work returned false or threw. Without
// a thread (creation failed) work runs on the calling thread.
bool RunBehindLoadingScreen(const std::function<bool()>& work, const std::function<void()>& redraw,
                            std::uint32_t periodMs = 50);

// Runs fn on the main thread: at once when called there or when no loading
// screen runs; from a loader thread, queued to the loading screen and
// waited for. An exception out of fn reaches the caller.
void RunOnMainThread(const std::function<void()>& fn);
