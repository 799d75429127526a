// A model file of one 2 x 2 quad in the z = 0 plane, lit by its material's
// ambient colour only: the smallest model a drawing test can load.
#pragma once

#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/TexShaderManager.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace worldtest
{
inline std::string QuadModelFile()
{
    std::string file(kModelFileHeaderSize, '\0');
    const std::int32_t parts = 1;
    std::memcpy(file.data(), &parts, sizeof parts);
    SModelFilePart record{};
    std::snprintf(record.name, sizeof record.name, "QUAD");
    file.append(reinterpret_cast<const char*>(&record), sizeof record);
    auto put = [&](const void* p, std::size_t n) { file.append(static_cast<const char*>(p), n); };
    SModelBlockHeader h{};
    for (int c = 4; c < 8; ++c)
        h.material[c] = 1.0f; // ambient
    h.material[3] = 1.0f;
    h.techniqueId = SHADER_ONLYMATERIAL;
    h.rotationSpeed = h.pingPongPeriod = 1.0f;
    put(&h, sizeof h);
    const SMeshFileHeader mh{0x112, 4, 6};
    put(&mh, sizeof mh);
    const float quad[4][8] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                              {1, 1, 0, 0, 0, -1, 1, 0},
                              {-1, -1, 0, 0, 0, -1, 0, 1},
                              {1, -1, 0, 0, 0, -1, 1, 1}};
    put(quad, sizeof quad);
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    put(idx, sizeof idx);
    return file;
}

} // namespace worldtest
