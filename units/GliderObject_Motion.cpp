// The glider's drive, jump, per-frame step and collisions.

#include "units/GliderObject.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/GameTime.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "units/Mechanoid.h"
#include "world/TypeManagers.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace
{
float GroundAt(const CVector& p)
{
    if (!g_pWorldTerrain) return 0.0f;
    float h = 0.0f;
    if (g_pWorldTerrain->GetHeight(CVector{p.x, p.y, p.z}, &h)) return h;
    return g_pWorldTerrain->GetRoughHeight(p, true);
}

float EngineValues(const CMechanoid* m)
{
    return m ? m->m_Engine.GetValue1() + m->m_Engine2.GetValue1() : 0.0f;
}

float EnginePower(const CMechanoid* m)
{
    return m ? m->m_Engine.GetPower() + m->m_Engine2.GetPower() : 0.0f;
}

// The knock of a collision at relative speed squared q on the glider's
// collision source, heard from the camera within the sound's reach (the
// player's own always). One at a time: a contact is reported in every
// physics step while the two touch, and a knock still sounding is not
// started again.
void Knock(std::int32_t* source, bool player, const char* name, const CVector& at, float q)
{
    if (!g_pSoundManager) return;
    CSoundManager2& sound = *g_pSoundManager;
    const std::int32_t id = sound.FindName(name);
    if (id == -1) return;
    const float far = sound.GetMaxDistance(id);
    if (!player && (at - g_ViewCamera.m_vPosition).LengthSq() > far * far) return;
    if (*source != -1)
    {
        if (sound.IsPlayingSndSrc(*source)) return;
        sound.DeleteSndSrc(source, false);
    }
    const float where[3] = {at.x, at.y, at.z};
    *source = sound.AddSndSrc(id, where);
    if (*source == -1) return;
    sound.SetVolumeSndSrc(*source, std::min(std::sqrt(q) - 18.0f, 270.0f) / 270.0f);
    sound.PlaySndSrc(*source, false, false, false);
}

} // namespace

void CGliderObject::PlaySound(const char* name, const CVector& at)
{
    if (g_pSoundManager) PlayMotionless(g_pSoundManager->FindName(name), at);
}

void CGliderObject::SetTraction(float t)
{
    XTRACE("SetTraction(float f)");
    float a = std::fabs(t);
    // A glider of the world (not the player's) saves its energy when low:
    // the energy bands of its AI hold for every glider but the player's.
    if (m_pMechanoid && !IsPlayer())
    {
        const float e = m_pMechanoid->GetEnergy(0);
        if (e < 0.1f)
            a = 0.5f;
        else if (e < 0.3f && std::fabs(t) > 1.0f)
            a = 0.9f;
        else if (e < 0.4f)
            a = std::fabs(t) * 0.8f;
        else if (e < 0.5f)
            a = std::fabs(t) * 0.9f;
    }
    const float signedThrottle = (t > 0.0f ? 1.0f : -1.0f) * a;
    m_fThrottle = a;
    float traction = 0.0f;
    if (a > 0.0f)
    {
        if (m_pMechanoid)
        {
            traction = signedThrottle * m_pMechanoid->m_Engine.GetValue1();
            if (m_pMechanoid->m_Engine2.HasRecord())
                traction += signedThrottle * m_pMechanoid->m_Engine2.GetValue1();
        }
        else
        {
            traction = signedThrottle * 25.0f;
        }
    }
    if (IsPlayer() && m_pMechanoid->IsOn(EQP_ACCELERATOR)) traction *= 1.25f;
    if (traction != m_fDrive)
    {
        m_fDrive = traction;
        m_bChanged = 1;
    }
}

