// CSmoke: a puff emitter. Its owner (a glider, a missile, an explosion, the
// trajectory marker) moves it along its path; the emitter lays puffs at a
// fixed spacing per unit of path into a ring of fixed capacity, ages them,
// lets them grow, fade and by kind drift, animate or change colour, and
// builds a camera-facing mesh of them sorted back to front.
//
// Kinds: 0, 1, 3 and 4 textured quads (1 spreads its puffs sideways, 4
// ramps their colour), 2 drifting atlas-animated quads faded by the viewing
// angle, 5 a point list.
//
// CSmokeObject (type 18) is the trajectory marker: a ballistic flight
// predicted as a trail of points, with a sphere where it meets the ground.
//
// CExploParticles is an explosion's smoke ring: the same emitter, whose
// live puffs its Run carries outward over the ground.
//
// Not here yet: the marker's point sprite state (it draws its points as a
// point list).
//
// Threads: main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"
#include "world/MMObject.h"

#include <cstdint>
#include <vector>

struct SPuff
{
    float age = 0.0f;
    float rate = 1.0f;
    float scale = 1.0f;
    std::int32_t frame = 0;
    CVector position;
    float opacity = 0.0f;
    std::uint32_t color = 0;
    CVector velocity;
};
static_assert(sizeof(SPuff) == 48);

class CSmoke
{
public:
    static constexpr int kTechniqueQuads = 24;
    static constexpr int kTechniqueFaded = 45;
    static constexpr float kNearestSq = 3.0f;

    CSmoke() = default;
    CSmoke(const CSmoke&) = delete;
    CSmoke& operator=(const CSmoke&) = delete;

    void Init(int kind, std::uint32_t capacity, const CVector* start, float density, float lifetime, float size,
              float growth);
    void InitRing(int capacity);
    // Writes at the tail; a full ring drops its oldest puff.
    void PushPuff(const SPuff& puff);
    void AddPuff(float x, float y, float z, float opacity, std::uint32_t color, const CVector* velocity);
    // Lays puffs from the last point to (x, y, z).
    void Emit(float x, float y, float z, float opacity, std::uint32_t color, const CVector& reference);
    void Run(float dt);
    // The mesh of the live puffs seen from the listener (the viewer).
    void MakeMesh();
    void MakeMesh(const CVector& listener, const CVector& viewForward);
    // Draws the mesh with the texture; nothing without one.
    void Render(std::int32_t texture, bool setTransform);
    // Empties the ring and restarts the path at p.
    void Restart(const CVector& p);

    int Count() const { return m_nTail >= m_nHead ? m_nTail - m_nHead : m_nTail + m_nCapacity - m_nHead; }
    bool IsLive(const SPuff& p) const { return p.age * p.rate < m_fLifetime; }

    std::vector<SPuff> m_Ring;
    int m_nHead = 0;
    int m_nTail = 0;
    int m_nCapacity = 0;
    CVector m_vDirection;
    CVector m_vWobbleA, m_vWobbleB;
    CVector m_vLast;
    float m_fCarry = 0.0f;
    float m_fDensity = 1.0f;
    float m_fLifetime = 1.0f;
    float m_fGrowth = 0.0f;
    CVector m_vCentre;
    float m_fRadius = 0.0f;
    int m_nTechnique = kTechniqueQuads;
    int m_nKind = 0;
    float m_fSize = 1.0f;
    CGeometryBuffer m_Buffer;
    std::uint8_t m_bWobble = 0;
    float m_fWobblePeriod = 1.0f;
    float m_fWobbleAmplitude = 0.0f;
    std::uint32_t m_Ramp[3] = {};
    float m_RampTimes[4] = {};
    // Kind 5: at most this many points.
    std::uint32_t m_nPointLimit = 0;

private:
    void MakeBillboards(const CVector& listener, bool faded, float edge);
    void MakePoints(const CVector& listener);
};

class CExploParticles : public CSmoke
{
public:
    using CSmoke::Run;
    // Every live puff moves away from centre by dt x its rate and settles
    // on the ground under it (half its scale above it).
    void Run(float dt, const CVector* centre);
};

// Builds the effect sphere (the location's effect meshes install it).
using SphereBuilder = void (*)(CGeometryBuffer* buffer, float r, int n, std::uint32_t color, CVector direction,
                               bool fade);
extern SphereBuilder g_pBuildEffectSphere;

class CSmokeObject : public CMMObject
{
public:
    static constexpr float kStep = 0.01f;
    static constexpr float kFlightSeconds = 10.0f;

    CSmokeObject();
    void Draw() override;
    void DrawEffect(int pass) override;
    void ShowTrajectory(float x, float y, float z, float vx, float vy, float vz, float drag, float impactRadius);

    CSmoke m_Smoke;
    CGeometryBuffer m_Sphere;
    std::uint8_t m_bImpactShown = 0;
    CVector m_vImpact;
    // The smoke texture of the world engine (-1 for none).
    std::int32_t m_nTexture = -1;
};
