#include "location/EnvFX.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "foundation/Texture.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
using namespace plat::d3d;

constexpr std::uint32_t kPointFvf = 66;   // position, colour
constexpr std::uint32_t kStreakFvf = 578; // position, colour, two texture pairs

struct SPointVertex
{
    float x, y, z;
    std::uint32_t colour;
};
static_assert(sizeof(SPointVertex) == 16);

struct SStreakVertex
{
    float x, y, z;
    std::uint32_t colour;
    float u, v, u2, v2;
};
static_assert(sizeof(SStreakVertex) == 32);

std::int32_t FindTexture(const char* key)
{
    return g_pTextureManager ? g_pTextureManager->FindName(key) : -1;
}

std::uint32_t FloatBits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

void SetIdentityWorld()
{
    if (!graph.m_lpDevice) return;
    const SMatrix identity = IdentityMatrix();
    graph.m_lpDevice->SetTransform(D3DTS_WORLD, &identity);
}
} // namespace

bool IsPointVisible(const CVector& p)
{
    return g_ViewCamera.IsPointVisible(p);
}

CEnvFX::CEnvFX() : m_pRandom(&g_Random) {}
CEnvFX::~CEnvFX() = default;

void CEnvFX::SetRandom(CRandom* random)
{
    m_pRandom = random ? random : &g_Random;
}

int CEnvFX::Rand() const
{
    return int(m_pRandom->Next());
}

float CEnvFX::RandomFloat(float k) const
{
    return float(Rand() % 10000) * k * 0.0001f;
}

void CEnvFX::Run(float frameTime)
{
    const float step = frameTime * 0.05f;
    if (m_nFade == 1)
    {
        m_fIntensity += step;
        if (m_fIntensity >= 1.0f) m_fIntensity = 1.0f, m_nFade = 0;
    }
    else if (m_nFade == 2)
    {
        m_fIntensity -= step;
        if (m_fIntensity <= 0.0f) m_fIntensity = 0.0f, m_nFade = 0;
    }
    m_nActive = int(float(m_nCount) * m_fIntensity);
}

void CEnvFX::SetFull()
{
    m_nActive = m_nCount;
    m_fIntensity = 1.0f;
    m_nFade = 0;
}

void CEnvFX::SetCenter(float x, float y, float z)
{
    if (x == m_vCenter.x && y == m_vCenter.y && z == m_vCenter.z) return;
    const CVector to{x, y, z};
    // A jump farther than 1.5 R (squared distance against squared
    // distance) leaves the box behind: scatter the particles again.
    const float limit = 1.5f * m_fRadius;
    const bool jumped = (to - m_vCenter).LengthSq() > limit * limit;
    m_vCenter = to;
    if (jumped) Generate();
    OnCenterChanged();
}

void CEnvFX::Check()
{
    XTRACE("CEnvFX::Check");
    const float r = m_fRadius;
    for (int i = 0; i < m_nCount; ++i)
    {
        CVector& p = Position(i);
        std::uint8_t& wrapped = Particle(i)[12];
        CVector d = p - m_vCenter;
        if (std::fabs(d.x) <= r && std::fabs(d.y) <= r && std::fabs(d.z) <= r * 0.5f)
        {
            wrapped = 0;
            continue;
        }
        const auto sign = [](float v) { return v > 0.0f ? 1.0f : -1.0f; };
        if (std::fabs(d.x) > r) d.x -= 2.0f * r * sign(d.x);
        if (std::fabs(d.y) > r) d.y -= 2.0f * r * sign(d.y);
        if (std::fabs(d.z) > r * 0.5f) d.z -= r * sign(d.z);
        p = m_vCenter + d;
        wrapped = 1;
    }
}

int CEnvFX::ParticleCount(float density)
{
    // The render slots hold 16000 points or 16000 streaks (48000 vertices):
    // a denser record draws as many as fit.
    return density > 0.0f ? std::min(int(std::min(density, 1e6f) * 8000.0f), kMaxParticles) : 0;
}

void CEnvFX::AllocateParticles(float density, float radius)
{
    m_fDensity = density;
    m_nCount = ParticleCount(density);
    m_fRadius = radius;
    m_pParticles = std::make_unique<std::uint8_t[]>(std::size_t(m_nCount) * GetParticleSize());
    m_nActive = int(float(m_nCount) * m_fIntensity);
}