void CGliderObject::StrafeLeft(float s)
{
    XTRACE("CGliderObject::StrafeLeft");
    if (s == 0.0f) return;
    if (std::isnan(s))
    {
        g_ErrorLog.LogError("CGliderObject::StrafeLeft. Value is nan");
        throw std::runtime_error("CGliderObject::StrafeLeft. Value is nan");
    }
    m_fStrafe = 0.0f;
    if (m_pMechanoid && (m_pMechanoid->m_Engine.HasRecord() || m_pMechanoid->m_Engine2.HasRecord()))
    {
        const SGliderParameters* t = GetParams();
        const float standard = t ? float(t->m_nStandard) : 0.0f;
        m_fStrafe = std::sqrt(standard + 2.0f) * EngineValues(m_pMechanoid) * s * 1.5f;
    }
    m_bChanged = IsPlayer() ? 1 : 0;
}

void CGliderObject::EnergyRule()
{
    if (m_fDrive == 0.0f && m_fStrafe == 0.0f) return;
    if (!m_pMechanoid) return;
    if (EnginePower(m_pMechanoid) > m_pMechanoid->m_fEnergy)
    {
        m_fDrive = 0.0f;
        m_fStrafe = 0.0f;
    }
}

void CGliderObject::ChargeJump(float k)
{
    XTRACE("CGliderObject::ChargeJump");
    if (m_pMechanoid && (m_fJumpCharge != 0.0f || m_pMechanoid->m_fEnergy >= 500.0f))
    {
        const float dt = g_FrameTimer.GetFrameTime();
        const float cost = dt * k * 4000.0f;
        if (cost <= m_pMechanoid->m_fEnergy)
        {
            m_pMechanoid->m_fEnergy -= cost;
            m_fJumpCharge += dt * k * 20.0f;
            RunChargeSound();
            return;
        }
    }
    // Energy short: a held charge goes off.
    if (m_fJumpCharge > 0.0f) Jump(1.0f, false);
}

bool CGliderObject::IsFollowed() const
{
    return IsPlayer() || g_pCameraObject == this;
}

void CGliderObject::RunChargeSound()
{
    // The charge whines higher as it grows, under the glider that the
    // camera follows.
    if (!IsFollowed() || !g_pSoundManager) return;
    CSoundManager2& sound = *g_pSoundManager;
    const CVector p = GetPosition();
    const float at[3] = {p.x, p.y, p.z - 3.0f};
    if (m_iChargeSound == -1 && m_fJumpCharge > 5.0f)
    {
        m_iChargeSound = sound.AddSndSrc("SND_G_JUMP_CHARGE_L", at);
        if (m_iChargeSound != -1) sound.PlaySndSrc(m_iChargeSound, true, false, false);
    }
    if (m_iChargeSound == -1) return;
    sound.SetFrequenceSndSrc(m_iChargeSound, ChargeFrequency(m_fJumpCharge));
    sound.SetPosSndSrc(m_iChargeSound, at);
}

float CGliderObject::ChargeFrequency(float charge)
{
    return std::sqrt(charge / 256.0f) * 78000.0f + 10000.0f;
}

void CGliderObject::RunWaterSound()
{
    if (!g_pSoundManager) return;
    CSoundManager2& sound = *g_pSoundManager;
    if (m_iCollisionSound != -1 && !sound.IsActiveSndSrc(m_iCollisionSound)) ReleaseSource(&m_iCollisionSound);
    const std::int32_t id = sound.FindName("SND_G_SURFACE_WATER_L");
    const CVector p = GetPosition();
    const float far = id != -1 ? sound.GetMaxDistance(id) : 0.0f;
    const bool heard = IsPlayer() || (p - g_ViewCamera.m_vPosition).LengthSq() <= far * far;
    if (id == -1 || !m_bOnWater || m_vVelocity.LengthSq() <= 10000.0f || !heard)
    {
        ReleaseSource(&m_iWaterSound);
        return;
    }
    const float at[3] = {p.x, p.y, p.z};
    if (m_iWaterSound == -1)
    {
        m_iWaterSound = sound.AddSndSrc(id, at);
        if (m_iWaterSound != -1) sound.PlaySndSrc(m_iWaterSound, true, false, false);
    }
    if (m_iWaterSound != -1) sound.SetPosSndSrc(m_iWaterSound, at);
}

