// What the cockpit reads of the game, handed to the renderer each frame
// before it draws, and the bomb-drop marker that the player's aiming drives.
#include "app/MMApp.h"

#include "app/InputConfig.h"
#include "graphics/TextureManager.h"
#include "hud/Renderer.h"
#include "units/GliderObject.h"
#include "units/HitIndicators.h"
#include "units/Mechanoid.h"
#include "world/GameWorldState.h"
#include "world/ObjectList.h"
#include "world/Mech.h"
#include "world/Smoke.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <algorithm>

namespace
{
// Held, the speed panel shows the glider's middle speed.
constexpr std::uint16_t kKeyLeftAlt = 0x38;
// The bomb slot of the glider's guns.
constexpr int kBombGun = 3;
} // namespace

void CMMApp::FeedHud(float dt)
{
    CRenderer* renderer = g_pRenderer;
    if (!renderer) return;
    CGliderObject* glider = g_pPlayerGlider;
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    renderer->m_pPlayerGlider = glider;
    renderer->m_pPlayerMech = mechanoid;
    renderer->m_pTargetGlider = glider ? dynamic_cast<CGliderObject*>(glider->m_pTarget) : nullptr;
    renderer->m_fFrameTime = dt;
    renderer->m_bPaused = m_bPause != 0;
    renderer->m_nCommandLevel = m_nCommandMenu;
    const int commanded = CountCommandedGroups();
    renderer->m_bGroupCommandAvailable = commanded > 0;
    const CPlayerMech* record = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    renderer->m_bPlayerMechQuery = record && record->CanAssign(commanded);
    renderer->m_fPlayerMoney = mechanoid ? mechanoid->m_Garbage.m_fMoney : 0.0f;
    // The flash follows the stasis the player switched on, for the seconds
    // it has left.
    renderer->m_bStasis = mechanoid && mechanoid->IsOn(EQP_STASIS_GENERATOR);
    renderer->m_fStasisTime = renderer->m_bStasis ? std::max(m_fStasisTimer, 0.0f) : 0.0f;
    renderer->m_bMiddleSpeedKey = g_InputConfig.IsKeyDown(kKeyLeftAlt);
    renderer->m_bAlwaysRun = m_bAlwaysRun;
    renderer->m_bCruise = m_bCruise;
    // Shots along the glider's heading (centre fire) get a sight of their own.
    renderer->m_bHeadingSight = g_InputConfig.m_Options.CenterFire != 0;
    // The anomaly overlay pulses with the damage of the anomaly kinds: the
    // units keep one environment-damage total for the player (decaying in
    // the mechanoid's step), shown as the first of the three levels.
    renderer->m_fAnomalyLevel[0] = mechanoid ? g_PlayerHitIndicators[HIT_ENVIRONMENT] : 0.0f;
    renderer->m_fAnomalyLevel[1] = renderer->m_fAnomalyLevel[2] = 0.0f;
    // The warning icons: the zone levels this frame's anomaly zones raised.
    for (int i = 0; i < 4; ++i) renderer->m_bWarningFlags[i] = mechanoid && g_ZoneWarningFlags[i] != 0;
}

void CMMApp::LoadCockpitTextures()
{
    CRenderer* renderer = g_pRenderer;
    if (!renderer) return;
    const auto find = [](const char* name) { return g_pTextureManager ? g_pTextureManager->FindName(name) : -1; };
    renderer->m_iTexWeaponIcons = find("TEX_INT_WEAPON_ICONS");
    renderer->m_iTexAnomaly = find("TEX_INT_ANOMALY");
}

void CMMApp::UpdateBombMarker()
{
    CGliderObject* glider = g_pPlayerGlider;
    CSmokeObject* marker = m_pBombMarker;
    if (!glider || !marker) return;
    const CGun& bomb = glider->m_Guns[kBombGun];
    const bool aiming = g_InputConfig.m_Actions.BombState == 1 && bomb.m_fAmmo >= 1.0f && !m_bPause;
    if (!aiming)
    {
        marker->m_bShown = 0;
        return;
    }
    // The flight the bomb would take if dropped now: thrown along the sight
    // and carried on with the glider's own speed.
    CVector origin, velocity;
    float radius = 0.0f;
    glider->GetThrowRay(&origin, &velocity, &radius, 1.0f);
    velocity += glider->m_vVelocity;
    const SMissileParameters* type = bomb.m_iMissile >= 0 ? g_MissileManager.Param(bomb.m_iMissile) : nullptr;
    marker->ShowTrajectory(origin.x, origin.y, origin.z, velocity.x, velocity.y, velocity.z,
                           type ? type->m_fResistance : 0.0f, radius);
}
