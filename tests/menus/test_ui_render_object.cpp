// Models in the interface without a device: the model a fixed name stands
// for (an index in its first four bytes, else its name), the scale a model
// is drawn at, and the grey colour of one value.

#include "graphics/ModelManager.h"
#include "menus/UIRenderObject.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
TEST(UIModel, AnIndexInTheNameSkipsTheLookup)
{
    // Without a model manager only indexes resolve.
    CModelManager* kept = g_pModelManager;
    g_pModelManager = nullptr;
    EXPECT_EQ(ResolveUIModel(SUIModelName::FromIndex(0)), 0);
    EXPECT_EQ(ResolveUIModel(SUIModelName::FromIndex(5)), 5);
    EXPECT_EQ(ResolveUIModel(SUIModelName::FromIndex(0x3000)), 0x3000);
    EXPECT_EQ(ResolveUIModel(SUIModelName::FromIndex(0x3001)), -1) << "above 12288 it is a name";
    EXPECT_EQ(ResolveUIModel(SUIModelName::FromIndex(-1)), -1);
    EXPECT_EQ(ResolveUIModel(SUIModelName("MOD_BOX")), -1);
    // A type table's field keeps its resolved id in its first bytes.
    char field[32] = {};
    const std::int32_t id = 42;
    std::memcpy(field, &id, sizeof id);
    EXPECT_EQ(ResolveUIModel(SUIModelName::FromField(field)), 42);
    // A name is cut to 31 characters.
    const SUIModelName longName("MOD_ABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789");
    EXPECT_EQ(std::strlen(longName.name), 31u);
    g_pModelManager = kept;
}

TEST(UIModel, TheScaleNeverDividesByZeroNorTurnsTheModelInsideOut)
{
    struct SCase
    {
        float radius, centre, scale;
    };
    const SCase cases[] = {
        {2.2f, 0.0f, 1.0f},
        {2.0f, 1.0f, 2.2f / 1.5f},
        // The divisor would be 0 or below: the radius alone.
        {1.0f, 2.0f, 2.2f},
        {1.1f, 4.0f, 2.0f},
        {0.0f, 0.0f, 2.2f},
        {0.0f, 3.0f, 2.2f},
    };
    for (const SCase& c : cases)
        EXPECT_FLOAT_EQ(UIModelScale(c.radius, c.centre), c.scale) << c.radius << " " << c.centre;
}

TEST(UIModel, AColourOfOneValue)
{
    plat::d3d::SColorValue grey{};
    EXPECT_EQ(ColorValueFromScalar(&grey, 0.4f), &grey);
    EXPECT_FLOAT_EQ(grey.r, 0.4f);
    EXPECT_FLOAT_EQ(grey.a, 0.4f);
}

} // namespace