void CGliderObject::RunZone(float dt, float ground)
{
    float level = 0.0f;
    int kind = -1;
    const CVector p = GetPosition();
    if (g_Location.m_nCellsX <= 0 || !g_Location.GetZone(p, &level, &kind)) return;
    if (!(p.z - 75.0f < level && level + 3.0f >= ground && p.z - level < 30.0f)) return;
    // A copy of another machine's glider is hurt by its owner.
    const bool hurt = !m_bRemote || m_bOwnedHere;
    if (kind == 0)
    {
        m_bOnWater = 1;
    }
    else if (kind == 1)
    {
        if (hurt) Damage(dt * 50.0f, CVector{}, 1, nullptr, 0, 666);
        if (IsPlayer())
        {
            g_ZoneWarningLevel = std::max(g_ZoneWarningLevel, 2);
            g_ZoneWarningFlags[1] = 1;
        }
    }
    else if (kind == 2)
    {
        if (IsPlayer())
        {
            g_ZoneWarningLevel = std::max(g_ZoneWarningLevel, 1);
            g_ZoneWarningFlags[2] = 1;
        }
        if (hurt) Damage((1200.0f - (p.z - level) * 40.0f) * dt * 5.0f, CVector{}, 1, nullptr, 1, 666);
    }
}

void CGliderObject::Jump(float, bool quick)
{
    XTRACE("CGliderObject::Jump");
    if (!m_pMechanoid) return;
    if (!IsPlayer() && (!m_bActive || m_pMechanoid->GetEnergy(0) < 0.3f)) return;
    bool release = !quick;
    if (m_fJumpCharge == 0.0f || m_fStrafe != 0.0f)
    {
        if (m_pMechanoid->m_fEnergy < 300.0f) return;
        release = true;
        m_fJumpCharge = 20.0f;
    }
    else
    {
        m_fJumpCharge += 20.0f;
    }
    const float h = GetPosition().z - GroundAt(GetPosition());
    if (h > 100.0f) m_fJumpCharge = m_fJumpCharge / std::min(h, 500.0f) * 100.0f;
    if (!release)
    {
        m_fJumpCharge = 0.0f;
        return;
    }
    ReleaseSource(&m_iChargeSound);
    if (m_fJumpReadiness > 0.5f && m_fJumpCharge > 10.0f)
    {
        if (m_pMechanoid->m_fEnergy >= 400.0f) m_pMechanoid->m_fEnergy -= 400.0f;
        const bool strafe = m_fStrafe != 0.0f;
        if (strafe) m_fJumpReadiness = std::max(m_fJumpReadiness, 0.5f) * 1.5f + 0.25f;
        m_fLastJump = float(g_GameTime);
        const float k = IsPlayer() && m_pMechanoid->IsOn(EQP_JUMP_CONCENTRATOR) ? 2.5f : 1.5f;
        const float f = k * m_fJumpReadiness * m_fJumpReadiness;
        float v = EngineValues(m_pMechanoid) * f * 0.6f;
        const float s = (m_fJumpCharge + 1.0f) * 0.5f * v * 0.1f;
        v = std::pow(m_fJumpCharge, 0.25f) * v;
        const float u = 0.2f * v;
        CVector impulse;
        if (!strafe)
            impulse = ForwardAxis() * u + CVector{0.0f, 0.0f, v};
        else
            impulse = SideAxis() * (-FloatSign(m_fStrafe) * s);
        AddImpulse(impulse);
        const CVector p = GetPosition();
        MakeExplosion(quick ? "EXP_GLIDER_JUMP" : "EXP_GLIDER_JUMP_SUPER",
                      CVector{p.x, p.y, p.z - m_vHalfSize.z * 0.5f}, 1.0f);
        PlaySound("SND_G_JUMP", CVector{p.x, p.y, p.z - 3.0f});
        m_fJumpReadiness = 0.0f;
    }
    m_fJumpCharge = 0.0f;
}

