// The emitter: parameters, simulation and the stream form of its block.
#include "graphics/ParticleSystem.h"

#include "foundation/ErrorLog.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace
{
// Longer frames are cut into steps of this size so that fast particles do
// not tunnel through the ground plane.
constexpr float kMaxStep = 0.25f;

[[noreturn]] void FailStream(const char* what, const CMemStream& stream)
{
    throw std::runtime_error(std::string("particle system: ") + what + " at byte " +
                             std::to_string(stream.m_nPosition));
}

void ReadExact(CMemStream& stream, void* out, std::uint32_t size, const char* what)
{
    if (stream.m_nCapacity - stream.m_nPosition < size || stream.Read(out, size) != size)
        FailStream(what, stream);
}

template <typename T> T Get(const std::uint8_t* block, std::size_t offset)
{
    T value;
    std::memcpy(&value, block + offset, sizeof(T));
    return value;
}
} // namespace

SEmitterParams SEmitterParams::Defaults()
{
    SEmitterParams p;
    p.maxParticles = 1000;
    p.spread = 0.3f;
    p.lifetime = 10.0f;
    p.rate = 2.0f;
    p.speed = 2.0f;
    p.speedBase = 0.9f;
    p.matrix = CMatrix(1.0f);
    return p;
}

CParticleEmitter::CParticleEmitter()
{
    m_pParams = &m_Params;
}

CParticleEmitter::~CParticleEmitter() = default;

CGuidKey CParticleEmitter::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IParticleEmitter");
}

void CParticleEmitter::Init(SEmitterParams params)
{
    XTRACE("CParticleEmitter::Init");
    m_bStopped = false;
    // A damaged block must not size the pool beyond what the quad store can
    // index, nor claim more effects than the block holds.
    if (params.maxParticles > kMaxParticles) params.maxParticles = kMaxParticles;
    if (params.effectCount > kMaxEffects) params.effectCount = kMaxEffects;
    m_Params = params;
    m_pParams = &m_Params;
    m_fLastFrame = m_fTotalTime = m_fSinceStart = m_fSinceStop = 0.0f;
    m_fAccumulator = m_fMotionTime = 0.0f;
    m_Pool.Init(static_cast<std::int32_t>(m_Params.maxParticles));
    m_Params.emitterVelocity = CVector{};
    m_fDelay = m_Params.startDelay;
}

void CParticleEmitter::Done()
{
    m_Pool.Init(0);
}

void CParticleEmitter::SetMatrix(const CMatrix& matrix)
{
    m_Params.matrix = matrix;
    m_fMotionTime = 0.0f;
    m_vDisplacement = CVector{};
}

void CParticleEmitter::SetMotion(const CMatrix& matrix, float dt)
{
    m_fMotionTime += dt;
    const CVector now{matrix.m[3][0], matrix.m[3][1], matrix.m[3][2]};
    const CVector before{m_Params.matrix.m[3][0], m_Params.matrix.m[3][1], m_Params.matrix.m[3][2]};
    m_vDisplacement = now - before;
    if (dt != 0.0f) m_Params.emitterVelocity = m_vDisplacement * (1.0f / dt);
    m_Params.matrix = matrix;
}

void CParticleEmitter::AddVelocity(const CVector& v)
{
    for (std::int32_t i = m_Pool.First(); i > 0; i = m_Pool.Next(i))
        m_Pool[i].velocity += v;
}

void CParticleEmitter::Restart(std::uint32_t)
{
    m_bStopped = false;
    m_fSinceStop = 0.0f;
    m_fSinceStart = 0.0f;
}

void CParticleEmitter::Stop(std::uint32_t)
{
    m_bStopped = true;
    m_fSinceStop += m_fLastFrame;
}

void CParticleEmitter::SetGravity(float gravity, bool on)
{
    m_Params.gravity = gravity;
    m_Params.gravityOn = on ? 1 : 0;
}

void CParticleEmitter::SetDrag(float drag, bool on)
{
    m_Params.drag = drag;
    m_Params.dragOn = on ? 1 : 0;
}

void CParticleEmitter::SetParamGroup(const std::uint8_t group[224])
{
    std::memcpy(reinterpret_cast<std::uint8_t*>(&m_Params) + 136, group, 224);
}

void CParticleEmitter::Start(bool reset)
{
    if (reset)
    {
        m_Params.effectCount = 0;
        Init(SEmitterParams::Defaults());
    }
    else
    {
        Init(m_Params);
    }
}

void CParticleEmitter::SetCameraVectors(const CVector& right, const CVector& up)
{
    m_vCameraRight = right;
    m_vCameraUp = up;
}

void CParticleEmitter::SetEmissionVectors(const CVector& a, const CVector& b)
{
    m_vEmission[0] = a;
    m_vEmission[1] = b;
}

