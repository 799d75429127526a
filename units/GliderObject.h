// CGliderObject: the glider, the hover vehicle (object type 14) that carries
// one mechanoid through a location. The player flies one; every other
// mechanoid of the location flies one steered by its AI.
//
// The glider owns motion and jump (GliderObject_Motion.cpp), its four guns
// (light gun, heavy gun, rocket and bomb launcher; GliderObject_Weapons.cpp),
// damage, destruction and cargo ejection (GliderObject_Damage.cpp) and its
// drawing (GliderObject_Draw.cpp). The mechanoid owns the equipment, the
// pools and the hold that the glider reads and changes.
//
// The physics of the world moves it: the glider's resistances, stability and
// turn rate become the dynamic object's friction, stiffness and steering
// values (ChangeID), its traction the drive.
//
// Save record (SaveToStream): 36 bytes, the broken-parts mask (u32) and
// the eight part-damage values (f32). Network descriptor: the dynamic
// object's 137 bytes, then 20 bytes: flags (bit 0 gun 1 firing, bit 1 gun 2
// firing, bit 27 destroyed, bit 28 full sync), the sight vector and the mass.
// With the full-sync flag (m_bFullSync, cleared by the write) the
// mechanoid's network record follows, the kind word says alive and the size
// word (offset 24) holds the whole descriptor's size, within which a reader
// takes the record in.
//
// Boom throws the pilot capsule, money and raw fragments and ThrowOutGoods
// the hold's goods as pick-up things in splinter carriers.
//
// A glider of the world carries the AI that steers it (m_pAI, owned; the
// player's has none).
//
// Full-sync descriptors carry no mechanoid state yet: the descriptor
// writer is told no buffer size to append it within.
//
// Ownership: the object list owns gliders; the mech record and the
// mechanoid are the world's. Threads: main thread.
#pragma once

#include "units/GliderAI.h"
#include "units/Gun.h"
#include "units/UnitTypes.h"
#include "platform/d3d8/D3D8Types.h"
#include "world/DynamicObject.h"
#include "world/ShieldView.h"
#include "graphics/ModelInstance.h"
#include "location/ShadowPass.h"
#include "world/Smoke.h"

#include <cstdint>
#include <memory>

class CComplexObject;
class CMech;
class CMechanoid;
class CTheThing;
struct SGliderParameters;

class CGliderObject : public CDynamicObject
{
public:
    static constexpr int kPartCount = 8;
    static constexpr int kGunCount = 4;
    static constexpr int kSaveRecordSize = 36;
    static constexpr int kNetExtensionSize = 20;
    static constexpr std::uint32_t kNetFiring1 = 0x1;
    static constexpr std::uint32_t kNetFiring2 = 0x2;
    static constexpr std::uint32_t kNetDestroyed = 0x8000000;
    static constexpr std::uint32_t kNetFullSync = 0x10000000;

    CGliderObject();
    ~CGliderObject() override;

    // Life cycle: Init, then AssignMechanoid. The mech record holds its
    // mechanoid through the world's seam, so the mechanoid comes with it.
    void Init(const CMatrix& placement, const STypeKey& key);
    void ChangeID(const STypeKey& key);
    void AssignMechanoid(CMech* mech, CMechanoid* mechanoid, bool loadAmmo);
    void UpdateGliderConfig();
    CVector* GetDestination(CVector* out);
    void ChargeReserve(float k);
    int ResetBrokenParts();
    // Another glider flown for the same group.
    bool IsGroupMate(const CMMObject* other) const;
    float GetSpeedFactor(float k) const;
    float GetMiddleSpeed(float k, bool closedForm) const;
    // The jump-charge sound's frequency in Hz for a charge.
    static float ChargeFrequency(float charge);
    // The hull's animation weights by the type's animation slots (turn,
    // forward, jump, strafe, ambient cycle) from the motion and the clock
    // in seconds; the jump slot stays 0.
    void UpdateAnimWeights(double clock);
    // The weights as the model's animation state (slot weights placed at
    // the model's animation indices; absent ones give nothing).
    void AnimState(float state[4]) const;
    // The player's glider: its mechanoid is the player's.
    bool IsPlayer() const;