void CGliderObject::ReleaseSource(std::int32_t* id)
{
    if (*id == -1) return;
    if (g_pSoundManager) g_pSoundManager->DeleteSndSrc(id, false);
    *id = -1;
}

void CGliderObject::RunEngineSound(float dt)
{
    XTRACE("Engine sound");
    if (!g_pSoundManager) return;
    CSoundManager2& sound = *g_pSoundManager;
    const std::int32_t* ids = g_MMEngine.m_nEngineSounds;
    const int state = m_fThrottle == 0.0f ? 0 : m_fThrottle > 1.0f ? 2 : 1;
    const CVector p = GetPosition() + ForwardAxis() * 10.0f;
    const float at[3] = {p.x, p.y, p.z};
    const bool player = IsPlayer();
    const float far = ids[0] != -1 ? sound.GetMaxDistance(ids[0]) : 0.0f;
    if (m_bDestroyed || (!player && (p - g_ViewCamera.m_vPosition).LengthSq() > far * far))
    {
        ReleaseSource(&m_iEngineSounds[0]);
        ReleaseSource(&m_iEngineSounds[1]);
        return;
    }
    auto start = [&](int i)
    {
        if (m_iEngineSounds[i] == -1 && ids[i] != -1) m_iEngineSounds[i] = sound.AddSndSrc(ids[i], at);
        if (m_iEngineSounds[i] != -1 && !sound.IsPlayingSndSrc(m_iEngineSounds[i]))
            sound.PlaySndSrc(m_iEngineSounds[i], true, false, false);
    };
    if (state != m_nEngineState)
    {
        if (state == 0)
        {
            start(0);
        }
        else
        {
            if (m_iEngineSounds[0] != -1) sound.StopSndSrc(m_iEngineSounds[0], false);
            start(1);
        }
        m_nEngineState = state;
    }
    // The afterburner's roar of the player's fast glider.
    if (player)
    {
        const float speed = m_vVelocity.Length();
        if (speed <= 54.0f)
        {
            if (m_iEngineSounds[2] != -1) sound.StopSndSrc(m_iEngineSounds[2], false);
        }
        else
        {
            const float range = g_MMEngine.m_fMaxSpeed - 54.0f;
            const float level = range > 0.0f ? (speed - 54.0f) / range : 1.0f;
            start(2);
            if (m_iEngineSounds[2] != -1)
                sound.SetVolumeSndSrc(m_iEngineSounds[2],
                                      level >= 1.0f
                                          ? 1.0f
                                          : g_MMEngine.m_fMinVolume +
                                                (g_MMEngine.m_fMaxVolume - g_MMEngine.m_fMinVolume) * level);
        }
    }
    // The pitch follows the state over a second and a half.
    const float target = float(state);
    const float step = dt / 1.5f;
    m_fPitchBlend = m_fPitchBlend < target ? std::min(target, m_fPitchBlend + step)
                                           : std::max(target, m_fPitchBlend - step);
    if (const std::int32_t running = m_iEngineSounds[1]; running != -1)
    {
        sound.SetFrequenceSndSrc(running,
                                 g_MMEngine.m_fMinFreq + (g_MMEngine.m_fMaxFreq - g_MMEngine.m_fMinFreq) *
                                                             std::sqrt(m_fPitchBlend * 0.5f));
        sound.SetVolumeSndSrc(running, std::min(m_fPitchBlend * 1.5f, 1.0f));
        if (state == 0 && m_fPitchBlend == 0.0f) sound.StopSndSrc(running, false);
    }
    for (std::int32_t id : m_iEngineSounds)
        if (id != -1) sound.SetPosSndSrc(id, at);
}

