// Camera-facing textured squares of the effect pass (glows, flares, missile
// bodies) and the blending the effect meshes are drawn with.
//
// Both draw through the effect render manager's shared effect buffer at
// the world transform in force (identity for points in world space).
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>

class CMesh;
class CTexture;

// The mesh with the texture at the alpha (held to 0..1), additive or
// alpha-blended; nothing without a mesh or the technique manager.
void ApplyEffectMesh(CMesh* mesh, CTexture* texture, float alpha, bool additive);
// The same, the texture tinted by the ARGB colour (its alpha the opacity).
void ApplyEffectMeshArgb(CMesh* mesh, CTexture* texture, std::uint32_t argb, bool additive);
// A square of the given size at p facing the view camera, turned by angle
// (radians) in the view plane; nothing for a size of 0 or less.
void DrawFacingQuad(const CVector& p, float size, float angle, CTexture* texture, float alpha, bool additive);
void DrawFacingQuadArgb(const CVector& p, float size, float angle, CTexture* texture, std::uint32_t argb,
                        bool additive);
