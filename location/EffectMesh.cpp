// The effect mesh builders of the effect render manager: shot and ray
// ribbons, the plasma clot, the narrowing beam and the textured sphere.
#include "location/EffectRenderManager.h"

#include "foundation/ErrorLog.h"
#include "graphics/ModelManager.h"
#include "world/ObjectFrame.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float kPi = 3.14159265358979f;

std::uint32_t WhiteWithAlpha(float alpha)
{
    return (std::uint32_t(std::clamp(alpha, 0.0f, 255.0f)) << 24) | 0xFFFFFFu;
}

SEffectVertex* Vertices(CGeometryBuffer& b)
{
    return reinterpret_cast<SEffectVertex*>(b.m_pVertices);
}

// The front of the shared buffer for v vertices and i indices; null when it
// cannot hold them.
SEffectVertex* Begin(std::uint32_t v, std::uint32_t i)
{
    CGeometryBuffer& b = CEffectRenderManager::EffectBuffer();
    if (b.m_nVertexCapacity < v || b.m_nIndexCapacity < i || b.m_nFVF != CEffectRenderManager::kEffectFvf)
        b.Allocate(CEffectRenderManager::kEffectFvf, 4000, 12000);
    b.m_nVertexCount = v;
    b.m_nIndexCount = i;
    return Vertices(b);
}

CMesh* Finish()
{
    CGeometryBuffer& b = CEffectRenderManager::EffectBuffer();
    if (!g_pModelManager || g_pModelManager->m_iEffectSlot < 0) return nullptr;
    return g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &b);
}

CMesh* Nothing()
{
    CGeometryBuffer& b = CEffectRenderManager::EffectBuffer();
    b.m_nVertexCount = 0;
    b.m_nIndexCount = 0;
    return nullptr;
}

void Put(SEffectVertex& out, const CVector& p, std::uint32_t color, float u, float v)
{
    out.x = p.x;
    out.y = p.y;
    out.z = p.z;
    out.color = color;
    out.u = u;
    out.v = v;
    out.u2 = 0.0f;
    out.v2 = 0.0f;
}

// Vertex 2k and 2k+1 of a ribbon at point c.
void Pair(SEffectVertex* v, int k, const CVector& c, const CVector& side, float w, std::uint32_t color, float u)
{
    Put(v[2 * k], c - side * w, color, u, 0.0f);
    Put(v[2 * k + 1], c + side * w, color, u, 1.0f);
}

void Indices(const std::uint16_t* list, std::uint32_t count)
{
    std::copy(list, list + count, CEffectRenderManager::EffectBuffer().m_pIndices);
}

} // namespace

CGeometryBuffer& CEffectRenderManager::EffectBuffer()
{
    static CGeometryBuffer s_buffer;
    return s_buffer;
}

bool CEffectRenderManager::SideVector(const CVector& a, const CVector& b, const CVector& eye, CVector* side,
                                      CVector* axis, float* length)
{
    const CVector d = b - a;
    const float l = d.Length();
    if (!(l > 0.0f) || !std::isfinite(l)) return false;
    const CVector e = d * (1.0f / l);
    const CVector w = (a + e * Dot(a - eye, e)) - eye;
    CVector n;
    VectorCross(&n, &e, &w);
    const float nl = n.Length();
    const CVector p = nl >= 1e-6f ? n * (1.0f / nl) : CVector{e.z, -e.x, e.y};
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
    *side = p;
    *axis = e;
    *length = l;
    return true;
}

CMesh* CEffectRenderManager::GetShotMesh(CVector a, CVector b, float w, CVector eye, float t, bool spanMode,
                                         float texScale, float texOffset)
{
    CVector p, e;
    float l = 0.0f;
    if (!SideVector(a, b, eye, &p, &e, &l)) return Nothing();
    SEffectVertex* v = Begin(8, 18);
    const float span = w > 0.0f ? l / (2.0f * w) : 0.0f;
    const float u1 = spanMode ? texScale * 0.1f + texOffset : span * 0.1f * texScale;
    const float u2 = spanMode ? texScale + texOffset : span * texScale;
    Pair(v, 0, a, p, w, WhiteWithAlpha(std::trunc(510.0f * std::max(0.0f, 0.5f - t))), texOffset);
    Pair(v, 1, a * 0.9f + b * 0.1f, p, w, WhiteWithAlpha(std::trunc(255.0f * (1.0f - t))), u1);
    Pair(v, 2, b - e * (8.0f * w), p, w, 0xFFFFFFFFu, u2);
    Pair(v, 3, b, p, w, 0x00FFFFFFu, u2);
    static const std::uint16_t kIndices[18] = {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5, 4, 5, 6, 6, 5, 7};
    Indices(kIndices, 18);
    return Finish();
}

CMesh* CEffectRenderManager::GetRayMesh2(CVector a, CVector b, float w, CVector eye, float texLength,
                                         float texStart)
{
    XTRACE("CEffectRenderManager::GetRayMesh2");
    CVector p, e;
    float l = 0.0f;
    if (!SideVector(a, b, eye, &p, &e, &l)) return Nothing();
    SEffectVertex* v = Begin(4, 6);
    for (int k = 0; k < 2; ++k)
    {
        const float u = texLength == 0.0f ? float(k) : (float(k) * l - texStart) / texLength;
        Pair(v, k, k ? b : a, p, w, 0xFFFFFFFFu, u);
    }
    static const std::uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
    Indices(kIndices, 6);
    return Finish();
}