    // Slots.
    void Run() override;
    void Draw() override;
    void DrawNVisible() override;
    void PreDraw() override;
    void DrawEffect(int pass) override;
    void ProcessDelete(CMMObject* deleted) override;
    void WriteNetDescriptor(void* buffer, int* size) override;
    void ReadNetDescriptor(const void* buffer, int* size) override;
    void SaveToStream(CMemStream& stream, int* size, bool stateOnly) override;
    void LoadFromStream(CMemStream& stream, int* size, bool stateOnly) override;
    void Pause(bool pause) override;
    bool SetColissionObject(CMMObject* other, CVector normal, CVector point) override;
    void Damage(float amount, CVector point, int ignoreShieldLimit, CMMObject* attacker, int kind,
                int weaponKind) override;
    void StrafeLeft(float s);
    void SetTraction(float t) override;
    // The float is not read; quick: a jump of the jump key's press.
    void Jump(float unused, bool quick);
    void Jump(float strength) override { Jump(strength, true); }

    // Motion.
    void ChargeJump(float k);
    // The knock, damage and handlers of a contact; true as for
    // SetColissionObject.
    bool Collision(CMMObject* other, float speedSq, const CVector* point);

    // Weapons.
    void Fire(int gun, float inherit, float scatter, CVector target);
    void GetThrowRay(CVector* origin, CVector* velocity, float* radius, float k) const;
    int UpdateAmmo(bool load, bool append);
    void UpdateAmmoPart(float fraction);
    bool IsFiring() const;

    // Damage.
    void Boom();
    void ThrowOutGoods(bool destroyed);
    void RepairPart(float fraction);
    void DetachPart(int part);

    // The glider's frame axes (side, up, forward: the matrix's columns; the
    // side axis points to the glider's right).
    CVector SideAxis() const;
    CVector UpAxis() const;
    CVector ForwardAxis() const;

    float m_fFlame = 0.0f;
    float m_fSpare = 0.0f;
    float m_fLean = 0.0f;
    float m_fReserve = 0.0f;
    float m_fJumpReadiness = 1.0f;
    float m_fReadiness2 = 1.0f;
    float m_fStunTime = 0.0f;
    float m_fJumpCharge = 0.0f;
    std::int32_t m_iChargeSound = -1;
    std::int32_t m_nEngineState = 3;
    std::int32_t m_iEngineSounds[3] = {-1, -1, -1};
    std::int32_t m_iCollisionSound = -1;
    std::int32_t m_iWaterSound = -1;
    float m_fPitchBlend = 0.0f;
    // Set while the shield view shows a hit.
    std::uint8_t m_bShieldEffect = 0;
    CShieldView m_ShieldView;
    // The engine flame drawn at every flame point: the fitted engine's
    // effect model, else "MOD_FX_ENGINE_FIRE" (ChangeID); its particles
    // advance in Run after a frame that drew them.
    CModelInstance m_EngineFire;
    std::uint8_t m_bOnWater = 0;
    CSmoke m_Dust;
    CVector m_vLastDust;
    std::uint8_t m_bDustRestart = 0;
    float m_fAnimWeights[6] = {};
    std::uint8_t m_bFullSync = 0;
    float m_fGliderRadius = 0.0f;
    float m_PartDamage[kPartCount] = {};
    float m_fThrottle = 0.0f;
    CMMObject* m_pLinked = nullptr;
    // The target the pilot locked (the player's choice, or a script's);
    // null when none. Not owned: dropped when that object is deleted.
    CMMObject* m_pTarget = nullptr;
    std::uint32_t m_dwBrokenParts = 0;
    std::uint32_t m_dwLostFirePoints = 0;
    // Gun 1 the light gun, 2 the heavy gun, 3 rockets, 4 bombs.
    CGun m_Guns[kGunCount];
    CVector m_vSight{0.0f, 1.0f, 0.0f};
    std::uint8_t m_bDestroyed = 0;
    std::uint8_t m_bActive = 1;
    // The player's headlight switch (the player's controls toggle it).
    std::uint8_t m_bHeadlight = 0;
    // The shadow picture's tile of the visibility pass m_nShadowPass
    // (CShadowPass::RenderPicture's answer).
    std::int32_t m_nShadowTile = -1;
    std::uint32_t m_nShadowPass = 0;
    // The enabled byte beside the can-act byte (m_bMoving): both cleared
    // while stunned.
    std::uint8_t m_bEnabled = 1;
    // A copy of another machine's glider not owned here: damage only
    // accumulates for the owner.
    std::uint8_t m_bRemote = 0;
    std::uint8_t m_bOwnedHere = 1;
    std::uint8_t m_bDamagePending = 0;
    float m_fNetDamage[2] = {};
    // The base's firing byte and particle flag.
    std::uint8_t m_bFiring = 0;
    std::uint8_t m_bParticles = 0;
    // Glider physics coefficients (copied from the type by ChangeID).
    float m_fResFront = 1.2f;
    float m_fResSide = 3.0f;
    float m_fResTop[2] = {1.5f, 0.0f};
    float m_fTurbulence = 100.0f;
    float m_fStabFront = 1.0f / 3.0f;
    float m_fStabSide = 1.0f / 3.0f;
    float m_fTurnRate = 3.14159265f;
    float m_fCareen = 1.0f;
    float m_fTimeFactor = 1.0f;
    CVector m_vHalfSize{5.0f, 1.0f, 1.0f};
    // Glider type index (the key's first word).
    STypeKey m_Key;
    CMech* m_pMech = nullptr;
    CMechanoid* m_pMechanoid = nullptr;
    // The steering AI of a glider of the world; none for the player's.
    std::unique_ptr<IGliderAI> m_pAI;
    // The collision sphere under the glider: flag, diameter, centre x, y
    // and the ground height.
    struct SCollisionSphere
    {
        std::uint8_t m_bUsed = 0;
        float m_fDiameter = 0.0f;
        CVector m_vCentre;
    } m_Sphere;

