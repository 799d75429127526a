#include "world/Smoke.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "world/EffectQueue.h"
#include "world/ObjectFrame.h"
#include "world/ObjectScene.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

SphereBuilder g_pBuildEffectSphere = nullptr;

namespace
{

constexpr float kPi = 3.14159265358979f;
constexpr std::uint32_t kQuadFvf = 578;
constexpr std::uint32_t kPointFvf = 0x42;

struct SQuadVertex
{
    CVector p;
    std::uint32_t color;
    float u, v, u2, v2;
};
static_assert(sizeof(SQuadVertex) == 32);

struct SPointVertex
{
    CVector p;
    std::uint32_t color;
};
static_assert(sizeof(SPointVertex) == 16);

// The frame's shared sort scratch: (key, index) pairs and the order.
std::vector<float> s_Keys;
std::vector<int> s_Order;

std::uint32_t BlendRGB(std::uint32_t a, std::uint32_t b, float t)
{
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const float ca = float((a >> shift) & 0xFF), cb = float((b >> shift) & 0xFF);
        out |= std::uint32_t(std::clamp(ca + (cb - ca) * t, 0.0f, 255.0f)) << shift;
    }
    return out;
}

float DistanceSq(const CVector& a, const CVector& b)
{
    return (a - b).LengthSq();
}

} // namespace

// --- the ring ----------------------------------------------------------------

void CSmoke::InitRing(int capacity)
{
    m_nCapacity = capacity > 1 ? capacity : 2;
    m_Ring.assign(std::size_t(m_nCapacity), SPuff{});
    m_nHead = m_nTail = 0;
}

void CSmoke::PushPuff(const SPuff& puff)
{
    if (m_nCapacity <= 0) return;
    m_Ring[std::size_t(m_nTail)] = puff;
    m_nTail = (m_nTail + 1) % m_nCapacity;
    if (m_nTail == m_nHead) m_nHead = (m_nHead + 1) % m_nCapacity;
}

void CSmoke::Init(int kind, std::uint32_t capacity, const CVector* start, float density, float lifetime, float size,
                  float growth)
{
    m_nKind = kind;
    InitRing(int(capacity));
    m_fSize = size;
    m_fDensity = density > 0.0f ? density : 1.0f;
    m_fCarry = 0.0f;
    m_vLast = start ? *start : CVector{};
    m_fLifetime = lifetime > 0.0f ? lifetime : 1.0f;
    m_fGrowth = growth;
    m_nTechnique = kind == 2 ? kTechniqueFaded : kTechniqueQuads;
    if (kind == 5)
    {
        m_Buffer.Allocate(kPointFvf, capacity, 0);
        m_nPointLimit = capacity;
    }
    else
        m_Buffer.Allocate(kQuadFvf, 4 * capacity, 6 * capacity);
    m_Buffer.m_nVertexCount = m_Buffer.m_nIndexCount = 0;
    m_bWobble = 0;
    m_vDirection = CVector{};
}

void CSmoke::Restart(const CVector& p)
{
    m_nHead = m_nTail = 0;
    m_vLast = p;
    m_fCarry = 0.0f;
}

void CSmoke::AddPuff(float x, float y, float z, float opacity, std::uint32_t color, const CVector* velocity)
{
    SPuff p;
    const float r = float(g_Random.RandomInt(1000));
    p.rate = (r * 0.0005f + 0.75f) * (r * 0.0005f + 0.75f);
    p.frame = velocity ? 0 : g_Random.RandomInt(16);
    p.position = CVector{x, y, z};
    p.opacity = opacity;
    p.color = color & 0xFFFFFFu;
    if (velocity && m_nKind == 2) p.velocity = *velocity;
    PushPuff(p);
}

