// CParticleEmitter: the parameters and the simulation of one particle
// system; CParticleViewer: the emitter plus its render record and drawing.
//
// An emitter spawns particles from its matrix at a rate, moves them each
// step under gravity, drag, a ground plane and up to three velocity
// effects, and keeps them in a CSlotPool. Complex objects keep particle
// systems as parts and model instances clone them, one private copy per
// placed object. The on-disk records (parameter block 488 bytes, render
// record 132 bytes, the old 1012-byte record) are kept byte for byte.
//
// Ownership: each system owns its pool and its quad store.
// Threads: main thread only; the simulation draws from g_Random.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"
#include "foundation/SlotPool.h"

#include <cstdint>
#include <cstdio>

class CMemStream;
class CPakStream;

// One velocity effect: kind 2 turns the velocity, kind 3 shakes it.
struct SVelocityEffect
{
    CVector rates;
    CVector second; // kept, not read
    std::uint8_t enabled = 0;
    std::uint8_t pad[3] = {};
    std::int32_t kind = 0;
};
static_assert(sizeof(SVelocityEffect) == 32);

// The emitter parameter block, stored as it is in memory.
//   0 max particles   4 spread   8 lifetime   12 unused   16 emission time
//  20 pause  24 rate  28 jitter  32 speed  36 speed base  40 start delay
//  44 matrix (64)  108 emitter velocity  120 gravity  124 gravity on
// 128 drag  132 drag on  136 parameter group (220)  356 velocity effects on
// 360 ground height  364 ground on  368 bounce  369 follow motion
// 372 effects (3 x 32)  468 effect count  472 stop argument  476 unused
// 480 system lifetime  484 4 bytes kept
struct SEmitterParams
{
    std::uint32_t maxParticles = 0;
    float spread = 0.0f;
    float lifetime = 0.0f;
    std::uint32_t unused12 = 0;
    float emissionTime = 0.0f;
    float pause = 0.0f;
    float rate = 0.0f;
    float jitter = 0.0f;
    float speed = 0.0f;
    float speedBase = 0.0f;
    float startDelay = 0.0f;
    CMatrix matrix;
    CVector emitterVelocity;
    float gravity = 0.0f;
    std::uint8_t gravityOn = 0;
    std::uint8_t pad125[3] = {};
    float drag = 0.0f;
    std::uint8_t dragOn = 0;
    std::uint8_t pad133[3] = {};
    std::uint32_t paramGroup[55] = {};
    std::uint8_t velocityEffectsOn = 0;
    std::uint8_t pad357[3] = {};
    float groundHeight = 0.0f;
    std::uint8_t groundOn = 0;
    std::uint8_t pad365[3] = {};
    std::uint8_t bounce = 0;
    std::uint8_t followMotion = 0;
    std::uint8_t pad370[2] = {};
    SVelocityEffect effects[3];
    std::uint32_t effectCount = 0;
    std::uint32_t stopArgument = 0;
    std::uint32_t unused476 = 0;
    float systemLifetime = 0.0f;
    std::uint8_t tail[4] = {};

    // maximum 1000, spread 0.3, lifetime 10, rate 2, speed 2, base 0.9,
    // identity matrix, everything else 0.
    static SEmitterParams Defaults();
};
static_assert(sizeof(SEmitterParams) == 488);

// The render record of a viewer.
struct SParticleRender
{
    std::int32_t kind = 0; // 0 point sprites, 1 quads, 2 by time, 3 over life
    char texture[32] = {};
    float sizeBirth = 0.0f;
    float sizeDeath = 0.0f;
    std::int32_t framesAcross = 0;
    std::int32_t technique = 0;
    float spin = 0.0f; // half-turns per second
    std::uint8_t randomAngle = 0;
    std::uint8_t noFade = 0;
    std::uint8_t pad58[2] = {};
    std::int32_t framesDown = 0;
    std::uint8_t reserved[68] = {};
};
static_assert(sizeof(SParticleRender) == 132);

struct SParticle
{
    CVector position;
    CVector velocity;
    float reserved = 0.0f;
    float life = 0.0f;     // remaining
    float lifetime = 0.0f; // full
    float animOffset = 0.0f;
    float angle = 0.0f;
};
static_assert(sizeof(SParticle) == 44);

