#include "units/Gun.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Random.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/ExploObject.h"
#include "units/GliderObject.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "units/MissileObject.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include <algorithm>
#include <cmath>

IShotEvents* g_pShotEvents = nullptr;

bool IsPlayerGlider(const CMMObject* object)
{
    const auto* glider = dynamic_cast<const CGliderObject*>(object);
    return glider && glider->m_pMechanoid && glider->m_pMechanoid->m_bPlayer;
}

bool IsNetworkCopy(const CMMObject* object)
{
    return object && object->m_bNetwork && !object->m_bLocal;
}

void PlayMotionless(std::int32_t sound, const CVector& at)
{
    if (sound == -1 || !g_pSoundManager) return;
    const CVector& l = g_ViewCamera.m_vPosition;
    const float where[3] = {at.x, at.y, at.z};
    const float listener[3] = {l.x, l.y, l.z};
    g_pSoundManager->Play3DMotionlessById(sound, where, listener, true);
}

namespace
{

bool IsInstant(int shootType)
{
    return shootType == 1 || shootType == 3 || shootType == 6 || shootType == 7 || shootType == 8 ||
           shootType == 10;
}

// A frame whose direction row (row 2) faces dir; z is up.
CMatrix FacingFrame(const CVector& dir)
{
    CObjectFrame frame;
    frame.SetForward(dir);
    CMatrix m = frame.m_Matrix;
    m.m[3][0] = m.m[3][1] = m.m[3][2] = 0.0f;
    return m;
}

} // namespace

CGun::CGun() = default;

CGun::~CGun()
{
    ReleaseSource();
    FreePrivate();
}

void CGun::ReleaseSource()
{
    if (m_iSoundSource != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iSoundSource, false);
    m_iSoundSource = -1;
}

void CGun::FreePrivate()
{
    delete m_pPrivate;
    m_pPrivate = nullptr;
}

void CGun::Assign(const STypeKey& key, std::uint32_t word)
{
    XTRACE("CGun::Assign");
    m_nFireResult = m_nPrevFireResult = GUN_OK;
    // The record may be our own private copy: keep it until the new one is made.
    SGunParameters* previous = m_pPrivate;
    m_pPrivate = nullptr;
    m_pRecord = nullptr;
    const std::int32_t index = key.Index();
    if (index >= 0 && index < std::int32_t(g_GunManager.m_Records.size()))
    {
        if (word != 0)
        {
            m_pPrivate = new SGunParameters;
            for (float& d : m_pPrivate->m_MaxDamage)
                d = 0.0f;
            g_GunManager.GetParam(m_pPrivate, index, word, true);
            m_pRecord = m_pPrivate;
        }
        else
        {
            m_pRecord = g_GunManager.GetGun(index);
        }
    }
    delete previous;
    m_Key = key;
    m_dwModif = word;
    m_bMounted = m_pRecord != nullptr;
    m_nBurstFrames = 0;
    m_nBarrel = 0;
    ReleaseSource();
    m_bSounding = 0;
    if (m_pRecord)
    {
        m_fReload = kReadyAtOnce;
        m_fAmmo = m_pRecord->m_fSpare;
        m_iMissile = m_pRecord->GetMissileId();
    }
    else
    {
        m_fAmmo = 0.0f;
        m_iMissile = -1;
    }
    m_fHeat = 0.0f;
    m_fShotFlash = 0.0f;
    m_fRecovery = 0.0f;
    m_bOverheated = 0;
}