void CSmoke::Emit(float x, float y, float z, float opacity, std::uint32_t color, const CVector& reference)
{
    const CVector to{x, y, z};
    const CVector d = to - m_vLast;
    const float length = d.Length();
    if (!(length >= 1e-6f)) return;
    const CVector dir = d * (1.0f / length);
    m_vDirection = dir;
    CVector side, third;
    if (m_nKind == 2)
    {
        VectorCross(&side, &reference, &dir);
        VectorCross(&third, &dir, &side);
    }
    else if (m_nKind == 1)
        side = CVector{dir.y, -dir.x, 0.0f};

    const float spacing = 1.0f / m_fDensity;
    const float carry0 = m_fCarry;
    const float covered = m_fCarry - std::floor(m_fCarry * m_fDensity) * spacing;
    float remaining = covered + length;
    float walk = -covered;
    if (remaining > 1000.0f * spacing)
    {
        // Moved too far in one step: start over at the new point.
        Restart(to);
        return;
    }
    while (remaining > spacing)
    {
        walk += spacing;
        m_fCarry += spacing;
        remaining -= spacing;
        CVector point = m_vLast + dir * walk;
        if (m_bWobble && m_fWobblePeriod != 0.0f)
        {
            const float phase = m_fCarry / m_fWobblePeriod * 2.0f * kPi;
            point = point + (m_vWobbleB * std::cos(phase) + m_vWobbleA * std::sin(phase)) * m_fWobbleAmplitude;
        }
        if (opacity <= 0.0f) continue;
        if (m_nKind == 1)
        {
            const float a = float(g_Random.RandomInt(100) - 50) * 0.02f * kPi * 0.5f;
            point = point + (dir * std::cos(a) + side * std::sin(a)) * (2.0f * m_fSize);
            AddPuff(point.x, point.y, point.z, opacity, color, nullptr);
        }
        else if (m_nKind == 2)
        {
            const float amp = m_fWobbleAmplitude;
            const CVector v = side * (g_Random.Random(2.0f * amp) - amp) + third * (g_Random.Random(2.0f * amp) - amp);
            AddPuff(point.x, point.y, point.z, opacity, color, &v);
        }
        else
            AddPuff(point.x, point.y, point.z, opacity, color, nullptr);
    }
    m_fCarry = carry0 + length;
    m_vLast = to;
}

void CSmoke::Run(float dt)
{
    CVector lo{1e10f, 1e10f, 1e10f}, hi{-1e10f, -1e10f, -1e10f};
    bool atHead = true;
    for (int i = m_nHead; i != m_nTail; i = (i + 1) % m_nCapacity)
    {
        SPuff& p = m_Ring[std::size_t(i)];
        p.age += dt;
        if (!IsLive(p))
        {
            if (atHead) m_nHead = (i + 1) % m_nCapacity;
            continue;
        }
        atHead = false;
        p.scale = p.age / m_fLifetime * m_fGrowth + 1.0f;
        if (m_nKind == 2)
        {
            p.frame = int(p.age / m_fLifetime * 15.0f);
            if (p.age < m_fLifetime) p.position = p.position - p.velocity * (dt / m_fLifetime);
        }
        else if (m_nKind == 4)
        {
            const float* t = m_RampTimes;
            if (p.age < t[0])
                p.color = m_Ramp[0];
            else if (p.age < t[1])
                p.color = BlendRGB(m_Ramp[0], m_Ramp[1], (p.age - t[0]) / (t[1] - t[0]));
            else if (p.age < t[2])
                p.color = m_Ramp[1];
            else if (p.age < t[3])
                p.color = BlendRGB(m_Ramp[1], m_Ramp[2], (p.age - t[2]) / (t[3] - t[2]));
            else
                p.color = m_Ramp[2];
        }
        ExpandBounds(p.position, lo, hi);
    }
    if (lo.x > hi.x)
    {
        m_vCentre = CVector{};
        m_fRadius = 0.0f;
        return;
    }
    m_vCentre = (lo + hi) * 0.5f;
    m_fRadius = (hi - m_vCentre).Length();
}

void CExploParticles::Run(float dt, const CVector* centre)
{
    if (m_nCapacity == 0 || !centre) return;
    for (int i = m_nHead; i != m_nTail; i = (i + 1) % m_nCapacity)
    {
        SPuff& p = m_Ring[std::size_t(i)];
        if (!IsLive(p)) continue;
        const CVector away = p.position - *centre;
        const float l = away.Length();
        if (l > 0.0f) p.position = p.position + away * (dt * p.rate / l);
        float ground = 0.0f;
        if (g_pWorldTerrain) g_pWorldTerrain->GetHeight(p.position, &ground);
        p.position.z = ground + p.scale * 0.5f;
    }
}

// --- meshes ------------------------------------------------------------------

void CSmoke::MakeMesh()
{
    const CVector eye = GetViewerPosition();
    const CVector forward = g_pObjectView ? g_pObjectView->GetViewDirection() : CVector{0, 1, 0};
    MakeMesh(eye, forward);
}

void CSmoke::MakeMesh(const CVector& listener, const CVector& viewForward)
{
    XTRACE("CSmoke::MakeMesh");
    m_Buffer.m_nVertexCount = m_Buffer.m_nIndexCount = 0;
    if (m_nHead == m_nTail || !m_Buffer.m_pVertices) return;
    switch (m_nKind)
    {
    case 0:
    case 1:
    case 3:
    case 4: MakeBillboards(listener, false, 127.0f); break;
    case 2: MakeBillboards(listener, true, (1.0f - 0.9f * std::fabs(Dot(viewForward, m_vDirection))) * 127.0f); break;
    case 5: MakePoints(listener); break;
    default: break;
    }
}