void CParticleEmitter::Update(float dt)
{
    if (m_fDelay > 0.0f)
    {
        m_fDelay -= dt;
        if (m_fDelay < 0.0f) m_fDelay = 0.0f;
        return;
    }
    if (m_Params.systemLifetime != 0.0f && m_fTotalTime > m_Params.systemLifetime)
        Stop(m_Params.stopArgument);
    if (dt <= kMaxStep)
    {
        Step(dt);
        return;
    }
    const int steps = static_cast<int>(std::ceil(dt / kMaxStep));
    for (int i = 0; i < steps; ++i)
        Step(kMaxStep);
}

void CParticleEmitter::Step(float dt)
{
    m_fLastFrame = dt;
    m_fTotalTime += dt;
    m_fSinceStart += dt;
    m_fAccumulator += dt;
    m_vBoundsMin = CVector{1e10f, 1e10f, 1e10f};
    m_vBoundsMax = CVector{-1e10f, -1e10f, -1e10f};

    for (std::int32_t i = m_Pool.First(); i > 0;)
    {
        const std::int32_t next = m_Pool.Next(i); // before a free changes the links
        MoveParticle(i, dt);
        if (m_Pool.IsUsed(i))
        {
            const CVector& p = m_Pool[i].position;
            m_vBoundsMin = CVector{std::fmin(m_vBoundsMin.x, p.x), std::fmin(m_vBoundsMin.y, p.y),
                                   std::fmin(m_vBoundsMin.z, p.z)};
            m_vBoundsMax = CVector{std::fmax(m_vBoundsMax.x, p.x), std::fmax(m_vBoundsMax.y, p.y),
                                   std::fmax(m_vBoundsMax.z, p.z)};
            if (m_Pool[i].life <= 0.0f) m_Pool.Free(i);
        }
        i = next;
    }
    if (m_Pool.GetCount() == 0) m_vBoundsMin = m_vBoundsMax = CVector{};

    if (m_Params.emissionTime != 0.0f && m_fSinceStart >= m_Params.emissionTime) Stop(0);
    if (m_Params.pause != 0.0f && m_fSinceStop >= m_Params.pause) Restart(0);

    // While stopped the backlog is dropped: a restarted emitter resumes at
    // its rate instead of releasing every particle it owed meanwhile.
    if (m_bStopped)
    {
        m_fAccumulator = 0.0f;
        return;
    }
    // The rate comes from the file: a count past the pool (or past int, or
    // infinite) emits what the pool holds; the rest would be dropped anyway.
    const float n = m_Params.rate * m_fRateFactor * m_fAccumulator;
    if (n >= 1.0f) Emit(static_cast<int>(std::fmin(n, float(m_Params.maxParticles))));
}

void CParticleEmitter::MoveParticle(std::int32_t id, float dt)
{
    SParticle& p = m_Pool[id];
    if (m_Params.gravityOn && m_Params.gravity != 0.0f) p.velocity.z -= dt * m_Params.gravity;
    if (m_Params.dragOn && m_Params.drag != 0.0f) p.velocity *= 1.0f / std::exp2(m_Params.drag * dt);
    if (m_Params.groundOn && p.position.z < m_Params.groundHeight)
    {
        if (!m_Params.bounce)
        {
            m_Pool.Free(id);
            return;
        }
        p.velocity.z = -p.velocity.z;
    }
    if (m_Params.velocityEffectsOn)
    {
        for (const SVelocityEffect& e : m_Params.effects)
        {
            if (!e.enabled) continue;
            CVector& v = p.velocity;
            if (e.kind == 2)
            {
                if (e.rates.x != 0.0f)
                {
                    const float a = e.rates.x * dt, c = std::cos(a), s = std::sin(a);
                    const float y = v.y * c - v.z * s, z = v.z * c + v.y * s;
                    v.y = y, v.z = z;
                }
                if (e.rates.y != 0.0f)
                {
                    const float a = e.rates.y * dt, c = std::cos(a), s = std::sin(a);
                    const float x = v.x * c + v.z * s, z = v.z * c - v.x * s;
                    v.x = x, v.z = z;
                }
                if (e.rates.z != 0.0f)
                {
                    const float a = e.rates.z * dt, c = std::cos(a), s = std::sin(a);
                    const float x = v.x * c - v.y * s, y = v.y * c + v.x * s;
                    v.x = x, v.y = y;
                }
            }
            else if (e.kind == 3)
            {
                const float rz = g_Random.Random(e.rates.z);
                const float ry = g_Random.Random(e.rates.y);
                const float rx = g_Random.Random(e.rates.x);
                v += CVector{rx, ry, rz} * dt;
            }
        }
    }
    p.life -= dt;
    p.position += p.velocity * dt;
    const CVector& ev = m_Params.emitterVelocity;
    if (m_Params.followMotion && (ev.x != 0.0f || ev.y != 0.0f || ev.z != 0.0f))
        p.position += ev * (g_Random.Random(1.0f) * dt);
}

