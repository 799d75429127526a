// Weather effects: snow, rain and storm particles in a box around the
// camera (CEnvFX and its three kinds). The environment owns at most one.
//
// A fixed number of particles (trunc(density x 8000)) fills a box of
// +-R in x and y and +-R/2 in z around the centre; particles that leave it
// re-enter at the opposite face, so nothing is created or destroyed while
// the effect runs. The fade state grows (1) or shrinks (2) the drawn share
// over 20 seconds. All memory is allocated in Init; a frame allocates
// nothing.
//
// Random draws go through the generator given by SetRandom (the program's
// by default). Threads: main thread only.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <memory>

class CRandom;

// Snow and storm particle (the flag is followed by three bytes of padding).
struct SEnvFXFlake
{
    CVector position;
    std::uint8_t wrapped;
    CVector velocity;
    float size;
};
static_assert(sizeof(SEnvFXFlake) == 32);

// Rain drop.
struct SEnvFXDrop
{
    CVector position;
    std::uint8_t wrapped;
    CVector tail; // the streak's tail relative to the centre
};
static_assert(sizeof(SEnvFXDrop) == 28);

class CEnvFX
{
public:
    static constexpr int kMaxParticles = 16000;

    // trunc(density x 8000), at most kMaxParticles.
    static int ParticleCount(float density);
    CEnvFX();
    virtual ~CEnvFX();
    CEnvFX(const CEnvFX&) = delete;
    CEnvFX& operator=(const CEnvFX&) = delete;

    virtual void Init(float density) { m_fDensity = density; }
    // Scatters every particle over the box.
    virtual void Generate() {}
    virtual void Render() {}
    // Advances the fade; the kinds move their particles after it.
    virtual void Run(float frameTime);
    virtual int GetParticleSize() const { return 16; }
    virtual void OnCenterChanged() {}

    // Full strength at once, no fade.
    void SetFull();
    // Moves the box; a jump of more than 1.5 R scatters the particles anew.
    void SetCenter(float x, float y, float z);
    // Wraps particles that left the box to its opposite side.
    void Check();
    void SetRandom(CRandom* random);

    float m_fIntensity = 0.0f;
    CVector m_vCenter;
    std::unique_ptr<std::uint8_t[]> m_pParticles;
    int m_nCount = 0;
    float m_fRadius = 0.0f;
    float m_fDensity = 0.0f;
    int m_nActive = 0;
    int m_nFade = 0;

protected:
    // Particle i as its record (position first, then the wrapped flag).
    std::uint8_t* Particle(int i) const { return m_pParticles.get() + std::size_t(i) * GetParticleSize(); }
    CVector& Position(int i) const { return *reinterpret_cast<CVector*>(Particle(i)); }
    // RandomFloat(k): (rand() % 10000) x k x 0.0001 through the generator.
    float RandomFloat(float k) const;
    int Rand() const;
    // Allocates count zeroed records and scatters them.
    void AllocateParticles(float density, float radius);
    // Position within the box for Generate.
    CVector ScatterPoint() const;
    // Appends the visible first active particles to a point buffer.
    void CollectPoints(CGeometryBuffer& points) const;
    void RenderPoints(CGeometryBuffer& points, std::int32_t texture);

    CRandom* m_pRandom;
};

// Snow and storm: flakes drawn as point sprites of one texture.
class CEnvFXFlakes : public CEnvFX
{
public:
    int GetParticleSize() const override { return 32; }

    CGeometryBuffer m_Points;
    std::int32_t m_iTexture = -1;

protected:
    // The point buffer for the density's count, the texture by name, the
    // records in a box of the radius, scattered.
    void InitFlakes(float density, const char* texture, float radius);
};

class CEnvFXSnow : public CEnvFXFlakes
{
public:
    void Init(float density) override { InitFlakes(density, "TEX_FX_ENV_SNOW", 25.0f); }
    void Generate() override;
    void Render() override;
    void Run(float frameTime) override;
};

class CEnvFXStorm : public CEnvFXFlakes
{
public:
    void Init(float density) override { InitFlakes(density, "TEX_FX_ENV_STORM", 50.0f); }
    void Generate() override;
    void Render() override;
    void Run(float frameTime) override;
};

class CEnvFXRain : public CEnvFX
{
public:
    void Init(float density) override;
    void Generate() override;
    void Render() override;
    void Run(float frameTime) override;
    int GetParticleSize() const override { return 28; }

    CVector m_vPrevCenter;
    CGeometryBuffer m_Triangles;
    std::int32_t m_iTexture = -1;
};

// True when p lies in front of the view camera and within 1.02 of the
// sides of its view volume.
bool IsPointVisible(const CVector& p);
