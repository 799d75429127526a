// CTerrainViewer (stand-in): after start-up the minimal application loads
// the sample location's map into g_Location and draws its terrain every
// frame from a free camera over it. The arrow keys fly the camera (up and
// down: forward and back, left and right: turn), Page Up and Page Down or
// the mouse wheel raise and lower it, the mouse turns it (x) and tilts it
// (y). The camera is kept 20 units above the ground.
//
// What it lacks, to be replaced by the game application: the camera Part's
// camera (modes, following the glider, its stream), the map preparation
// (the world engine's LoadWorld with the objects file, the environment,
// music and radar), the environment's sun, sky and fog (a fixed sun stands
// in), water, detail objects and the renderer's frame order; it draws only
// the terrain.
//
// Threads: main thread only; one global instance, g_TerrainViewer.
#pragma once

#include "foundation/Vector.h"

class IInput;

class CTerrainViewer
{
public:
    static constexpr const char* kSampleMap = "Data\\Locs\\sample.lop";

    // g_Location's pools (on the current device) and the map; the camera
    // over the map's middle. False (logged by the location) when the map
    // cannot be read: Frame then draws nothing.
    bool Init(const char* mapPath = kSampleMap);
    // Moves the camera from the input (may be null), sets the view, the
    // projection and the sun on the device, then the terrain's frame.
    void Frame(float frameTime, IInput* input);
    void Done();
    void InvalidateResources();
    void ResetResources();

    bool IsLoaded() const { return m_bLoaded; }
    CVector m_vPosition;
    float m_fHeading = 0.0f; // radians from +y towards +x
    float m_fPitch = -0.35f; // radians, negative looks down

private:
    void Move(float frameTime, IInput* input);
    void SetView();

    bool m_bLoaded = false;
};

extern CTerrainViewer g_TerrainViewer;
