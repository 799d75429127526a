// Drives a running game of the application from a test or a benchmark: one
// frame is the application's own (CMMApp::Render), the player's glider and
// the camera are the game's (SetFreeCamera(false): the orbit camera behind
// the glider). A test that wants to look at a place puts the
// game camera in its free mode (SetFreeCamera) and places it (m_vPosition,
// m_fHeading radians from +y towards +x, m_fPitch radians, negative looks
// down) before each frame; it stays 20 units above the ground.
//
// A frame of time 0 runs as a paused frame (nothing moves, everything is
// drawn). The frame time otherwise is the frame timer's: a test on a stepped
// clock advances the clock before the frame.
#pragma once

#include "app/BuildingHost.h"
#include "world/GameWorldState.h"
#include "app/MMApp.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "world/Camera.h"

#include <algorithm>
#include <cmath>

namespace gametest
{

class CGameDriver
{
public:
    static constexpr float kAboveGround = 20.0f;

    void Attach(CMMApp* app)
    {
        m_pApp = app;
        m_bFreeCamera = false;
        // Nothing of the test before: the free camera starts afresh.
        m_vPosition = CVector{};
        m_fHeading = 0.0f;
        m_fPitch = -0.3f;
    }
    bool IsEntered() const { return m_pApp && g_pPlayerGlider && g_Location.m_nCellsX > 0; }
    CGliderObject* GetPlayerGlider() const { return g_pPlayerGlider; }
    CCamera* GetCamera() const { return dynamic_cast<CCamera*>(g_pCameraObject); }
    int GetBuildingEntries() const
    {
        auto* host = dynamic_cast<CGameBuildingHost*>(g_pBuildingHost);
        return host ? host->m_nEntered : 0;
    }
    // The free camera 20 units behind and 14 above the glider's place,
    // looking down along its heading (its shadow and hull both in view).
    void LookFromBehindAndAbove(CGliderObject& glider)
    {
        glider.m_Frame.UpdateAxes();
        const CVector at = glider.GetPosition();
        const CVector back = Normalize(CVector{glider.ForwardAxis().x, glider.ForwardAxis().y, 0.0f});
        SetFreeCamera(true);
        m_vPosition = at - back * 20.0f + CVector{0.0f, 0.0f, 14.0f};
        m_fHeading = std::atan2(back.x, back.y);
        m_fPitch = -0.6f;
    }
    // The free camera instead of the game's view of the player's glider; it
    // starts where the game's camera stands, looking its way.
    void SetFreeCamera(bool free)
    {
        const bool wasFree = m_bFreeCamera;
        m_bFreeCamera = free;
        CCamera* camera = GetCamera();
        if (!camera) return;
        if (free)
        {
            if (!wasFree) TakeGameView(*camera);
            camera->SetMode2();
            camera->m_bPhysics = 0;
        }
        else
        {
            // The orbit camera behind the player's glider.
            camera->m_bPhysics = 1;
            camera->SetOrbitMode(g_pPlayerGlider);
        }
    }
    bool IsFreeCamera() const { return m_bFreeCamera; }

    // One frame of the game (the input stays the application's; input, when
    // given, becomes g_pInput for the frame).
    bool Frame(float frameTime, IInput* input = nullptr)
    {
        if (!IsEntered() || !graph.m_lpDevice) return false;
        IInput* saved = g_pInput;
        if (input) g_pInput = input;
        // The free camera flies apart from the player's glider, which waits
        // outside the frame's player (no cockpit, no free range round it).
        CGliderObject* glider = g_pPlayerGlider;
        if (m_bFreeCamera)
        {
            PlaceCamera();
            g_pPlayerGlider = nullptr;
            // Looking down, the environment clears only the depth and
            // leaves the sky to the sky band, which on the sample is a
            // see-through haze; the game's own cameras look level or up,
            // the free camera tilts further, so the sky's colour is cleared
            // here (or what the frames before left would show through).
            graph.Clear(plat::d3d::D3DCLEAR_TARGET, g_Environment.m_uSkyColor);
        }
        const std::uint8_t paused = m_pApp->m_bPause;
        if (frameTime == 0.0f) m_pApp->m_bPause = 1;
        m_pApp->Render(false);
        m_pApp->m_bPause = paused;
        g_pPlayerGlider = glider;
        g_pInput = saved;
        return true;
    }

    CVector m_vPosition;
    float m_fHeading = 0.0f;
    float m_fPitch = -0.3f;

private:
    void TakeGameView(const CCamera& camera)
    {
        CObjectFrame frame = camera.m_Frame;
        frame.UpdateAxes();
        const CVector& f = frame.m_vForward;
        m_vPosition = frame.m_vPosition;
        if (f.x != 0.0f || f.y != 0.0f) m_fHeading = std::atan2(f.x, f.y);
        m_fPitch = std::asin(std::clamp(f.z, -1.0f, 1.0f));
    }
    void PlaceCamera()
    {
        CCamera* camera = GetCamera();
        if (!camera) return;
        m_vPosition.z = std::max(m_vPosition.z, g_Location.GetHeight(m_vPosition) + kAboveGround);
        CObjectFrame& frame = camera->m_Frame;
        frame.m_Matrix = CMatrix(1.0f);
        frame.SetPosition(m_vPosition);
        frame.SetForward(CVector{std::sin(m_fHeading) * std::cos(m_fPitch),
                                 std::cos(m_fHeading) * std::cos(m_fPitch), std::sin(m_fPitch)});
        frame.RebuildMatrix();
    }

    CMMApp* m_pApp = nullptr;
    bool m_bFreeCamera = false;
};

inline CGameDriver g_GameDriver;

} // namespace gametest