void CSmoke::MakeBillboards(const CVector& listener, bool faded, float edge)
{
    const int n = Count();
    s_Keys.resize(std::size_t(2 * std::max(n, 1)));
    s_Order.resize(std::size_t(std::max(n, 1)));
    int kept = 0;
    for (int i = m_nHead; i != m_nTail; i = (i + 1) % m_nCapacity)
    {
        const SPuff& p = m_Ring[std::size_t(i)];
        if (!IsLive(p)) continue;
        const float d = DistanceSq(p.position, listener);
        if (!(d > kNearestSq)) continue;
        s_Keys[std::size_t(2 * kept)] = d;
        s_Keys[std::size_t(2 * kept + 1)] = float(i);
        ++kept;
    }
    SortByKey(s_Keys.data(), kept, s_Order.data());

    auto* v = reinterpret_cast<SQuadVertex*>(m_Buffer.m_pVertices);
    std::uint16_t* idx = m_Buffer.m_pIndices;
    std::uint32_t quads = 0;
    float sum = 0.0f;
    for (int k = kept - 1; k >= 0; --k)
    {
        const SPuff& p = m_Ring[std::size_t(s_Keys[std::size_t(2 * s_Order[std::size_t(k)] + 1)])];
        const float f = (m_fLifetime - p.age * p.rate) / m_fLifetime;
        int alpha = int(f * f * p.opacity * edge);
        if (faded && alpha < 20 && edge < 80.0f)
        {
            sum += float(alpha);
            if (sum <= 20.0f) continue;
            alpha = 20;
            sum -= 20.0f;
        }
        CMatrix m;
        BuildBillboardMatrix(p.position, listener, m);
        const CVector sideAxis{m.m[0][0], m.m[0][1], m.m[0][2]}, upAxis{m.m[1][0], m.m[1][1], m.m[1][2]};
        const float size = p.scale * m_fSize;
        float ca = 1.0f, sa = 0.0f;
        if (faded)
        {
            const float turn = (std::trunc(p.velocity.x) - p.velocity.x) * kPi;
            ca = std::cos(turn);
            sa = std::sin(turn);
        }
        const std::uint32_t color = (p.color & 0xFFFFFFu) + (std::uint32_t(std::clamp(alpha, 0, 255)) << 24);
        SQuadVertex* q = v + 4 * quads;
        for (int c = 0; c < 4; ++c)
        {
            const float ox = (float(c % 2) - 0.5f) * size, oy = (float(c / 2) - 0.5f) * size;
            const float rx = ox * ca - oy * sa, ry = ox * sa + oy * ca;
            q[c].p = p.position + sideAxis * rx + upAxis * ry;
            q[c].color = color;
            q[c].u = float(p.frame % 4 + c % 2) * 0.25f;
            q[c].v = float(p.frame / 4 + c / 2) * 0.25f;
            q[c].u2 = q[c].v2 = 0.0f;
        }
        const std::uint16_t b = std::uint16_t(4 * quads);
        const std::uint16_t list[6] = {b, std::uint16_t(b + 1), std::uint16_t(b + 2), std::uint16_t(b + 2),
                                       std::uint16_t(b + 1), std::uint16_t(b + 3)};
        std::copy(list, list + 6, idx + 6 * quads);
        ++quads;
    }
    m_Buffer.m_nVertexCount = 4 * quads;
    m_Buffer.m_nIndexCount = 6 * quads;
}

void CSmoke::MakePoints(const CVector& listener)
{
    auto* v = reinterpret_cast<SPointVertex*>(m_Buffer.m_pVertices);
    std::uint32_t count = 0;
    for (int i = m_nHead; i != m_nTail && count < m_nPointLimit; i = (i + 1) % m_nCapacity)
    {
        const SPuff& p = m_Ring[std::size_t(i)];
        if (!IsLive(p) || !(DistanceSq(p.position, listener) > kNearestSq)) continue;
        const float f = (m_fLifetime - p.age * p.rate) / m_fLifetime;
        v[count].p = p.position;
        v[count].color = p.color + (std::uint32_t(std::clamp(int(f * f * p.opacity * 127.0f), 0, 255)) << 24);
        ++count;
    }
    m_Buffer.m_nVertexCount = count;
}

