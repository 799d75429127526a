// The frame's last step: the music for the player's situation and the
// cockpit warnings, read from the player's mechanoid.

#include "app/MMApp.h"

#include "hud/Renderer.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/GameWorldState.h"
#include "world/Mech.h"
#include "world/World.h"

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

// What the warnings read of the player. The guns' readings (charge,
// overheating, state codes) are not taken yet: the guns count as not
// mounted, so they give no warning.
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
    return s;
}
} // namespace

void CMMApp::AnalizeSituation()
{
    m_Music.AnalizeMusicSituation();
    CGameWarningSounds sounds;
    const int code = CCockpitWarnings::Analize(ReadCockpitState(), m_uWarningSounds, m_fLastShield, sounds);
    if (g_pRenderer) g_pRenderer->m_iWarning = code;
}