CMesh* CEffectRenderManager::GetClotMesh(const CVector* a, const CVector* b, float w, const CVector* eye,
                                         float uStart)
{
    CVector p, e;
    float l = 0.0f;
    if (!a || !b || !eye || !SideVector(*a, *b, *eye, &p, &e, &l)) return Nothing();
    SEffectVertex* v = Begin(4, 6);
    Put(v[0], *a - p * w, 0xFFFFFFFFu, uStart, 0.0f);
    Put(v[1], *a + p * w, 0xFFFFFFFFu, uStart, 1.0f);
    Put(v[2], *b - p * w, 0xFFFFFFFFu, 1.0f, 0.0f);
    Put(v[3], *b + p * w, 0xFFFFFFFFu, 1.0f, 1.0f);
    static const std::uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
    Indices(kIndices, 6);
    return Finish();
}

CMesh* CEffectRenderManager::GetBeamMesh(const CVector* a, const CVector* b, float, const CVector* eye, float t,
                                         float texScale, float texOffset)
{
    CVector p, e;
    float l = 0.0f;
    if (!a || !b || !eye || !SideVector(*a, *b, *eye, &p, &e, &l)) return Nothing();
    CVector q;
    VectorCross(&q, &p, &e);
    q = Normalize(q);
    SEffectVertex* v = Begin(51, 192);
    const std::uint32_t nearAlpha = WhiteWithAlpha(std::trunc(510.0f * std::max(0.0f, 0.5f - t)));
    const std::uint32_t midAlpha = WhiteWithAlpha(std::trunc(255.0f * (1.0f - t)));
    const CVector mid = *a * 0.9f + *b * 0.1f;
    for (int i = 0; i <= 16; ++i)
    {
        const float angle = float(i) * kPi / 8.0f;
        const CVector o = p * std::cos(angle) + q * std::sin(angle);
        const float tv = float(i) / 16.0f;
        Put(v[3 * i], *a + o, nearAlpha, texOffset, tv);
        Put(v[3 * i + 1], mid + o, midAlpha, l * texScale * 0.1f + texOffset, tv);
        Put(v[3 * i + 2], *b, 0xFFFFFFFFu, l * texScale + texOffset, tv);
    }
    std::uint16_t* idx = EffectBuffer().m_pIndices;
    for (int i = 0; i < 16; ++i)
    {
        const std::uint16_t c = std::uint16_t(3 * i);
        const std::uint16_t tri[12] = {c,
                                       std::uint16_t(c + 1),
                                       std::uint16_t(c + 3),
                                       std::uint16_t(c + 1),
                                       std::uint16_t(c + 3),
                                       std::uint16_t(c + 4),
                                       std::uint16_t(c + 1),
                                       std::uint16_t(c + 2),
                                       std::uint16_t(c + 4),
                                       std::uint16_t(c + 2),
                                       std::uint16_t(c + 4),
                                       std::uint16_t(c + 5)};
        std::copy(tri, tri + 12, idx + 12 * i);
    }
    return Finish();
}

void CEffectRenderManager::CreateSphereEx(CGeometryBuffer* buffer, float r, int n, std::uint32_t color,
                                          CVector direction, bool fade)
{
    XTRACE("CEffectRenderManager::CreateSphereEx");
    if (!buffer || n < 0) return;
    const std::uint32_t ring = std::uint32_t(n + 5);
    const std::uint32_t vertexCount = std::uint32_t(n + 1) * ring + 2;
    const std::uint32_t indexCount = std::uint32_t(3 * (2 * n * n + 10 * n + 8));
    std::uint16_t* idx = buffer->Allocate(kEffectFvf, vertexCount, indexCount);
    SEffectVertex* v = Vertices(*buffer);

    CObjectFrame frame;
    frame.SetForward(direction);
    const CVector X = frame.m_vSide, Y = frame.m_vUp, D = Normalize(direction);
    const std::uint32_t alpha = color >> 24;
    auto vertex = [&](SEffectVertex& out, const CVector& s) {
        std::uint32_t c = color;
        if (fade)
        {
            const float k = std::max(0.0f, 3.0f * std::fabs(Dot(s, D)) - 2.0f);
            c = (color & 0xFFFFFFu) | (std::uint32_t(std::trunc(float(alpha) * k)) << 24);
        }
        Put(out, s * r, c, (Dot(s, X) + 1.0f) * 0.5f, (Dot(s, Y) + 1.0f) * 0.5f);
    };

    std::uint32_t w = 0;
    vertex(v[w++], CVector{0, 0, 1});
    for (int j = 1; j <= n + 1; ++j)
    {
        const float theta = float(j) * kPi / float(n + 2);
        for (int i = 0; i <= n + 4; ++i)
        {
            const float phi = float(i % (n + 4)) * 2.0f * kPi / float(n + 4);
            vertex(v[w++], CVector{std::cos(phi) * std::sin(theta), std::sin(phi) * std::sin(theta), std::cos(theta)});
        }
    }
    const std::uint32_t last = w;
    vertex(v[w++], CVector{0, 0, -1});

    std::uint32_t k = 0;
    auto tri = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        idx[k++] = std::uint16_t(a);
        idx[k++] = std::uint16_t(b);
        idx[k++] = std::uint16_t(c);
    };
    for (std::uint32_t i = 0; i + 1 < ring; ++i)
        tri(0, 1 + i, 2 + i);
    for (int j = 0; j < n; ++j)
    {
        const std::uint32_t b = 1 + std::uint32_t(j) * ring;
        for (std::uint32_t i = 0; i + 1 < ring; ++i)
        {
            const std::uint32_t i2 = (i + 1) % ring;
            tri(b + i, b + ring + i, b + ring + i2);
            tri(b + i, b + ring + i2, b + i2);
        }
    }
    const std::uint32_t c = 1 + std::uint32_t(n) * ring;
    for (std::uint32_t i = 0; i + 1 < ring; ++i)
        tri(c + i, last, c + (i + 1) % ring);
    buffer->m_nVertexCount = w;
    buffer->m_nIndexCount = k;
}