CVector CEnvFX::ScatterPoint() const
{
    const float r = m_fRadius;
    const float z = (RandomFloat(1000.0f) - 500.0f) * 0.002f * r * 0.5f;
    const float y = (RandomFloat(1000.0f) - 500.0f) * 0.002f * r;
    const float x = (RandomFloat(1000.0f) - 500.0f) * 0.002f * r;
    return m_vCenter + CVector{x, y, z};
}

void CEnvFX::CollectPoints(CGeometryBuffer& points) const
{
    std::uint32_t n = 0;
    auto* out = reinterpret_cast<SPointVertex*>(points.m_pVertices);
    for (int i = 0; i < m_nActive && n < points.m_nVertexCapacity; ++i)
    {
        const CVector& p = Position(i);
        if (!IsPointVisible(p)) continue;
        out[n++] = SPointVertex{p.x, p.y, p.z, 0xFFFFFFFFu};
    }
    points.m_nVertexCount = n;
    points.m_nIndexCount = 0;
}

void CEnvFX::RenderPoints(CGeometryBuffer& points, std::int32_t texture)
{
    Device* device = graph.m_lpDevice;
    if (!device || !g_pModelManager || !g_pTexShaderManager || points.m_nVertexCount == 0) return;
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMeshPoints(g_pModelManager->m_iEffectPointSlot, &points);
    if (!mesh) return;
    SetIdentityWorld();
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, 1);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, 1);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(0.05f));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(0.25f));
    device->SetRenderState(D3DRS_POINTSIZE_MAX, FloatBits(16.0f));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(0.3f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(0.7f));
    CTexture* t = g_pTextureManager && texture != -1 ? g_pTextureManager->GetTexture(texture) : nullptr;
    g_pTexShaderManager->ApplyStateBlock(SHADER_ALPHA_VCOLOR_NOLIGHT, mesh, t);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, 0);
}

// ---- snow and storm

void CEnvFXFlakes::InitFlakes(float density, const char* texture, float radius)
{
    m_fDensity = density;
    const int count = ParticleCount(density);
    m_Points.Allocate(kPointFvf, std::uint32_t(count), 0);
    m_iTexture = FindTexture(texture);
    AllocateParticles(density, radius);
    Generate();
}

void CEnvFXSnow::Generate()
{
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXFlake*>(Particle(i));
        p->size = float(Rand() % 10 + 5) * 0.1f * 0.05f;
        p->position = ScatterPoint();
        p->velocity = CVector{-2.0f * p->size, 4.0f * p->size, -12.0f * p->size};
    }
}

void CEnvFXSnow::Run(float t)
{
    XTRACE("CEnvFXSnow::Run");
    CEnvFX::Run(t);
    const CVector& w = g_Environment.m_vWind;
    const float time = float(g_GameTime);
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXFlake*>(Particle(i));
        p->velocity = CVector{2.0f * w.x, 2.0f * w.y, 2.0f * w.z - 40.0f} * p->size;
    }
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXFlake*>(Particle(i));
        const float k = 0.2f / p->size;
        const float a = float(Rand() % 10 + 5) * p->size * 0.0155f;
        p->position.x += t * p->velocity.x + a * std::sin(time * k);
        p->position.y += t * p->velocity.y + a * std::cos(time * k);
        p->position.z += t * p->velocity.z;
    }
    Check();
}

void CEnvFXSnow::Render()
{
    CollectPoints(m_Points);
    RenderPoints(m_Points, m_iTexture);
}

void CEnvFXStorm::Generate()
{
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXFlake*>(Particle(i));
        p->size = float(Rand() % 10 + 5) * 0.1f * 0.1f;
        p->position = ScatterPoint();
    }
}

void CEnvFXStorm::Run(float t)
{
    XTRACE("CEnvFXStorm::Run");
    CEnvFX::Run(t);
    const CVector W = g_Environment.m_vWind * 4.0f;
    const float length = W.Length();
    // Without wind there is no direction to spread around: the particles
    // rest (the spread axes would divide by zero).
    CVector a, b;
    if (length > 0.0f)
    {
        const CVector h = std::fabs(W.x) < 1e-5f ? CVector{1.0f, 0.0f, 0.0f} : CVector{0.0f, 0.0f, 1.0f};
        const float hw = h.x * W.x + h.y * W.y + h.z * W.z;
        a = Normalize(h - W * hw);
        VectorCross(&b, &W, &a);
        b *= 1.0f / length;
    }
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXFlake*>(Particle(i));
        const float r1 = RandomFloat(0.25f) - 0.125f;
        const float r2 = RandomFloat(0.25f) - 0.125f;
        p->velocity = (W + (a * r1 + b * r2) * length) * p->size;
        p->position += p->velocity * t;
    }
    Check();
    CollectPoints(m_Points);
}