void CSmoke::Render(std::int32_t texture, bool setTransform)
{
    if (texture < 0 || !g_pTextureManager || !g_pModelManager || !g_pTexShaderManager || !graph.m_lpDevice) return;
    CTexture* tex = g_pTextureManager->GetTexture(texture);
    if (!tex) return;
    MakeMesh();
    if (m_Buffer.m_nVertexCount == 0) return;
    Device* d = graph.m_lpDevice;
    if (setTransform)
    {
        const CMatrix identity(1.0f);
        d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&identity));
    }
    if (m_nKind != 5)
    {
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Buffer);
        if (mesh) g_pTexShaderManager->ApplyStateBlock(m_nTechnique, mesh, tex);
        return;
    }
    auto bits = [](float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        return u;
    };
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, 1);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, 1);
    d->SetRenderState(D3DRS_POINTSIZE, bits(m_fSize));
    d->SetRenderState(D3DRS_POINTSIZE_MIN, bits(1.0f));
    d->SetRenderState(D3DRS_POINTSIZE_MAX, bits(64.0f));
    d->SetRenderState(D3DRS_POINTSCALE_A, bits(0.1f));
    d->SetRenderState(D3DRS_POINTSCALE_B, bits(0.0f));
    d->SetRenderState(D3DRS_POINTSCALE_C, bits(1.0f));
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMeshPoints(g_pModelManager->m_iEffectPointSlot, &m_Buffer);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(kTechniqueQuads, mesh, tex);
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, 0);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, 0);
}

// --- the trajectory marker ---------------------------------------------------

CSmokeObject::CSmokeObject()
{
    m_nType = OBJ_SMOKE;
    m_bMoving = 1;
    m_bSphereCollider = 1;
    m_bPointCollider = 1;
    m_bShown = 0;
    m_bCollidable = 0;
    m_bPhysics = 0;
    m_fRadius = 1.0f;
    m_fScale = 100.0f;
    const CVector origin{};
    m_Smoke.Init(5, 4000, &origin, 0.5f, 0.5f, 1.0f, 0.1f);
}

void CSmokeObject::ShowTrajectory(float x, float y, float z, float vx, float vy, float vz, float drag,
                                  float impactRadius)
{
    m_fRadius = impactRadius;
    const CVector start{x, y, z};
    SetPosition(start);
    m_Smoke.Restart(start);
    m_bImpactShown = 0;
    CVector pos = start, v{vx, vy, vz};
    const CVector up{0, 0, 1};
    for (float t = 0.0f; t < kFlightSeconds; t += kStep)
    {
        v.z -= 147.0f * 0.0025f;
        const float f = std::pow(1.0f + 0.001f * v.Length(), drag * 0.01f);
        v = v * (1.0f / f);
        const CVector previous = pos;
        pos = pos + v * kStep;
        m_Smoke.Emit(pos.x, pos.y, pos.z, 1.0f, 0xFFFFFF, up);
        float ground = 0.0f;
        if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(pos, &ground) && ground > pos.z)
        {
            // Where the last step met the ground (bisection on the heights).
            CVector above = previous, below = pos;
            for (int i = 0; i < 20; ++i)
            {
                const CVector mid = (above + below) * 0.5f;
                float h = 0.0f;
                if (g_pWorldTerrain->GetHeight(mid, &h) && h > mid.z)
                    below = mid;
                else
                    above = mid;
            }
            m_vImpact = (above + below) * 0.5f;
            m_bImpactShown = 1;
            break;
        }
    }
    m_bShown = 1;
}

void CSmokeObject::Draw()
{
    if (g_pEffectQueue)
        g_pEffectQueue->AddObject(0.0f, this, 0);
    else
        DrawEffect(0);
    if (!m_bImpactShown) return;
    const float key = std::max(0.0f, DistanceSq(GetViewerPosition(), m_vImpact) - m_fRadius);
    if (g_pEffectQueue)
        g_pEffectQueue->AddObject(key, this, 1);
    else
        DrawEffect(1);
}

void CSmokeObject::DrawEffect(int pass)
{
    Device* d = graph.m_lpDevice;
    if (!d || !g_pTexShaderManager) return;
    g_pTexShaderManager->RestoreState();
    if (pass == 0)
    {
        const CMatrix identity(1.0f);
        d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&identity));
        m_Smoke.Render(m_nTexture, false);
    }
    else if (pass == 1 && m_bImpactShown && g_pBuildEffectSphere && g_pModelManager)
    {
        const CVector eye = GetViewerPosition();
        g_pBuildEffectSphere(&m_Sphere, m_fRadius, 16, 0x20FF4000u, m_vImpact - eye, false);
        CMatrix at(1.0f);
        at.SetTranslation(m_vImpact);
        d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&at));
        d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
        const bool inside = DistanceSq(eye, m_vImpact) < m_fRadius * m_fRadius;
        if (inside) d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Sphere);
        if (mesh) g_pTexShaderManager->ApplyStateBlock(14, mesh);
        d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    }
    g_pTexShaderManager->InvalidateState();
}
