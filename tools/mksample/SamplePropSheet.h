// The one texture sheet of the sample's procedural models, "TEX_SAMPLE_PROPS"
// ("Data\Textures\props.tm", 256 x 256): an 8 x 8 grid of 32-pixel
// swatches (paint, glass, bark, leaves, walls, doors, signs, ...), each
// model face mapped onto one of them (SampleMeshKit.h).
#pragma once

#include "tools/mksample/SampleMeshKit.h"

#include <string>

enum class EProp
{
    // the glider and the machines
    Hull,
    HullDark,
    Nose,
    Canopy,
    Engine,
    Exhaust,
    Stripe,
    GunMetal,
    // nature and props
    Bark,
    Leaves,
    LeavesLight,
    Rock,
    Crate,
    Gold,
    LampPost,
    LampGlow,
    // buildings
    Wall,
    WallDepot,
    Roof,
    Door,
    Opening,
    Window,
    Concrete,
    Hazard,
    // two cells wide each
    SignHall,
    SignDepot,
    Armour,
    ArmourDark,
    CapsuleWhite,
    CapsuleTeal,
    // more props
    Post,
    Crystal,
    Grass,
    Pebble,
    Count
};

inline constexpr const char* kPropSheet = "TEX_SAMPLE_PROPS";

// The swatch of one cell of the sheet.
SSwatch PropSwatch(EProp cell);
// A drawn part of the kit's mesh textured with the sheet.
SKitPart PropPart(const char* name, const CMeshKit& kit);
// Paints the sheet and writes it to path (X8R8G8B8 with its mip levels).
bool WritePropSheet(const std::string& path);