void CEnvFXStorm::Render()
{
    RenderPoints(m_Points, m_iTexture);
}

// ---- rain

void CEnvFXRain::Init(float density)
{
    m_fDensity = density;
    const int count = ParticleCount(density);
    m_Triangles.Allocate(kStreakFvf, std::uint32_t(3 * count), std::uint32_t(3 * count));
    m_Triangles.m_nVertexCount = m_Triangles.m_nIndexCount = 0;
    m_iTexture = FindTexture("TEX_FX_ENV_RAIN");
    AllocateParticles(density, 50.0f);
    // The tails are measured from the previous centre: start it here.
    m_vPrevCenter = m_vCenter;
    Generate();
}

void CEnvFXRain::Generate()
{
    // A scatter follows a jump: no streak runs across it.
    m_vPrevCenter = m_vCenter;
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXDrop*>(Particle(i));
        p->position = ScatterPoint();
    }
}

void CEnvFXRain::Run(float t)
{
    XTRACE("CEnvFXRain::Run");
    CEnvFX::Run(t);
    const CVector& w = g_Environment.m_vWind;
    const CVector fall{2.0f * w.x, 2.0f * w.y, 2.0f * w.z - 100.0f};
    for (int i = 0; i < m_nCount; ++i)
    {
        auto* p = reinterpret_cast<SEnvFXDrop*>(Particle(i));
        p->tail = p->position - m_vPrevCenter;
        p->position += fall * t;
        const CVector d = p->position - p->tail - m_vCenter;
        const float f = d.LengthSq();
        if (f < 2.0f)
            p->tail += d * -0.3f;
        else if (f < 5.0f)
            p->tail += d * -(0.3f - (f - 2.0f) * 0.1f);
        else
            p->tail += d * (1.0f - 25.0f / (f + 20.0f));
    }
    m_vPrevCenter = m_vCenter;
    Check();

    const CMatrix& frame = g_ViewCamera.m_Matrix;
    const CVector side = CVector{frame.m[0][0], frame.m[1][0], frame.m[2][0]} * 0.025f;
    auto* v = reinterpret_cast<SStreakVertex*>(m_Triangles.m_pVertices);
    std::uint32_t n = 0;
    for (int i = 0; i < m_nActive && 3 * (n + 1) <= m_Triangles.m_nVertexCapacity; ++i)
    {
        const auto* p = reinterpret_cast<const SEnvFXDrop*>(Particle(i));
        if (p->wrapped) continue;
        const CVector tail = p->tail + m_vCenter;
        if (!IsPointVisible(p->position) && !IsPointVisible(tail)) continue;
        const CVector h0 = p->position + side, h1 = p->position - side;
        v[3 * n + 0] = SStreakVertex{tail.x, tail.y, tail.z, 0x80FFFFFFu, 0.5f, 0.0f, 0.5f, 0.0f};
        v[3 * n + 1] = SStreakVertex{h0.x, h0.y, h0.z, 0x80FFFFFFu, 1.0f, 1.0f, 1.0f, 1.0f};
        v[3 * n + 2] = SStreakVertex{h1.x, h1.y, h1.z, 0x80FFFFFFu, 0.0f, 1.0f, 0.0f, 1.0f};
        for (std::uint32_t k = 0; k < 3; ++k)
            m_Triangles.m_pIndices[3 * n + k] = std::uint16_t(3 * n + k);
        ++n;
    }
    m_Triangles.m_nVertexCount = m_Triangles.m_nIndexCount = 3 * n;
}

void CEnvFXRain::Render()
{
    XTRACE("CEnvFXRain::Render");
    if (!graph.m_lpDevice || !g_pModelManager || !g_pTexShaderManager || m_Triangles.m_nVertexCount == 0)
        return;
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Triangles);
    if (!mesh) return;
    SetIdentityWorld();
    CTexture* t = g_pTextureManager && m_iTexture != -1 ? g_pTextureManager->GetTexture(m_iTexture) : nullptr;
    g_pTexShaderManager->ApplyStateBlock(SHADER_ALPHA_VCOLOR_NOLIGHT, mesh, t);
}
