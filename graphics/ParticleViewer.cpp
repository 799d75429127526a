// The viewer: render record, file forms, cloning and drawing.
#include "graphics/ParticleSystem.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Random.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace
{
constexpr std::uint32_t kFvfPoints = 0x42; // XYZ | DIFFUSE
constexpr std::uint32_t kFvfQuads = 0x242; // XYZ | DIFFUSE | TEX2
constexpr std::int32_t kDefaultTechnique = 24;
constexpr float kPi = 3.14159265358979f;

struct SPointVertex
{
    float x, y, z;
    std::uint32_t colour;
};
static_assert(sizeof(SPointVertex) == 16);

struct SQuadVertex
{
    float x, y, z;
    std::uint32_t colour;
    float u, v, u2, v2;
};
static_assert(sizeof(SQuadVertex) == 32);

std::uint32_t FloatBits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

std::uint32_t White(float alpha01)
{
    if (alpha01 < 0.0f) alpha01 = 0.0f;
    if (alpha01 > 1.0f) alpha01 = 1.0f;
    return (static_cast<std::uint32_t>(alpha01 * 255.0f) << 24) | 0x00FFFFFF;
}
} // namespace

CParticleViewer::CParticleViewer()
{
    m_pRender = &m_Render;
}

CParticleViewer::~CParticleViewer() = default;

void CParticleViewer::Init(SEmitterParams params)
{
    XTRACE("CParticleViewer::Init");
    if (m_Render.technique == 0) m_Render.technique = kDefaultTechnique;
    CParticleEmitter::Init(params);
    const std::uint32_t max = m_Params.maxParticles;
    if (m_Render.kind == 0)
    {
        m_Quads.Allocate(kFvfPoints, max, 0);
    }
    else
    {
        std::uint16_t* idx = m_Quads.Allocate(kFvfQuads, 4 * max, 6 * max);
        for (std::uint32_t q = 0; q < max; ++q)
        {
            const auto b = static_cast<std::uint16_t>(4 * q);
            std::uint16_t* i = idx + 6 * q;
            i[0] = b, i[1] = b + 1, i[2] = b + 2, i[3] = b + 2, i[4] = b + 3, i[5] = b + 1;
        }
    }
    m_Quads.m_nVertexCount = m_Quads.m_nIndexCount = 0;
    m_Render.texture[sizeof(m_Render.texture) - 1] = 0;
    m_iTexture = g_pTextureManager ? g_pTextureManager->FindName(m_Render.texture) : -1;
    if (m_Render.framesAcross == 0) m_Render.framesAcross = 4;
    if (m_Render.framesDown == 0) m_Render.framesDown = m_Render.framesAcross;
    SetCameraVectors(CVector{0.0f, 0.0f, 1.0f}, CVector{1.0f, 0.0f, 0.0f});
}

void CParticleViewer::Done()
{
    XTRACE("CParticleViewer::Done");
    CParticleEmitter::Done();
    m_Quads.Free();
    m_Render = SParticleRender();
    std::memset(m_OldRender, 0, sizeof(m_OldRender));
}

void CParticleViewer::SaveToStream(CMemStream& stream)
{
    XTRACE("CParticleViewer::SaveToStream");
    CParticleEmitter::SaveToStream(stream);
    stream.Write(&m_Render, sizeof(m_Render));
}

void CParticleViewer::LoadFromStream(CMemStream& stream, bool old)
{
    XTRACE("CParticleViewer::LoadFromStream");
    ReadParams(stream, old);
    const std::uint32_t size = old ? kOldRenderSize : sizeof(SParticleRender);
    std::uint8_t record[sizeof(SParticleRender)] = {};
    if (stream.m_nCapacity - stream.m_nPosition < size || stream.Read(record, size) != size)
        throw std::runtime_error("particle system: render record cut short at byte " +
                                 std::to_string(stream.m_nPosition));
    SParticleRender r;
    if (old)
    {
        std::memcpy(m_OldRender, record, kOldRenderSize);
        m_pOldRender = m_OldRender;
        std::memcpy(static_cast<void*>(&r), record, 48); // kind, texture, sizes, frames across
        r.technique = kDefaultTechnique;
    }
    else
    {
        std::memcpy(static_cast<void*>(&r), record, sizeof(r));
    }
    r.texture[sizeof(r.texture) - 1] = 0;
    m_Render = r;
}

