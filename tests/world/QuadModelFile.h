// Model files for drawing tests. QuadModelFile: one 2 x 2 quad in the z = 0
// plane, lit by its material's ambient colour only, the smallest model a
// drawing test can load. PartsModelFile: that quad followed by auxiliary
// parts (markers), each a mesh of one triangle spanning the box it is given,
// and particle parts "SMOKE" of the emitter's default parameters. A
// standing quad stands in the x-z plane, facing -y, on z = 0.
#pragma once

#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ParticleSystem.h"
#include "foundation/MemStream.h"
#include "graphics/TexShaderManager.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace worldtest
{
struct SMarkerPart
{
    const char* name;
    CVector lo, hi;
};

inline std::string PartsModelFile(const std::vector<SMarkerPart>& markers, int particleParts = 0,
                                  bool standing = false)
{
    std::string file(kModelFileHeaderSize, '\0');
    const std::int32_t parts = 1 + std::int32_t(markers.size()) + particleParts;
    std::memcpy(file.data(), &parts, sizeof parts);
    auto put = [&](const void* p, std::size_t n) { file.append(static_cast<const char*>(p), n); };
    auto block = [&](const float(*vertices)[8], std::uint32_t count, const std::uint16_t* indices,
                     std::uint32_t indexCount)
    {
        SModelBlockHeader h{};
        for (int c = 4; c < 8; ++c)
            h.material[c] = 1.0f; // ambient
        h.material[3] = 1.0f;
        h.techniqueId = SHADER_ONLYMATERIAL;
        h.rotationSpeed = h.pingPongPeriod = 1.0f;
        put(&h, sizeof h);
        const SMeshFileHeader mh{0x112, count, indexCount};
        put(&mh, sizeof mh);
        put(vertices, sizeof(float[8]) * count);
        put(indices, 2 * indexCount);
    };
    SModelFilePart record{};
    std::snprintf(record.name, sizeof record.name, "QUAD");
    put(&record, sizeof record);
    float quad[4][8] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                        {1, 1, 0, 0, 0, -1, 1, 0},
                        {-1, -1, 0, 0, 0, -1, 0, 1},
                        {1, -1, 0, 0, 0, -1, 1, 1}};
    if (standing)
        for (auto& v : quad)
        {
            v[2] = v[1] + 1.0f; // height
            v[1] = 0.0f;
            v[4] = -1.0f; // normal -y
            v[5] = 0.0f;
        }
    const std::uint16_t quadIndices[6] = {0, 1, 2, 2, 1, 3};
    block(quad, 4, quadIndices, 6);
    for (const SMarkerPart& m : markers)
    {
        SModelFilePart marker{};
        marker.type = 1;
        std::snprintf(marker.name, sizeof marker.name, "%s", m.name);
        put(&marker, sizeof marker);
        const float triangle[3][8] = {{m.lo.x, m.lo.y, m.lo.z, 0, 0, 1, 0, 0},
                                      {m.hi.x, m.hi.y, m.hi.z, 0, 0, 1, 1, 0},
                                      {m.lo.x, m.hi.y, m.lo.z, 0, 0, 1, 0, 1}};
        const std::uint16_t indices[3] = {0, 1, 2};
        block(triangle, 3, indices, 3);
    }
    for (int i = 0; i < particleParts; ++i)
    {
        SModelFilePart smoke{};
        smoke.type = 4;
        std::snprintf(smoke.name, sizeof smoke.name, "SMOKE");
        put(&smoke, sizeof smoke);
        CParticleViewer viewer;
        viewer.Init(SEmitterParams::Defaults());
        // The file form: a u32 size, then the stream form.
        CMemStream stream;
        viewer.SaveToStream(stream);
        const std::uint32_t size = stream.m_nPosition;
        put(&size, sizeof size);
        put(stream.m_pData, size);
    }
    return file;
}

inline std::string QuadModelFile(bool standing = false)
{
    return PartsModelFile({}, 0, standing);
}

} // namespace worldtest
