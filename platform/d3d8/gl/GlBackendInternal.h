// Inside the Direct3D 8 layer: what the files of the GL backend share (the
// program record, the raster state cache and small conversions).
// Thread: the context owner only, as the backend itself.
#pragma once

#include "platform/d3d8/gl/GlApi.h"
#include "platform/d3d8/gl/GlBackend.h"

#include <cstring>

namespace plat::d3d::detail
{

inline float AsFloat(std::uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

inline void ColorToFloats(Color c, float out[4])
{
    out[0] = float((c >> 16) & 255) / 255.0f;
    out[1] = float((c >> 8) & 255) / 255.0f;
    out[2] = float(c & 255) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

struct CGlBackend::SProgram
{
    GLuint name = 0;
    std::uint64_t versions[5] = {};
    GLint uWorld, uNormalMat, uView, uProj, uWorldViewProj, uTexMat, uViewport;
    GLint uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive, uMatPower, uAmbient;
    GLint uLightDiffuse, uLightSpecular, uLightAmbient, uLightPos, uLightDir, uLightAtt, uLightSpot,
        uLightCount;
    GLint uFog, uPoint, uPointScale, uClip, uVsC, uTFactor, uBumpMat, uBumpLum, uFogColor, uAlphaRef, uPsC;
    GLint uFogMode, uDrawMode, uVertexMode, uMatSource;
    gl::SProgramInputs inputs; // as last sent
    bool inputsSent = false;
    std::uint64_t lightTransforms = 0; // the transforms the lights were last sent with
};

struct CGlBackend::SRasterCache
{
    bool valid = false;
    std::uint32_t blendEnable, src, dst, op, zEnable, zWrite, zFunc, cull, fill, colorMask;
    std::uint32_t stencilEnable, stencilFunc, stencilRef, stencilMask, stencilWrite, sFail, sZFail, sPass;
    std::uint32_t clipMask, zbias;
};

} // namespace plat::d3d::detail
