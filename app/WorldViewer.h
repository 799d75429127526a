// The world's frame in the minimal application: the world engine's
// start-up on the loader thread, the sample location entered on the main
// thread, and each frame the object list's run, the camera's view, the
// object passes drawn through the camera and the physics sub-steps, in the
// order of the game's frame as far as it is built. A few boxes are dropped
// from the air at the location's start point; they fall and settle on the
// ground, seen by a camera that orbits the first of them.
//
// The hooks in MinimalApplication.cpp are one line each, so the viewer can
// be attached to another application shell the same way.
//
// Threads: WorldViewerStartUp on the start-up loader thread (no device
// work); everything else on the main thread.
#pragma once

#include <cstdint>

class CCamera;

// The world engine's start-up (MMInit); any thread.
void WorldViewerStartUp();
// Enters the location (main thread, device ready); false when the world
// could not be set up (logged).
bool WorldViewerEnter(const char* locationFile);
// One frame of the world: run, view, draw, physics, pack.
void WorldViewerFrame(float frameTime);
// Leaves the location and releases the world.
void WorldViewerDone();

// The camera of the viewer (null before WorldViewerEnter).
CCamera* GetWorldViewerCamera();