void CParticleViewer::Load(CPakStream& file)
{
    XTRACE("CParticleViewer::Load()");
    std::uint32_t size = 0;
    if (file.ReadBytes(&size, 4) != 4) throw std::runtime_error("particle system: size cut short");
    // The largest stream form has three effects; anything beyond is damage.
    constexpr std::uint32_t kLargest = sizeof(SEmitterParams) + 4 + 3 * 32 + sizeof(SParticleRender);
    if (size > kLargest && size != kOldRecordSize)
        throw std::runtime_error("particle system: record size " + std::to_string(size) + " out of range");
    CMemStream stream;
    stream.Allocate(size);
    if (file.ReadBytes(stream.m_pData, size) != size)
        throw std::runtime_error("particle system: record cut short");
    LoadFromStream(stream, size == kOldRecordSize);
    Init(m_Params);
}

bool CParticleViewer::Save(std::FILE* file)
{
    XTRACE("CParticleViewer::Save()");
    CMemStream stream;
    SaveToStream(stream);
    const std::uint32_t size = stream.m_nPosition;
    return std::fwrite(&size, 4, 1, file) == 1 && std::fwrite(stream.m_pData, 1, size, file) == size;
}

CParticleViewer* CParticleViewer::Clone() const
{
    auto copy = std::make_unique<CParticleViewer>();
    copy->m_Params = m_Params;
    std::memcpy(copy->m_OldParams, m_OldParams, sizeof(m_OldParams));
    copy->m_Render = m_Render;
    std::memcpy(copy->m_OldRender, m_OldRender, sizeof(m_OldRender));
    return copy.release();
}

void CParticleViewer::GetBoundingSphere(CVector* centre, float* radius) const
{
    const CVector c = (m_vBoundsMin + m_vBoundsMax) * 0.5f;
    *centre = c;
    *radius = (c - m_vBoundsMin).Length() + std::fmax(m_Render.sizeBirth, m_Render.sizeDeath);
}

std::uint32_t CParticleViewer::BuildPoints()
{
    auto* v = reinterpret_cast<SPointVertex*>(m_Quads.m_pVertices);
    std::uint32_t n = 0;
    for (std::int32_t i = m_Pool.First(); i > 0 && n < m_Quads.m_nVertexCapacity; i = m_Pool.Next(i))
    {
        const SParticle& p = m_Pool[i];
        const float fade = p.lifetime != 0.0f ? p.life / p.lifetime : 0.0f;
        v[n++] = SPointVertex{p.position.x, p.position.y, p.position.z, White(fade)};
    }
    m_Quads.m_nVertexCount = n;
    m_Quads.m_nIndexCount = 0;
    return n;
}

