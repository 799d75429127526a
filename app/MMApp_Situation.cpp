// The frame's last step: the music for the player's situation and the
// cockpit warnings, read from the player's mechanoid.

#include "app/MMApp.h"

#include "hud/Renderer.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "units/TowerObject.h"
#include "world/GameWorldState.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <algorithm>

namespace
{
class CGameWarningSounds : public IWarningSounds
{
public:
    void Play(const char* name, bool loop) override
    {
        if (g_pSoundManager) g_pSoundManager->Play2D(name, loop);
    }
    void Stop(const char* name) override
    {
        if (g_pSoundManager) g_pSoundManager->Stop(name);
    }
};

// An active tower whose own spy distance reaches the glider (only towers
// within the largest spy distance are asked).
bool IsWatchedByTower(const CGliderObject& glider)
{
    const CVector p = glider.GetPosition();
    SRadiusResult near;
    CObjectList::GetObjectsInRadius(&p, g_TowerManager.GetMaxSpyDistance(), OBJ_TOWER, &near);
    for (int i = 0; i < near.count; ++i)
    {
        auto* tower = dynamic_cast<CTowerObject*>(near.objects[i]);
        if (!tower || !tower->m_bAlive || !tower->IsActive()) continue;
        const float spy = tower->GetSpyDistance();
        if ((tower->GetPosition() - p).LengthSq() < spy * spy) return true;
    }
    return false;
}

// What the warnings read of the player.
SCockpitState ReadCockpitState()
{
    SCockpitState s;
    const CPlayerMech* record = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    CGliderObject* glider = g_pPlayerGlider;
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    if (!record || record->m_bDead || !mechanoid) return s;
    s.alive = true;
    s.energy = mechanoid->GetEnergy(0);
    s.armour = mechanoid->GetArmor(0);
    s.shield = mechanoid->GetShield(0);
    const CEquipment* parts[4] = {&mechanoid->m_Reactor, &mechanoid->m_Reactor2, &mechanoid->m_Engine,
                                  &mechanoid->m_Engine2};
    for (int k = 0; k < 4; ++k)
        s.partDamage[k] = parts[k]->GetIndex() >= 0 ? parts[k]->GetDamageRatio() : 0.0f;
    s.fourthFitted = mechanoid->m_Engine2.GetIndex() >= 0;
    s.partDamage[4] = mechanoid->m_GliderData.HasRecord() ? mechanoid->m_GliderData.GetDamageRatio() : 0.0f;
    const SDeviceState& stasis = mechanoid->m_Devices[EQP_STASIS_GENERATOR];
    s.stasis = stasis.m_bOn || stasis.m_fTimer > 1.0f;
    s.shieldHit = g_PlayerHitNotes.level > 0;
    for (int i = 0; i < 2; ++i) s.guns[i] = ReadCockpitGun(glider->m_Guns[i]);
    s.watched = IsWatchedByTower(*glider);
    // The anomaly the frame's zones reported (their level is the zone's id);
    // the zones above level 0 hurt.
    const bool inZone = std::any_of(std::begin(g_ZoneWarningFlags), std::end(g_ZoneWarningFlags),
                                    [](std::uint8_t f) { return f != 0; });
    s.anomalyZone = inZone ? g_ZoneWarningLevel : -1;
    s.anomalyDamage = inZone && g_ZoneWarningLevel > 0;
    return s;
}
} // namespace

SCockpitState::SGun ReadCockpitGun(const CGun& gun)
{
    SCockpitState::SGun g;
    const SGunParameters* type = gun.GetGunDesc();
    if (!gun.m_bMounted || !type) return g;
    g.mounted = true;
    g.overheated = gun.m_bOverheated != 0;
    g.fireTime = type->m_fFireTime;
    g.rateOfFire = type->m_fRateOfFire;
    // The charge left before the gun overheats, and how far its reload has
    // come (1 when it may fire again).
    g.chargeRatio = type->m_fFireTime > 0.0f ? 1.0f - gun.m_fHeat / type->m_fFireTime : 1.0f;
    g.condition = gun.m_fReload > 0.0f ? std::clamp(1.0f - gun.m_fReload * type->m_fRateOfFire, 0.0f, 1.0f) : 1.0f;
    // The result of this frame's trigger (the gun's run keeps it a frame).
    g.stateCode = gun.m_nPrevFireResult;
    return g;
}

void CMMApp::AnalizeSituation()
{
    m_Music.AnalizeMusicSituation();
    CGameWarningSounds sounds;
    const int code = CCockpitWarnings::Analize(ReadCockpitState(), m_uWarningSounds, m_fLastShield, sounds);
    if (g_pRenderer) g_pRenderer->m_iWarning = code;
}
