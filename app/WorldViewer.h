// CWorldViewer: the location of a game until the game preparation is built
// (CMMApp::PrepareGame enters it, CMMApp::Render runs its frames,
// CMMApp::CloseGame leaves it). The sample location is entered on the main
// thread through the world engine (its objects file, then its map into
// g_Location) and the environment's day starts. A few boxes are dropped
// from the air near the location's start point; they fall and settle on
// the ground.
//
// Each frame, in the order of the game's frame as far as it is built: the
// world's run (its groups), the game script manager's run, the objects'
// run (the camera first), the camera's view, the cell streaming, the
// visibility and the environment's step; then the frame drawn by the
// application's renderer (g_pRenderer); then the physics sub-steps and the
// end-of-frame pack. The sun, the moon, the ambient light and the fog are
// the environment's.
//
// The location's described groups (the world's, society/GroupMaker.h)
// travel its roads; the patrol among them (app/WorldPatrol.h) flies its
// round of the road grid and turns on the player when the player hits one.
//
// The renderer, the radar (the location's radar map is loaded on entering),
// the game script manager and the quest log are the application's, made at
// start-up: the player entering a building ends the game cycle for the
// building menu, whose quest console runs the building's "OnEnterBuild".
//
// The player's glider (app/PlayerGlider.h) waits near the start point, in
// front of the boxes. While it is flown (the default) the keyboard and the
// mouse drive it through the player's controls, its mechanoid runs its
// equipment each frame, and the camera follows it from behind and above.
//
// With the free camera (SetFreeCamera) the camera is the world's CCamera
// in its free mode, steered here rather than by the physics: the arrow keys
// fly it (up and down: forward and back, left and right: turn), Page Up and
// Page Down or the mouse wheel raise and lower it, the mouse turns it (x)
// and tilts it (y). It is kept 20 units above the ground.
//
// What it lacks, to be replaced by the game preparation and the per-frame
// update: the world's generation, the camera modes of the game, water and
// detail objects.
//
// Threads: main thread. One global instance, g_WorldViewer.
#pragma once

#include "foundation/Vector.h"

#include <memory>
#include <vector>

class CCamera;
class CGliderObject;
class CMMObject;
class CWorldPatrol;
class IInput;

class CWorldViewer
{
public:
    static constexpr const char* kSampleLocation = "sample.loc";
    static constexpr int kDropCount = 5;

    CWorldViewer();
    ~CWorldViewer();

    // Enters the location (device ready): g_Location's pools, the world,
    // the map, the environment's day, the boxes, the camera and the radar's
    // map. False (logged) when the world could not be set up: Frame then
    // draws nothing.
    bool Enter(const char* locationFile = kSampleLocation);
    // One frame of the world; the input may be null. False when nothing
    // was drawn (the caller clears the frame itself).
    bool Frame(float frameTime, IInput* input);
    // Leaves the location and releases g_Location's pools.
    void Done();
    void InvalidateResources();
    void ResetResources();

    bool IsEntered() const { return m_bEntered; }
    // The free camera instead of the player's glider (which stays and
    // hovers); false flies the glider again. Enter starts with the glider.
    void SetFreeCamera(bool free) { m_bFreeCamera = free; }
    bool IsFreeCamera() const { return m_bFreeCamera || !GetPlayerGlider(); }
    CGliderObject* GetPlayerGlider() const;
    // The gliders of the world that patrol the location (null before Init).
    CWorldPatrol* GetPatrol() const;
    CCamera* GetCamera() const;
    // Times the player's glider entered a building (the building event).
    int GetBuildingEntries() const;
    const std::vector<CMMObject*>& GetBoxes() const { return m_Boxes; }

    CVector m_vPosition;
    float m_fHeading = 0.0f; // radians from +y towards +x
    float m_fPitch = -0.3f;  // radians, negative looks down

private:
    struct SState;
    void Move(float frameTime, IInput* input);
    void PlaceCamera();
    // Behind and above the player's glider, looking along its heading.
    void FollowGlider(float frameTime);

    std::unique_ptr<SState> m_pState;
    std::vector<CMMObject*> m_Boxes; // owned by the object list
    bool m_bEntered = false;
    bool m_bFreeCamera = false;
};

extern CWorldViewer g_WorldViewer;