void CGun::Run()
{
    XTRACE("CGun::Run");
    const float dt = g_FrameTimer.GetFrameTime();
    if (m_fReload > 0.0f)
        m_fReload -= dt;
    else
        m_fReload = 0.0f;
    m_fSinceShot += dt;
    if (m_fRecovery != 0.0f) m_fRecovery = std::max(0.0f, m_fRecovery - dt);

    if (const SGunParameters* g = m_pRecord)
    {
        if (g->m_bTypeArms)
        {
            if (m_fAmmo < g->m_fSpare) m_fAmmo = std::min(g->m_fSpare, m_fAmmo + dt * g->m_fReconstruction);
        }
        else if (m_bFiring)
        {
            if (m_fHeat < g->m_fFireTime)
            {
                m_fHeat += dt;
                if (m_fHeat >= g->m_fFireTime)
                {
                    m_bOverheated = 1;
                    m_fHeat = g->m_fFireTime;
                }
            }
        }
        else if (m_fHeat > 0.0f)
        {
            const float cool = g->m_fCoolTime > 0.0f ? dt * g->m_fFireTime / g->m_fCoolTime : m_fHeat;
            m_fHeat = std::max(0.0f, m_fHeat - cool);
            if (m_bOverheated && m_fHeat == 0.0f)
            {
                m_bOverheated = 0;
                m_fRecovery = 0.5f;
            }
        }
    }

    if (m_fIntensity > kMaxIntensity)
        m_fIntensity = kMaxIntensity;
    else if (m_nBurstFrames < 2)
        m_fIntensity = m_fIntensity > dt ? m_fIntensity - dt : 0.0f;

    if (!m_bFiring) StopSound(false);

    if (m_nBurstFrames != 0)
    {
        --m_nBurstFrames;
    }
    else
    {
        // Once the burst is over the reload runs at twice the frame time:
        // this doubled decrement is how the weapons are meant to pace.
        m_fReload = std::max(0.0f, m_fReload - dt);
        m_fShotFlash = std::max(0.0f, m_fShotFlash - dt);
    }

    m_nPrevFireResult = m_nFireResult;
    m_nFireResult = GUN_OK;
    m_bFiring = 0;
}

void CGun::StopSound(bool)
{
    // The looping source is let go, not cut short: it ends on its own.
    if (m_iSoundSource != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iSoundSource, true);
    m_iSoundSource = -1;
    // Run calls this on every idle frame: the end sound closes a burst once,
    // not every frame the trigger is up.
    if (!m_bSounding || !m_pRecord || !g_pSoundManager) return;
    m_bSounding = 0;
    const std::int32_t end = m_pRecord->GetSoundEndId();
    if (end == -1) return;
    if (IsPlayerGlider(m_pOwner))
        g_pSoundManager->Play2DById(end, false);
    else
        PlayMotionless(end, m_vMuzzle[m_nBarrel & 1]);
}

void CGun::Pause(bool pause)
{
    if (pause) ReleaseSource();
}

void CGun::PlayShotSound(const CMatrix* owner, const CVector& muzzle, bool player)
{
    const std::int32_t sound = m_pRecord->GetSoundId();
    m_bSounding = 1;
    if (sound == -1 || !g_pSoundManager) return;
    if (!m_pRecord->m_bVType)
    {
        if (player)
            g_pSoundManager->Play2DById(sound, false);
        else
            PlayMotionless(sound, muzzle);
        return;
    }
    // A continuous gun hums from just ahead of its owner.
    const CVector ahead{owner->m[0][2], owner->m[1][2], owner->m[2][2]};
    const CVector at = CVector{owner->m[3][0], owner->m[3][1], owner->m[3][2]} + ahead * 4.0f;
    const float where[3] = {at.x, at.y, at.z};
    if (m_iSoundSource == -1)
    {
        m_iSoundSource = g_pSoundManager->AddSndSrc(sound, where);
        if (m_iSoundSource == -1) return;
        g_pSoundManager->SetModeSndSrc(m_iSoundSource, player ? 2 : 0);
        g_pSoundManager->PlaySndSrc(m_iSoundSource, true, false, false);
    }
    else if (!player)
    {
        g_pSoundManager->SetPosSndSrc(m_iSoundSource, where);
    }
}

bool CGun::IsShotVisible() const
{
    if (!m_pRecord) return false;
    if (m_pRecord->m_bVType) return m_fIntensity > 0.0f;
    return m_fSinceShot > 0.0f && m_fSinceShot < m_pRecord->m_fFxTime;
}