std::uint32_t CParticleViewer::BuildQuads()
{
    auto* v = reinterpret_cast<SQuadVertex*>(m_Quads.m_pVertices);
    // The grid comes from the file: more than 1024 frames a side is no
    // picture anyone drew, and the frame count must stay an int.
    constexpr std::int32_t kMaxFrameSide = 1024;
    const std::int32_t across = std::clamp(m_Render.framesAcross, 1, kMaxFrameSide);
    const std::int32_t down = std::clamp(m_Render.framesDown, 1, kMaxFrameSide);
    const std::int32_t frames = across * down;
    const std::uint32_t capacity = m_Quads.m_nVertexCapacity / 4;
    std::uint32_t n = 0;
    for (std::int32_t i = m_Pool.First(); i > 0 && n < capacity; i = m_Pool.Next(i))
    {
        SParticle& p = m_Pool[i];
        if (m_Render.randomAngle && p.angle == 0.0f) p.angle = g_Random.Random(1.0f);
        float a = p.angle;
        if (m_Render.spin != 0.0f) a += p.life * m_Render.spin * kPi;
        CVector r = m_vCameraRight, u = m_vCameraUp;
        if (a != 0.0f)
        {
            const float c = std::cos(a), s = std::sin(a);
            r = m_vCameraRight * c + m_vCameraUp * s;
            u = m_vCameraUp * c - m_vCameraRight * s;
        }
        const float L = p.lifetime != 0.0f ? p.lifetime : 1.0f;
        const float size = ((L - p.life) * m_Render.sizeDeath + p.life * m_Render.sizeBirth) / L;
        float u0 = 0.0f, u1 = 1.0f, v0 = 0.0f, v1 = 1.0f;
        if (m_Render.kind == 2 || m_Render.kind == 3)
        {
            // In float until it is known to fit: times and lives from the
            // file may put it anywhere (or make it NaN, which shows frame 0).
            const float at = m_Render.kind == 2
                                 ? std::fmod(g_fEngineTime * 16.0f + p.animOffset * 16.0f, float(frames))
                                 : float(frames) * (L - p.life) / L;
            const std::int32_t frame = !(at >= 1.0f)            ? 0
                                       : at >= float(frames - 1) ? frames - 1
                                                                 : static_cast<std::int32_t>(at);
            const std::int32_t col = frame % across, row = frame / across;
            u0 = float(col) / float(across), u1 = float(col + 1) / float(across);
            v0 = float(row) / float(down), v1 = float(row + 1) / float(down);
        }
        float fade = p.life / L;
        if (m_Render.kind == 3) fade *= fade;
        const std::uint32_t colour = m_Render.noFade ? 0xFFFFFFFFu : White(fade);
        const CVector& P = p.position;
        const CVector c0 = P + (r - u) * size, c1 = P + (r + u) * size;
        const CVector c2 = P - (r + u) * size, c3 = P + (u - r) * size;
        SQuadVertex* q = v + 4 * n;
        q[0] = SQuadVertex{c0.x, c0.y, c0.z, colour, u0, v0, 0.0f, 0.0f};
        q[1] = SQuadVertex{c1.x, c1.y, c1.z, colour, u1, v0, 0.0f, 0.0f};
        q[2] = SQuadVertex{c2.x, c2.y, c2.z, colour, u0, v1, 0.0f, 0.0f};
        q[3] = SQuadVertex{c3.x, c3.y, c3.z, colour, u1, v1, 0.0f, 0.0f};
        ++n;
    }
    m_Quads.m_nVertexCount = 4 * n;
    m_Quads.m_nIndexCount = 6 * n;
    return n;
}

void CParticleViewer::Render()
{
    XTRACE("CParticleViewer::Render");
    if (m_iTexture < 0 || !g_pTextureManager || !g_pModelManager || !g_pTexShaderManager) return;
    CTexture* texture = g_pTextureManager->GetTexture(m_iTexture);
    if (!texture || m_Render.kind < 0 || m_Render.kind > 3) return;
    if (m_Pool.GetCount() == 0 || !m_Quads.m_pVertices) return;

    if (m_Render.kind == 0)
    {
        plat::d3d::Device* device = graph.m_lpDevice;
        if (!device || BuildPoints() == 0) return;
        device->SetRenderState(plat::d3d::D3DRS_POINTSPRITEENABLE, 1);
        device->SetRenderState(plat::d3d::D3DRS_POINTSCALEENABLE, 1);
        device->SetRenderState(plat::d3d::D3DRS_POINTSIZE, FloatBits(m_Render.sizeBirth));
        device->SetRenderState(plat::d3d::D3DRS_POINTSIZE_MIN, FloatBits(1.0f));
        device->SetRenderState(plat::d3d::D3DRS_POINTSIZE_MAX, FloatBits(64.0f));
        device->SetRenderState(plat::d3d::D3DRS_POINTSCALE_A, FloatBits(0.1f));
        device->SetRenderState(plat::d3d::D3DRS_POINTSCALE_B, FloatBits(0.0f));
        device->SetRenderState(plat::d3d::D3DRS_POINTSCALE_C, FloatBits(1.0f));
        CMesh* mesh =
            g_pModelManager->GetRenderSingleBufMeshPoints(g_pModelManager->m_iEffectPointSlot, &m_Quads);
        if (mesh) g_pTexShaderManager->ApplyStateBlock(m_Render.technique, mesh, texture);
        device->SetRenderState(plat::d3d::D3DRS_POINTSPRITEENABLE, 0);
        return;
    }
    if (BuildQuads() == 0) return;
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Quads);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(m_Render.technique, mesh, texture);
}