void CParticleEmitter::Emit(int count)
{
    m_fAccumulator = 0.0f;
    const CMatrix& m = m_Params.matrix;
    const float spread = m_Params.spread;
    const CVector& ev = m_Params.emitterVelocity;
    const bool moving = ev.x != 0.0f || ev.y != 0.0f || ev.z != 0.0f;
    for (int k = 0; k < count; ++k)
    {
        g_Random.Next();
        const float r = static_cast<float>(g_Random.Next() % 10000);
        const float a = r * spread * 0.0001f - spread / 2.0f;
        CVector d{std::sin(a) * std::cos(a), std::sin(a) * std::sin(a), std::cos(a)};
        const float b1 = RandomSigned(spread * 0.5f);
        const float b2 = RandomSigned(spread * 0.5f);
        const float b3 = RandomSigned(spread * 0.5f);
        {
            const float c = std::cos(b1), s = std::sin(b1);
            const float x = d.x * c - d.y * s, y = d.y * c + d.x * s;
            d.x = x, d.y = y;
        }
        {
            const float c = std::cos(b2), s = std::sin(b2);
            const float x = d.x * c + d.z * s, z = d.z * c - d.x * s;
            d.x = x, d.z = z;
        }
        {
            const float c = std::cos(b3), s = std::sin(b3);
            const float y = d.y * c - d.z * s, z = d.z * c + d.y * s;
            d.y = y, d.z = z;
        }
        const float speed = RandomRange(m_Params.speed * m_fSpeedFactor, m_Params.speedBase);
        const CVector v = d * speed;
        const CVector w{v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
                        v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
                        v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
        SParticle p;
        p.velocity = CVector{-w.x, -w.y, w.z};
        p.life = m_Params.lifetime * (0.875f + g_Random.Random(1.0f) * 0.125f);
        p.lifetime = m_Params.lifetime;
        p.position = CVector{m.m[3][0], m.m[3][1], m.m[3][2]};
        if (m_Params.jitter != 0.0f)
        {
            const float jx = RandomSigned(m_Params.jitter);
            const float jy = RandomSigned(m_Params.jitter);
            const float jz = RandomSigned(m_Params.jitter);
            p.position += CVector{jx, jy, jz};
        }
        // New particles are spread back along the path the emitter moved
        // during this step, so a fast emitter leaves a trail, not clumps.
        if (moving) p.position += ev * -(g_Random.Random(1.0f) * m_fLastFrame);
        p.angle = 0.0f;
        if (m_Pool.Alloc(p) < 0) return; // full pool: the rest are dropped
    }
}

void CParticleEmitter::SaveToStream(CMemStream& stream)
{
    XTRACE("CParticleEmitter::SaveToStream");
    const std::uint32_t n = m_Params.effectCount > kMaxEffects ? kMaxEffects : m_Params.effectCount;
    stream.Write(&m_Params, sizeof(m_Params));
    stream.Write(&n, 4);
    stream.Write(m_Params.effects, n * sizeof(SVelocityEffect));
}

void CParticleEmitter::ReadParams(CMemStream& stream, bool old)
{
    std::uint32_t n = 0;
    if (!old)
    {
        SEmitterParams p;
        ReadExact(stream, &p, sizeof(p), "parameter block cut short");
        ReadExact(stream, &n, 4, "effect count cut short");
        if (n > kMaxEffects) FailStream("effect count out of range", stream);
        ReadExact(stream, p.effects, n * sizeof(SVelocityEffect), "effects cut short");
        if (p.maxParticles > kMaxParticles) FailStream("particle count out of range", stream);
        m_Params = p;
        m_Params.effectCount = n;
        return;
    }
    std::uint8_t o[kOldBlockSize];
    ReadExact(stream, o, kOldBlockSize, "old parameter block cut short");
    ReadExact(stream, &n, 4, "old effect count cut short");
    if (n > kMaxEffects) FailStream("old effect count out of range", stream);
    SVelocityEffect skipped[kMaxEffects];
    ReadExact(stream, skipped, n * sizeof(SVelocityEffect), "old effects cut short");
    std::memcpy(m_OldParams, o, kOldBlockSize);
    m_pOldParams = m_OldParams;

    SEmitterParams p;
    p.maxParticles = Get<std::uint32_t>(o, 0);
    if (p.maxParticles > kMaxParticles) FailStream("particle count out of range", stream);
    p.spread = Get<float>(o, 80);
    p.lifetime = Get<float>(o, 84);
    p.emissionTime = Get<float>(o, 108);
    p.pause = Get<float>(o, 112);
    p.rate = Get<float>(o, 88);
    p.jitter = static_cast<float>(o[92]);
    p.speed = Get<float>(o, 100);
    p.speedBase = Get<float>(o, 104);
    std::memcpy(&p.matrix, o + 4, 64);
    p.velocityEffectsOn = 1;
    std::memcpy(p.effects, o + 116, sizeof(p.effects));
    p.effectCount = n;
    m_Params = p;
}

void CParticleEmitter::LoadFromStream(CMemStream& stream, bool old)
{
    XTRACE("CParticleEmitter::LoadFromStream");
    ReadParams(stream, old);
}