bool CGun::PayEnergy(float cost)
{
    auto* glider = dynamic_cast<CGliderObject*>(m_pOwner);
    if (!glider || !glider->m_pMechanoid) return true;
    CMechanoid* mech = glider->m_pMechanoid;
    if (mech->GetEnergy(1) < cost) return false;
    mech->m_fEnergy -= cost;
    return true;
}

float CGun::ShotDamage(bool includeExplosion)
{
    float parts[3];
    return g_GunManager.GetMaxDamage(parts, m_Key.Index(), m_dwModif, includeExplosion);
}

CMissileObject* CGun::MakeMissile(const CMatrix& frame)
{
    if (IsNetworkCopy(m_pOwner) || m_iMissile == -1) return nullptr;
    CMissileObject* missile =
        static_cast<CMissileObject*>(g_MissileManager.CreateMissile(m_iMissile, frame, nullptr, m_dwModif));
    if (!missile) return nullptr;
    missile->SetOwner(m_pOwner);
    missile->SetTarget(nullptr);
    return missile;
}

int CGun::PlayerMissile(CMissileObject* missile, float damage)
{
    if (m_pOwner && m_pOwner->m_bNetwork)
    {
        missile->m_bNetwork = 1;
        missile->m_bLocal = 1;
        missile->m_nNetId = ++g_MissileManager.m_nLastNetId;
        g_ObjectList.AddNetObject(missile);
    }
    if (g_pShotEvents)
        if (CMMObject* locked = g_pShotEvents->GetLockedTarget()) missile->SetTarget(locked);
    const int kind = missile->GetKind() == CMissileObject::KIND_MINE ? 4 : m_pRecord->m_nType;
    if (g_pShotEvents) g_pShotEvents->OnShoot(damage, kind);
    missile->m_nWeaponKind = kind;
    return kind;
}