class CParticleEmitter : public IBaseInterface
{
public:
    // Bounds on what a file may ask for: the quad store indexes 4 vertices
    // per particle with 16-bit indices.
    static constexpr std::uint32_t kMaxParticles = 16384;
    static constexpr std::uint32_t kMaxEffects = 3;
    static constexpr std::uint32_t kOldBlockSize = 880;
    static constexpr std::uint32_t kOldRenderSize = 128;
    static constexpr std::uint32_t kOldRecordSize = 1012;

    CParticleEmitter();
    ~CParticleEmitter() override;

    CGuidKey GetGUID() const override; // "IGUID_IParticleEmitter"
    std::uint32_t GetSize() const override { return sizeof(*this); }
    virtual void Init(SEmitterParams params);
    virtual void Done();
    virtual void Update(float dt);
    virtual void SetParams(SEmitterParams* params) { m_pParams = params; }
    virtual SEmitterParams* GetParams() { return m_pParams; }
    virtual void SetMatrix(const CMatrix& matrix);
    virtual void SetMotion(const CMatrix& matrix, float dt);
    virtual void AddVelocity(const CVector& v);
    virtual void Restart(std::uint32_t arg);
    virtual void Stop(std::uint32_t arg);
    // Block, effect count, effects; the viewer appends its render record.
    virtual void SaveToStream(CMemStream& stream);
    // Throws (with the reason) on a short or damaged stream.
    virtual void LoadFromStream(CMemStream& stream, bool old);
    virtual bool IsFinished() const { return m_Pool.GetCount() == 0; }
    virtual void SetGravity(float gravity, bool on);
    virtual void SetDrag(float drag, bool on);
    virtual void SetParamGroup(const std::uint8_t group[224]);
    virtual void Start(bool reset);

    void SetCameraVectors(const CVector& right, const CVector& up);
    // The two emission vectors handed down by the model instance.
    void SetEmissionVectors(const CVector& a, const CVector& b);

    SEmitterParams m_Params;
    std::uint8_t m_OldParams[kOldBlockSize] = {};
    CVector m_vCameraRight{0.0f, 0.0f, 1.0f};
    CVector m_vCameraUp{1.0f, 0.0f, 0.0f};
    CVector m_vDisplacement;
    bool m_bStopped = false;
    float m_fLastFrame = 0.0f;
    float m_fTotalTime = 0.0f;
    float m_fSinceStart = 0.0f;
    float m_fSinceStop = 0.0f;
    float m_fAccumulator = 0.0f;
    float m_fMotionTime = 0.0f;
    float m_fDelay = 0.0f;
    CVector m_vBoundsMin;
    CVector m_vBoundsMax;
    CSlotPool<SParticle> m_Pool;
    SEmitterParams* m_pParams = nullptr;
    std::uint8_t* m_pOldParams = nullptr;
    float m_fRateFactor = 1.0f;
    float m_fSpeedFactor = 1.0f;
    CVector m_vEmission[2];

protected:
    void Step(float dt);
    void MoveParticle(std::int32_t id, float dt);
    void Emit(int count);
    // Reads the block and effects of either format from the stream.
    void ReadParams(CMemStream& stream, bool old);
};

class CParticleViewer : public CParticleEmitter
{
public:
    CParticleViewer();
    ~CParticleViewer() override;

    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(SEmitterParams params) override;
    void Done() override;
    void SaveToStream(CMemStream& stream) override;
    void LoadFromStream(CMemStream& stream, bool old) override;
    virtual void Render();

    // The file form: u32 size, then the stream form (or an old record of
    // 1012 bytes). Load throws on a short or damaged record.
    void Load(CPakStream& stream);
    bool Save(std::FILE* file);
    // A new system with copies of this one's parameters and render record.
    CParticleViewer* Clone() const;
    // Centre of the particles' box and half its diagonal plus the larger size.
    void GetBoundingSphere(CVector* centre, float* radius) const;

    // Fills the quad store for kinds 1-3 (camera vectors, frames, fade);
    // returns the particles written. Render's first half, open to tests.
    std::uint32_t BuildQuads();
    std::uint32_t BuildPoints();

    SParticleRender m_Render;
    std::uint8_t m_OldRender[kOldRenderSize] = {};
    CGeometryBuffer m_Quads;
    std::int32_t m_iTexture = -1;
    SParticleRender* m_pRender = nullptr;
    std::uint8_t* m_pOldRender = nullptr;
};