    const SGliderParameters* GetParams() const;

    // The player's headlight (a spot light) and the glow round the glider,
    // filled by PreDraw; the light table keeps pointers to them.
    plat::d3d::SLight m_Headlight{};
    plat::d3d::SLight m_GlowLight{};

private:
    // Energy rule of the frame: the engines' power more than the energy
    // stops the drive.
    void EnergyRule();
    void RunBorder(float dt);
    // The engine's idle, running and afterburner loops.
    void RunEngineSound(float dt);
    // Frees a sound source id (-1 afterwards).
    void ReleaseSource(std::int32_t* id);
    void RunDust(float dt, float ground);
    // The charge's rising whine, the surf over water, the map's zones.
    void RunChargeSound();
    void RunWaterSound();
    void RunZone(float dt, float ground);
    // The camera follows this glider (the player's, or the one chosen).
    bool IsFollowed() const;
    // The owner matrix the guns fire from, turned to direction.
    CMatrix FiringMatrix(const CVector& direction) const;
    // The hull's world matrix.
    CMatrix DrawingMatrix() const;
    // The engine flames with their glows and, seen from afar, flares.
    void DrawFlames();
    // The hull seen from above, laid darkening on the ground under the
    // glider, pushed along the sun's direction by the height above ground:
    // its picture is rendered in the visibility pass (PreDraw, before the
    // scene) into the shadow pass's atlas, and laid by Draw
    // (location/ShadowPass.h).
    void RenderShadowPicture();
    void DrawShadow(CComplexObject* model, float* state);
    // The shadow of the glider drawn with model and animation state (null:
    // not animated); false when it casts none.
    bool ShadowOf(CComplexObject* model, const float* state, CShadowPass::SShadow* out) const;
    // Not drawn: the mech record's mechanoid is dead or gone.
    bool IsHidden() const;
    // Prepares the type's mounts; false while the model is not loaded.
    bool PrepareMounts();
    CMatrix MountMatrix(int gun) const;
    void MakeExplosion(const char* name, const CVector& at, float scale);
    // A flash of the shield where a hit of amount a came from (d, a unit
    // direction from the glider).
    void AddShieldHit(float a, const CVector& d);
    // A pick-up thing of the type holding one entry, thrown from the glider
    // in a splinter carrier with the velocity; listed in the object list.
    CTheThing* ThrowThing(const char* type, std::uint32_t kind, const char* name, std::uint32_t count,
                          const CVector& velocity);
    // A one-shot sound of that name at the point, heard from the camera.
    void PlaySound(const char* name, const CVector& at);
};

// The matrix at the lowest corner of a model sub-mesh's bounding box
// (identity without the model or part).
CMatrix GetMountMatrix(std::int32_t model, std::int32_t part);
// A glider model's world matrix for a frame's axes (side to the glider's
// right, up, forward): the axes as rows scaled by 4, the first negated, at.
CMatrix GliderModelMatrix(const CVector& side, const CVector& up, const CVector& forward, const CVector& at);
