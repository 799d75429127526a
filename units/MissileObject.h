// CMissileObject: a projectile in flight (object type 16): plasma clots,
// rockets, chaos charges, bombs, impulses, particle shots, spheres, land
// mines and growing model charges. Its behaviour comes from one missile
// type of g_MissileManager ("Снаряды"); the missile manager's CreateMissile
// makes, initialises and lists it.
//
// Save record (SaveGame, after the base record), little-endian:
//   u32 version (3; 2 and 1 are read), 32 type name ("_DEFAULT_" for a bad
//   index), 32 owner name (version > 1), f32 strength, u8 detonating,
//   f32 countdown, f32 direct-hit bonus, f32 lifetime, f32 age, u32 spare,
//   u8 active, i32 weapon kind; version 3 adds f32 x 3 velocity.
// A version-3 record keeps its lifetime, strength, bonus and velocity
// across loading (older records take them anew from the type).
// Network descriptor: the dynamic object's, then u32 owner net id and u8
// active (5 bytes).
//
// Flight: the object list's physics moves the missile; Run adds each
// kind's rule (homing with proximity fuse, wobble, bounce, cluster split,
// jitter, mines, growth), the terrain and water test and the end of life;
// SetColissionObject and Damage end it with one explosion.
// A missile with a tail stays after it stops until the tail's particles
// have finished (at once when the tail has none); without a tail it goes
// as soon as it stops. Kind 6 starts its smoke emitter at Init.
// Drawing (MissileObject_Draw.cpp): missiles are drawn in the effect pass
// (Draw queues them), each kind by its own routine, with the tail's
// particles and kind 6's smoke trail.
//
// Ownership: owner and target are not owned; the object list owns the
// missile. Threads: main thread.
#pragma once

#include "units/UnitTypes.h"
#include "graphics/ModelInstance.h"
#include "world/DynamicObject.h"
#include "world/Smoke.h"

#include <cstdint>

struct SMissileParameters;

class CMissileObject : public CDynamicObject
{
public:
    enum EKind
    {
        KIND_PLASMA = 1,
        KIND_ROCKET = 2,
        KIND_HAOS = 3,
        KIND_BOMB = 4,
        KIND_IMPULSE = 5,
        KIND_PARTICLE = 6,
        KIND_IMPULSE2 = 7,
        KIND_SPHERE = 8,
        KIND_MINE = 9,
        KIND_MODEL = 10,
    };
    static constexpr std::uint32_t kSaveVersion = 3;
    static constexpr int kNetExtraSize = 5;
    static constexpr float kDefaultTurn = 4.712389f;

    CMissileObject();

    CMissileObject(const CMissileObject&) = delete;
    CMissileObject& operator=(const CMissileObject&) = delete;
    ~CMissileObject() override;

    void Init(const CMatrix& placement, const STypeKey& type, std::uint32_t word);
    // -1 leaves the missile without tail.
    void SetTailModel(std::int32_t model);
    const SMissileParameters* GetDesc() const { return m_pDesc; }
    int GetKind() const;
    std::int32_t GetTypeIndex() const;
    void SetOwner(CMMObject* owner);
    void SetTarget(CMMObject* target);
    // Moves the missile along its velocity by t seconds (launch offsets).
    void Advance(float t);

    void Run() override;
    void Draw() override;
    void DrawNVisible() override;
    void DrawEffect(int pass) override;
    void ProcessDelete(CMMObject* deleted) override;
    void ReInitFromType() override;
    // After loading: the glider whose mechanoid bears the owner name becomes
    // the owner again (the gliders of the object list stand for the
    // world's mechanoids that have a world object).
    void LoadInit() override;
    void WriteNetDescriptor(void* buffer, int* size) override;
    void ReadNetDescriptor(const void* buffer, int* size) override;
    void SaveGame(CMemStream& stream) override;
    void LoadGame(CMemStream& stream) override;
    void Damage(float amount, CVector point, int flag, CMMObject* source, int codeB, int codeA) override;
    bool SetColissionObject(CMMObject* other, CVector normal, CVector point) override;
    void Homing();
    // choice: 0 the type's explosion, 1 "EXP_DEFAULT", 2 "EXP_WATER".
    void Explosion(int choice);
    void SplitMissile(int count, float spread, std::int32_t subType);
    // Exploded: detonating with a countdown of exactly 0.
    bool HasExploded() const { return m_bDetonating && m_fCountdown == 0.0f; }

    float m_fLifeTime = 0.0f;
    float m_fAge = 0.0f;
    std::uint32_t m_dwSpare = 0;
    std::uint8_t m_bActive = 0;
    std::uint8_t m_bHasTail = 0;
    float m_fFade = 0.0f;
    CVector m_vLaunch;
    float m_fStrength = 0.0f;
    std::uint8_t m_bDetonating = 0;
    float m_fCountdown = 0.0f;
    float m_fDirectHit = 0.0f;
    float m_fWobblePhase = 0.0f;
    std::uint8_t m_bHasTarget = 0;
    // The deflected flag: set by the targeted mechanoid's anti-rocket pulse.
    std::uint8_t m_bClimb = 0;
    CMMObject* m_pTarget = nullptr;
    std::int32_t m_nWeaponKind = 666;
    char m_OwnerName[32] = {};
    CModelInstance m_Tail;
    CSmoke m_Smoke;
    // Fuse factor of fan shots (0.8..1.2 for the player's).
    float m_fFuse = 1.0f;

private:
    // The tail's particles, facing the camera.
    void DrawTail();
    void DrawPlasmaClot();
    void DrawModel(float scale, bool turned);
    void DrawImpulse(int mode);
    void DrawSphere();
    // The body; a triggered mine also glows red.
    void DrawMine();
    void RunKind(float dt);
    // The terrain and water test; true when it ended the frame's step.
    void TerrainTest(float dt);
    void HitGround(const CVector& point);
    void Stop();
    // The owner's mechanoid name into m_OwnerName (gliders only).
    void RefreshOwnerName();
    const SMissileParameters* m_pDesc = nullptr;
};
