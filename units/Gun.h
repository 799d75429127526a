// CGun: one weapon mount of a glider, tower or ground turret.
//
// The owner sets m_pOwner, calls Run once per frame and Fire while the
// trigger is held. The gun resolves its weapon (type key + modifier word)
// into an SGunParameters record, keeps reload, heat, ammunition and firing
// intensity, and on firing either hits along a ray at once (beam guns) or
// launches missiles through the missile manager. A refused Fire leaves its
// code in m_nFireResult; Run keeps it one more frame in m_nPrevFireResult
// for the owner's display.
//
// Drawing (Gun_Draw.cpp): the owner draws the gun's model (Draw, which
// keeps the barrels' world matrices), its muzzle light (SetFireLight) and,
// in the effect pass, the muzzle flash model ("FXMODEL", "FXMODEL2" from
// the cockpit) at the model's fire points "FX", "FX1", "FX2" and the
// visible shot leaving them (DrawEffect, DrawShoot). A gun whose model is
// still loading neither fires nor draws. What drawing picks at random (the
// flash's frame, the fire point the drawn shot leaves, the muzzle light's
// flicker, the lightning's bends) comes from the gun's own stream
// (m_LookRandom): drawing runs once per frame drawn and only while the gun
// is seen, and must not move the game's sequence. The game's event sink
// and the player's locked target are reached through IShotEvents below.
//
// Ownership: a private record (modifier word not 0) belongs to the gun.
// Threads: main thread.
#pragma once

#include "foundation/Random.h"
#include "foundation/Vector.h"
#include "units/GunManager.h"
#include "units/UnitTypes.h"

#include <cstdint>

class CMMObject;
class CGliderObject;
class CMissileObject;

// Fire result codes.
enum EGunResult : std::int32_t
{
    GUN_OK = 0,
    GUN_OVERHEATED = 1,
    GUN_NO_AMMO = 2,
    GUN_RELOADING = 3,
    GUN_NO_ENERGY = 4,
};

// What the player's shots tell the game: the application fills it; null
// means nobody listens and the player has no locked target.
class IShotEvents
{
public:
    virtual ~IShotEvents() = default;
    virtual void OnShoot(float damage, int kind) = 0;
    virtual void OnFireWeapon(int kind) = 0;
    virtual CMMObject* GetLockedTarget() = 0;
};
extern IShotEvents* g_pShotEvents;

// True for a glider flown by the player's mechanoid.
bool IsPlayerGlider(const CMMObject* object);
// A copy of an object owned on another machine.
bool IsNetworkCopy(const CMMObject* object);
// A one-shot 3-D sound at a fixed place, heard from the camera; nothing
// without a sound manager or for sound -1.
void PlayMotionless(std::int32_t sound, const CVector& at);

class CGun
{
public:
    static constexpr float kReadyAtOnce = -0.00001f;
    static constexpr float kMaxIntensity = 0.25f;
    static constexpr float kDefaultRange = 500.0f;
    static constexpr int kMaxFan = 50;
    static constexpr std::uint32_t kLookSeed = 1;

    CGun();
    ~CGun();
    CGun(const CGun&) = delete;
    CGun& operator=(const CGun&) = delete;

    void Assign(const STypeKey& key, std::uint32_t word);
    void Run();
    // owner: the owner's world matrix; mount: the barrel's place in the
    // owner's frame (its translation); direction: unit firing direction.
    void Fire(const CMatrix* owner, CMatrix mount, CVector direction, int unused, float inherit);
    void StopSound(bool flag);
    void Pause(bool pause);
    const SGunParameters* GetGunDesc() const { return m_pRecord; }
    bool IsFiring() const { return m_bMounted && m_nBurstFrames != 0; }
    bool IsShotVisible() const;

    // Drawing. owner: the owner's world matrix; mount: the gun's place in it.
    void Draw(const CMatrix& owner, const CMatrix& mount, int detail, const CMatrix* alternative);
    void SetFireLight(const CMatrix& owner, const CMatrix& mount);
    // The barrel matrices (mount x owner and its mirror for a double gun).
    void SetBarrelMatrices(const CMatrix& owner, const CMatrix& mount);
    // The shot of the effect pass; with matricesOnly only the barrel
    // matrices are brought up to date.
    void DrawEffect(bool matricesOnly, int detail);
    void DrawShoot(int shootType, const CMatrix& barrel1, const CMatrix& barrel2);
    // The lazy fire-point set-up of the weapon's record (a gun with a
    // modifier word takes the new points into its private copy); false
    // while the weapon model is still loading.
    bool PrepareFirePoints();
    // The barrels' matrices at fire point n ("FX", "FX1", "FX2"); the
    // number of barrels.
    int BarrelMatrices(int point, CMatrix barrels[2]) const;

    CMatrix m_GunMatrix{1.0f};
    CMatrix m_GunMatrix2{1.0f};
    float m_fBeamLength = 0.0f;
    std::int32_t m_nBarrel = 0;
    std::int32_t m_iSoundSource = -1;
    CVector m_vMuzzle[2];
    CVector m_vBeamEnd[2];
    float m_fRecovery = 0.0f;
    STypeKey m_Key;
    std::int32_t m_iMissile = -1;
    std::int32_t m_nBurstFrames = 0;
    float m_fShotFlash = 0.0f;
    std::uint8_t m_bFiring = 0;
    std::int32_t m_nFireResult = GUN_OK;
    std::int32_t m_nPrevFireResult = GUN_OK;
    const SGunParameters* m_pRecord = nullptr;
    CMMObject* m_pOwner = nullptr;
    float m_fIntensity = 0.0f;
    float m_fReload = 0.0f;
    float m_fSinceShot = 1.5f;
    CVector m_vDirection;
    float m_fAmmo = 0.0f;
    std::uint8_t m_bMounted = 0;
    std::uint8_t m_bOverheated = 0;
    float m_fHeat = 0.0f;
    std::uint32_t m_dwModif = 0;
    // The draws of the gun's looks; seeded, so that a picture can be drawn
    // again the same.
    CRandom m_LookRandom{kLookSeed};

private:
    void FreePrivate();
    void ReleaseSource();
    // The energy cost paid by a glider owner; false when its mechanoid
    // holds too little.
    bool PayEnergy(float cost);
    // Missile of the weapon at frame, owned by the owner; null for a
    // network copy or a weapon without missile type.
    CMissileObject* MakeMissile(const CMatrix& frame);
    // The player's bookkeeping of a new missile: local network object,
    // locked target, the shot event; returns the kind the shot reports.
    int PlayerMissile(CMissileObject* missile, float damage);
    float ShotDamage(bool includeExplosion);
    // The shot's sound: a one-shot, or the continuous gun's looping source.
    void PlayShotSound(const CMatrix* owner, const CVector& muzzle, bool player);
    // A burst sounded since the last StopSound (its end sound is due).
    std::uint8_t m_bSounding = 0;
    SGunParameters* m_pPrivate = nullptr;
};
