// The volume law and the sound device before it is set up.

#include "sound/SoundBase.h"

#include <gtest/gtest.h>

namespace
{

TEST(VolumeLaw, TableOfKnownValues)
{
    struct Row
    {
        float volume;
        std::int32_t hundredths;
    };
    const Row rows[] = {
        {1.0f, 0},      {0.0f, -10000}, {0.75f, -208},          {0.5f, -512},
        {0.25f, -1093}, {0.1f, -1973},  {1.0f / 255.0f, -6726},
    };
    for (const Row& r : rows)
        EXPECT_EQ(VolumeToDecibels(r.volume), r.hundredths) << r.volume;
    // Outside 0..1 the law is clamped.
    EXPECT_EQ(VolumeToDecibels(1.5f), 0);
    EXPECT_EQ(VolumeToDecibels(-0.5f), -10000);

    EXPECT_FLOAT_EQ(DecibelsToVolume(0), 1.0f);
    EXPECT_FLOAT_EQ(DecibelsToVolume(-512), 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(DecibelsToVolume(-10000), 0.0f);
}

TEST(VolumeLaw, EveryStepOf255RoundTrips)
{
    for (int k = 0; k <= 255; ++k)
    {
        float back = -1.0f;
        DecibelsToVolume(VolumeToDecibels(k / 255.0f), &back);
        EXPECT_FLOAT_EQ(back, k / 255.0f) << k;
    }
}

TEST(SoundBase, BeforeInitNothingIsSetOrStored)
{
    CSoundBase base;
    EXPECT_EQ(base.GetVolume(), 0.0f);
    const float position[3] = {1.0f, 2.0f, 3.0f};
    const float front[3] = {0.0f, 0.0f, 1.0f};
    const float top[3] = {0.0f, 1.0f, 0.0f};
    EXPECT_FALSE(base.SetListener(position, front, top));
    EXPECT_EQ(base.GetListenerPosition()[0], 0.0f);
    EXPECT_FALSE(base.ApplySettings());
    EXPECT_FALSE(base.InitFromDevice(nullptr, nullptr));
}

} // namespace
