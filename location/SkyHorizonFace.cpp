#include "location/SkyHorizonFace.h"

#include "foundation/Graphic.h"
#include "graphics/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

CHorizonFace::CHorizonFace() = default;
CHorizonFace::~CHorizonFace() = default;

float CHorizonFace::BuildAngle(int width, int height)
{
    const float a = height > 0 ? float(width) * 0.75f / float(height) * 95.0f : 95.0f;
    return std::clamp(a, 93.0f, 99.9f);
}

bool CHorizonFace::InSector(int s, float x, float y) const
{
    const float k = m_fBuildCot;
    switch (s)
    {
    case 0:
        return x > std::fabs(y) * k;
    case 1:
        return y > std::fabs(x) * k;
    case 2:
        return x < -std::fabs(y) * k;
    default:
        return y < -std::fabs(x) * k;
    }
}

int CHorizonFace::SelectSector(const CVector& d) const
{
    // An exact diagonal belongs to the first of its two neighbours; with
    // strict tests it would fall through to the -y sector behind the view.
    const float k = m_fSelectCot;
    if (std::fabs(d.y) * k <= d.x) return 0;
    if (std::fabs(d.x) * k <= d.y) return 1;
    if (-(std::fabs(d.y) * k) >= d.x) return 2;
    return 3;
}

CMesh* CHorizonFace::SelectFace(const CVector& d) const
{
    return m_pSectors[SelectSector(d)].get();
}

void CHorizonFace::ReleaseMeshes()
{
    for (auto& sector : m_pSectors)
        sector.reset();
}

void CHorizonFace::Build(CMesh& source, int width, int height)
{
    const float a = BuildAngle(width, height) * 3.14159265f / 180.0f;
    m_fBuildCot = 1.0f / std::tan(a);
    ReleaseMeshes();
    source.Lock(true, true);
    SWorkVertex* work = nullptr;
    source.ExtractVertices(&work);
    std::unique_ptr<SWorkVertex[]> owned(work);
    CHorizonFaceBuilder builders[4];
    const int indexCount = source.m_pIndices ? source.m_nIndexCount : 0;
    for (int t = 0; t + 2 < indexCount; t += 3)
    {
        const std::uint16_t* tri = source.m_pIndices + t;
        if (tri[0] >= source.m_nVertexCount || tri[1] >= source.m_nVertexCount ||
            tri[2] >= source.m_nVertexCount)
            continue;
        for (int s = 0; s < 4; ++s)
        {
            bool inside = false;
            for (int k = 0; k < 3 && !inside; ++k)
                inside = InSector(s, work[tri[k]].position[0], work[tri[k]].position[1]);
            if (!inside) continue;
            for (int k = 0; k < 3; ++k)
                builders[s].AddVertex(work, tri[k], s == 3);
        }
    }
    for (int s = 0; s < 4; ++s)
        m_pSectors[s] = builders[s].CopyToMesh();
    source.Unlock(true, true);
}

void CHorizonFaceBuilder::AddVertex(const SWorkVertex* vertices, std::uint16_t source, bool seam)
{
    const auto found = m_Map.find(source);
    if (found != m_Map.end())
    {
        m_Indices.push_back(found->second);
        return;
    }
    const std::uint16_t index = std::uint16_t(m_Vertices.size());
    m_Map.emplace(source, index);
    SWorkVertex v = vertices[source];
    const float x = v.position[0], y = v.position[1], z = v.position[2];
    v.tex1[0] = seam ? std::atan2(x, -y) * -1.2732395f : std::atan2(x, y) * 1.2732395f;
    v.tex1[1] = 1.0f - z * 0.0008f;
    m_Vertices.push_back(v);
    m_Indices.push_back(index);
}

std::unique_ptr<CMesh> CHorizonFaceBuilder::CopyToMesh() const
{
    if (m_Vertices.empty()) return nullptr;
    auto mesh = std::make_unique<CMesh>(graph.m_lpDevice ? MESH_MEMORY_STATIC : MESH_MEMORY_HEAP,
                                        CHorizonFace::kFaceFvf, std::int32_t(m_Vertices.size()), 1u,
                                        std::int32_t(m_Indices.size()));
    mesh->Lock(true, true);
    mesh->StoreVertices(m_Vertices.data());
    std::memcpy(mesh->m_pIndices, m_Indices.data(), m_Indices.size() * 2);
    mesh->Unlock(true, true);
    return mesh;
}
