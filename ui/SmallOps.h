// Small operations other subsystems call: a four-float colour value from
// four floats, the inequality of two vectors, and the contents of a pick-up
// thing of the world (ten entries of kind, name and count).
//
// The id key from a name is MakeGuidKey (foundation/GuidKey.h) and the
// texture filters of a stage are set by Graphic::SetTextureFilter
// (foundation/Graphic.h).
// Pure values; any thread.
#pragma once

#include "foundation/Vector.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>

// {red, green, blue, alpha} as given: no clamping, no conversion.
plat::d3d::SColorValue SetColorValue(float red, float green, float blue, float alpha);

// 1 when some component differs (compared x, y, z with floating-point
// equality: a NaN differs from everything, 0 and -0 are equal), else 0.
int Vector3NotEqual(const CVector& a, const CVector& b);

// One entry of a thing's contents, 40 bytes as a saved game stores it.
struct SThingContent
{
    std::uint32_t kind; // handed on unchanged when the thing is picked up
    char name[32];
    std::uint32_t count;
};
static_assert(sizeof(SThingContent) == 40);

// The contents of a pick-up thing: the world's CTheThing holds one.
struct CThingContents
{
    static constexpr std::uint32_t kMaxEntries = 10;

    SThingContent entries[kMaxEntries] = {};
    std::uint32_t count = 0;

    // Stores the entry at index count (all 32 name bytes) and counts it. An
    // eleventh entry is refused with an error line: callers do not check,
    // and the thing must stay intact.
    bool AddContent(std::uint32_t kind, const char (&name)[32], std::uint32_t number);
};