void CGliderObject::RunBorder(float dt)
{
    const int w = g_Location.m_nWidth > 1 ? g_Location.m_nWidth - 1 : 0;
    const int hq = g_Location.m_nHeight > 1 ? g_Location.m_nHeight - 1 : 0;
    if (w == 0 || hq == 0) return;
    const float m = w < 1025 ? 2.0f : w < 2049 ? 8.0f : 48.0f;
    const float big = 10.0f * m;
    const CVector p = GetPosition();
    const float right = (float(w) - m) * 10.0f, top = (float(hq) - m) * 10.0f;
    if (!(p.x < big || p.y < big || p.x > right || p.y > top)) return;
    const float d = std::min({p.x - big, p.y - big, right - p.x, top - p.y});
    Damage(std::min(dt, 0.5f) * (d / big) * (d / big) * 5000.0f, CVector{0.0f, 0.0f, -1.0f}, 1, nullptr, 0,
           666);
}

void CGliderObject::RunDust(float dt, float ground)
{
    const CVector p = GetPosition();
    if (ground + 30.0f > p.z)
    {
        float f = std::min((ground + 30.0f - p.z) * 2.0f / 30.0f, 1.0f);
        if (m_nDetailLevel == -1 || m_nDetailLevel >= 3) f = 0.0f;
        const std::uint32_t colour = m_bOnWater ? 0xFFFFFFFFu : 0xFFB0A080u;
        if (m_bDustRestart)
        {
            m_bDustRestart = 0;
            m_vLastDust = CVector{p.x, p.y, ground + 1.5f};
            m_Dust.Restart(m_vLastDust);
        }
        m_Dust.Emit(p.x, p.y, ground + 1.5f, f, colour, p);
    }
    else
    {
        m_bDustRestart = 1;
    }
    m_Dust.Run(dt);
}

void CGliderObject::Run()
{
    XTRACE("CGlider::Run");
    const float dt = g_FrameTimer.GetFrameTime();
    CMMObject::Run();
    // 1. Ammunition waiting to be loaded into the player's guns.
    if (m_pMechanoid && m_pMechanoid->m_bPlayer)
        for (int i = 0; i < 2; ++i)
        {
            float& waiting = m_pMechanoid->m_fWaitingAmmo[i];
            if (waiting <= 0.0f) continue;
            const SGunParameters* g = m_Guns[i].GetGunDesc();
            m_Guns[i].m_fAmmo = g ? std::min(g->m_fSpare, waiting) : 0.0f;
            waiting = 0.0f;
        }
    // 2. Stun.
    if (!m_bMoving && !m_bEnabled)
    {
        m_fStunTime -= dt;
        if (m_fStunTime <= 0.0f)
        {
            m_bMoving = 1;
            m_bEnabled = 1;
            m_fStunTime = 0.0f;
        }
    }
    // 3. The flames' particles move on after a frame that drew them.
    if (m_bParticles)
    {
        m_EngineFire.UpdateParticles(dt);
        m_bParticles = 0;
    }
    // 4. Readiness.
    m_fJumpReadiness =
        std::min(1.0f, m_fJumpReadiness < 1.0f ? m_fJumpReadiness + dt * 0.5f : m_fJumpReadiness);
    m_fReadiness2 = std::min(1.0f, m_fReadiness2 < 1.0f ? m_fReadiness2 + dt * 0.5f : m_fReadiness2);
    // 5. Energy.
    EnergyRule();
    // 6. Water, then engine sound.
    RunWaterSound();
    RunEngineSound(dt);
    // 7. Leaning.
    if (const SGliderParameters* t = GetParams(); t && t->m_nAnims[0] != -1)
    {
        m_fLean += dt * m_vR.x * 5.0f;
        float a = std::fabs(m_fLean);
        DampValue(&a, dt, 40.0f, 1e10f);
        m_fLean = std::clamp(std::copysign(a, m_fLean), -1.0f, 1.0f);
    }
    // 8. A killed mechanoid's glider blows up.
    if (!m_bDestroyed && m_pMechanoid && m_pMechanoid->IsKilled())
    {
        Boom();
        return;
    }
    // 9. The AI steers a local glider of the world.
    if (m_pAI && !m_bRemote && m_pMechanoid && !m_pMechanoid->IsKilled()) m_pAI->Run();
    // 10. Guns.
    for (CGun& g : m_Guns)
        if (g.m_bMounted) g.Run();
    // 11. Firing byte.
    m_bFiring = m_Guns[0].IsShotVisible() || m_Guns[1].IsShotVisible() || (IsPlayer() && m_bShieldEffect);
    // 12. The shield's flashes age.
    if (m_bShieldEffect)
    {
        m_ShieldView.Run(dt);
        m_bShieldEffect = m_ShieldView.m_bAnyHit;
    }
    // 13. Ground and the collision sphere.
    const float ground = GroundAt(GetPosition());
    m_Sphere.m_bUsed = 1;
    m_Sphere.m_fDiameter = 2.0f * m_fGliderRadius;
    m_Sphere.m_vCentre = CVector{GetPosition().x, GetPosition().y, ground};
    m_bOnWater = 0;
    // 14. The map's border hurts the player.
    if (IsPlayer()) RunBorder(dt);
    // 15. The map's water and damaging zones.
    RunZone(dt, ground);
    // 16, 17. Hover dust.
    RunDust(dt, ground);
    // 18. Below the location's lower limit a glider is lost.
    if (g_Environment.m_fDeathHeight > 0.0f && GetPosition().z < g_Environment.m_fDeathHeight &&
        (!m_bRemote || m_bOwnedHere))
        Damage(dt * 1e8f, CVector{}, 0, nullptr, -1, 666);
}