void CGun::Fire(const CMatrix* owner, CMatrix mount, CVector direction, int, float inherit)
{
    XTRACE("CGun::Fire");
    if (!m_pRecord) return;
    const std::int32_t index = m_Key.Index();
    // Re-assigning keeps the reload: a gun whose model is still loading is
    // not ready again at every frame.
    PrepareFirePoints();
    const SGunParameters& g = *m_pRecord;
    m_vDirection = direction;

    if (g.m_bTypeArms && m_fAmmo < 1.0f)
    {
        m_nFireResult = GUN_NO_AMMO;
        return;
    }
    if (g.m_bVType && m_bOverheated)
    {
        m_nFireResult = GUN_OVERHEATED;
        return;
    }

    const float rate = g.m_fRateOfFire > 0.0f ? g.m_fRateOfFire : 1.0f;
    const float period = 1.0f / rate;
    int shots = m_fReload > 0.0f ? 0 : std::min(2, int(1.0f - m_fReload * rate));
    const float range = g.m_fMaxDistance != 0.0f ? g.m_fMaxDistance : kDefaultRange;
    const bool player = IsPlayerGlider(m_pOwner);
    auto* ownerGlider = dynamic_cast<CGliderObject*>(m_pOwner);

    const int barrels = g.m_bDoubleGun ? 2 : 1;
    CVector muzzles[2];
    CMMObject* hitObject = nullptr;
    CVector objectPoint, terrainPoint;
    bool objectHit = false, terrainHit = false;
    for (int b = 0; b < barrels; ++b)
    {
        CVector local{mount.m[3][0], mount.m[3][1], mount.m[3][2]};
        if (b == 1) local.x = -local.x;
        VectorTransformCoord(&muzzles[b], owner, &local);
        CMMObject* obj = nullptr;
        CVector op, tp;
        bool oh = g_ObjectList.GetRayIntersection(&muzzles[b], &direction, range, &op, m_pOwner, &obj);
        bool th = g_Location.GetRayIntersection(muzzles[b], direction, range, &tp);
        if (oh && th && (op - muzzles[b]).LengthSq() < (tp - muzzles[b]).LengthSq()) th = false;
        if (!player && m_pOwner)
        {
            if (th && (tp - muzzles[b]).LengthSq() < 10000.0f) return;
            if (oh)
            {
                if (obj->m_nType != OBJ_GLIDER) return;
                auto* target = static_cast<CGliderObject*>(obj);
                if (ownerGlider && ownerGlider->IsGroupMate(target)) return;
            }
        }
        if (b == 0 || !(objectHit || terrainHit))
        {
            objectHit = oh, terrainHit = th, hitObject = obj, objectPoint = op, terrainPoint = tp;
        }
    }

    const float cost = g.m_bVType ? g.m_fPower * g_FrameTimer.GetFrameTime() : g.m_fPower / rate;
    if (ownerGlider && m_fReload <= 0.0f && !PayEnergy(cost))
    {
        m_nFireResult = GUN_NO_ENERGY;
        return;
    }
    // A gun of the first kinds fires from its model's fire points: while
    // that model is still loading it waits.
    if (g.m_nType <= 1 && g.GetModelId() >= 0 && !g_GunManager.GetGun(index)->m_bInitialized) return;

    m_bFiring = 1;
    m_fIntensity += 2.0f * g_FrameTimer.GetFrameTime();
    if (m_fReload > 0.0f)
    {
        if (!g.m_bVType) m_nFireResult = GUN_RELOADING;
        return;
    }

    m_nBurstFrames = 2;
    CMatrix firePoint(1.0f);
    firePoint.SetTranslation(CVector{g.m_vFirePoint[0], g.m_vFirePoint[1], g.m_vFirePoint[2]});

    const int shootType = g.m_nShootType;
    if (IsInstant(shootType))
    {
        if (g.m_bDoubleGun) m_nBarrel ^= 1;
        const bool hit = terrainHit || objectHit;
        const CVector end = terrainHit ? terrainPoint : objectPoint;
        const bool explosion = hit && g.GetExploId() != -1;
        if (explosion)
        {
            CMatrix at(1.0f);
            at.SetTranslation(end);
            if (CExploObject* explo =
                    static_cast<CExploObject*>(g_ExploManager.CreateObject(g.GetExploId(), at)))
            {
                explo->m_pOwner = m_pOwner;
                explo->m_nWeaponKind = player ? g.m_nType : 666;
                // A copy's blast deals no damage, like the copy's beam.
                if (m_pOwner)
                {
                    explo->m_bNetwork = m_pOwner->m_bNetwork;
                    explo->m_bLocal = m_pOwner->m_bLocal;
                }
            }
        }
        const CVector& muzzle = muzzles[std::min(m_nBarrel, barrels - 1)];
        m_fBeamLength = hit ? std::min(range, (end - muzzle).Length()) : range;
        if (player && g.m_nDamageType != 5 && g.m_nDamageType != 6 && g.m_nDamageType != 7 && g_pShotEvents)
            g_pShotEvents->OnShoot(ShotDamage(explosion), g.m_nType);
        m_vMuzzle[m_nBarrel] = muzzle;
        m_vBeamEnd[m_nBarrel] = muzzle + direction * m_fBeamLength;
        if (g.m_bDoubleGun)
        {
            const int other = m_nBarrel ^ 1;
            m_vMuzzle[other] = muzzles[other];
            m_vBeamEnd[other] = muzzles[other] + direction * m_fBeamLength;
        }
        if (objectHit && !terrainHit && hitObject && (hitObject->m_bDamageable || g.m_nDamageType == 4))
        {
            const float damage = IsNetworkCopy(m_pOwner) ? 0.0f : g.m_fDamage;
            for (int i = 0; i < shots; ++i)
                hitObject->Damage(damage, objectPoint, g.m_bTypeArms ? 0 : 1, m_pOwner, g.m_nDamageType - 1,
                                  player ? g.m_nType : 666);
        }
    }
    else if (shootType == 2 || shootType == 4 || shootType == 5)
    {
        for (int i = 0; i < shots; ++i)
        {
            if (g.m_nType == 1 && ownerGlider)
            {
                ownerGlider->m_Frame.UpdateAxes();
                ownerGlider->AddImpulse(ownerGlider->m_Frame.m_vForward * (-ownerGlider->m_fMass * 10.0f));
            }
            if (i > 0 && ownerGlider && !PayEnergy(cost)) continue;
            const float offset = float(i) * period - m_fReload;
            if (g.m_bDoubleGun) m_nBarrel ^= 1;
            CVector jittered = direction;
            jittered.x += (g_Random.Random(2.0f) - 1.0f) * 0.005f;
            jittered.y += (g_Random.Random(2.0f) - 1.0f) * 0.005f;
            jittered.z += (g_Random.Random(2.0f) - 1.0f) * 0.005f;
            CMatrix frame = FacingFrame(jittered);
            const CMatrix& gunMatrix = m_nBarrel == 1 ? m_GunMatrix2 : m_GunMatrix;
            CVector point{g.m_vFirePoint[0], g.m_vFirePoint[1], g.m_vFirePoint[2]};
            VectorTransformNormal(&point, &gunMatrix, &point);
            frame.SetTranslation(muzzles[std::min(m_nBarrel, barrels - 1)] + point);
            CMissileObject* missile = MakeMissile(frame);
            if (!missile) continue;
            if (player)
            {
                float parts[3];
                const float damage = shootType == 5
                                         ? g_MissileManager.GetMaxDamage(parts, m_iMissile, m_dwModif)
                                         : ShotDamage(true);
                PlayerMissile(missile, damage);
                if (g_pShotEvents) g_pShotEvents->OnFireWeapon(missile->GetKind());
            }
            missile->Advance(offset * 0.25f);
        }
    }
    else if (shootType == 9)
    {
        if (m_iMissile == -1) return;
        for (int i = 0; i < shots; ++i)
        {
            if (i > 0 && ownerGlider && !PayEnergy(cost))
            {
                m_nFireResult = GUN_NO_ENERGY;
                return;
            }
            const float offset = float(i) * period - m_fReload;
            CVector local{mount.m[3][0], mount.m[3][1], mount.m[3][2]};
            if (g.m_bDoubleGun)
            {
                if (m_nBarrel == 1) local.x = -local.x;
                m_nBarrel ^= 1;
            }
            CVector muzzle;
            VectorTransformCoord(&muzzle, owner, &local);
            CMatrix base = FacingFrame(direction);
            base.ScaleRotation(2.0f);
            const int count = std::clamp(g.m_nXState, 1, kMaxFan);
            for (int j = 0; j < count; ++j)
            {
                const float angle =
                    g.m_fAngle * 3.14159265f / 180.0f * (float(j) - float(count - 1) / 2.0f) / float(count);
                CMatrix turn(1.0f);
                turn.SetRotationZ(angle);
                CMatrix frame;
                MatrixMultiply(&frame, &turn, &base);
                frame.SetTranslation(muzzle);
                CMissileObject* missile = MakeMissile(frame);
                if (!missile) continue;
                if (ownerGlider) missile->m_vVelocity += ownerGlider->m_vVelocity * inherit;
                if (player)
                {
                    missile->m_bNetwork = 1;
                    missile->m_bLocal = 1;
                    missile->m_nNetId = ++g_MissileManager.m_nLastNetId;
                    g_ObjectList.AddNetObject(missile);
                    missile->m_fFuse = 0.8f + g_Random.Random(0.4f);
                    if (g_pShotEvents)
                    {
                        if (CMMObject* locked = g_pShotEvents->GetLockedTarget()) missile->SetTarget(locked);
                        const int kind = missile->GetKind() == CMissileObject::KIND_MINE ? 4 : g.m_nType;
                        missile->m_nWeaponKind = kind;
                        g_pShotEvents->OnShoot(ShotDamage(true), kind);
                    }
                }
                if (offset != 0.0f) missile->Advance(offset);
            }
        }
    }
    else
    {
        shots = 0;
    }

    PlayShotSound(owner, muzzles[g.m_bDoubleGun ? (m_nBarrel & 1) : 0], player);
    if (g.m_bTypeArms) m_fAmmo -= float(shots);
    m_fSinceShot = 0.0f;
    m_fShotFlash = 1.0f;
    m_fReload += float(shots) * period;
}