bool CGliderObject::SetColissionObject(CMMObject* other, CVector, CVector point)
{
    XTRACE("CGliderObject::SetColissionObject");
    if (!other) return false;
    CVector v = m_vVelocity;
    if (other->m_bMoving && other->m_bPhysics)
        if (auto* d = dynamic_cast<CDynamicObject*>(other)) v = d->m_vVelocity - m_vVelocity;
    return Collision(other, v.LengthSq(), &point);
}

bool CGliderObject::Collision(CMMObject* other, float q, const CVector* point)
{
    XTRACE("CGliderObject::Collision");
    if (!other || !point) return false;
    const int t = other->m_nType;
    // The knock, by what was hit.
    if (q > 324.0f)
    {
        const char* sound = t == OBJ_STONE                                          ? "SND_G_HIT_STONE"
                            : t == OBJ_TREE                                         ? "SND_G_HIT_TREE"
                            : t == OBJ_BUILDING || t == OBJ_GLIDER || t == OBJ_TANK ? "SND_G_HIT_GLIDER"
                            : t == OBJ_LAMP                                         ? "SND_G_HIT_LAMP"
                            : t == OBJ_BOUND                                        ? "SND_G_HIT_FORCEFIELD"
                                                                                    : nullptr;
        if (sound) Knock(&m_iCollisionSound, IsPlayer(), sound, *point, q);
    }
    const bool hurts = t == OBJ_STONE || t == OBJ_TREE || t == OBJ_BUILDING || t == OBJ_GLIDER ||
                       t == OBJ_BOUND || t == OBJ_TANK;
    // A knock only plays a sound, and the AI only weighs the other's group
    // (IGliderAI::OnCollision): what else happens may change objects (the
    // damage may kill, the application's handler is not ours to know).
    bool changed = false;
    if (q > 8100.0f && hurts)
    {
        Damage(std::min(150.0f * q / 291600.0f, 150.0f), *point, 1, other, 100, 10);
        changed = true;
    }
    if (IsPlayer() && g_pAppEvent)
    {
        g_pAppEvent->OnCollision();
        changed = true;
    }
    if (m_pAI && t == OBJ_GLIDER)
        if (const auto* g = dynamic_cast<const CGliderObject*>(other); g && g->m_pMech) m_pAI->OnCollision(g->m_pMech);
    return changed;
}
