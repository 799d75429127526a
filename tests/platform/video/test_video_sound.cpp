// A video's sound written ahead of the cursors of a streaming buffer on a
// loopback device: what is heard is the fed sound in order and then silence,
// never an older lap of the ring.
#include "platform/dsound/DSound.h"
#include "platform/video/Video.h"
#include "platform/video/VideoSound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace plat::ds;
using plat::video::detail::CVideoSound;

TEST(VideoSound, EndsInSilenceNotInOldSound)
{
    constexpr std::uint32_t kRate = 44100;
    Device* device = nullptr;
    ASSERT_EQ(CreateLoopbackDevice(kRate, 2, &device), DS_OK);
    plat::video::UseDirectSound(device);
    std::unique_ptr<CVideoSound> sound = CVideoSound::Create();
    ASSERT_NE(sound, nullptr);

    // One whole lap of the one-second ring at a positive level, then half a
    // lap at a negative one: after the end, the ring still holds the first.
    const std::vector<std::int16_t> first(std::size_t(kRate) * 2, 8000);
    const std::vector<std::int16_t> second(std::size_t(kRate) / 2 * 2, -8000);
    sound->FeedPcm(first.data(), first.size());
    sound->FeedPcm(second.data(), second.size());
    sound->Start();

    // 2.5 seconds in 10 ms steps, the video serviced after each, as its
    // thread does once a frame.
    std::string heard; // one letter per 10 ms: + - or 0
    std::vector<float> slice(441 * 2);
    for (int step = 0; step < 250; ++step)
    {
        ASSERT_EQ(device->RenderLoopback(slice.data(), 441), DS_OK);
        int plus = 0, minus = 0;
        for (std::size_t i = 0; i < slice.size(); i += 2)
        {
            plus += slice[i] > 0.1f;
            minus += slice[i] < -0.1f;
        }
        heard += plus > 400 ? '+' : minus > 400 ? '-' : (plus == 0 && minus == 0) ? '0' : '?';
        sound->Service();
    }
    // Slices that straddle a change may be mixed ('?').
    const std::size_t firstEnd = heard.find_first_not_of('+');
    ASSERT_NE(firstEnd, std::string::npos) << heard;
    EXPECT_GE(firstEnd, 99u) << heard;
    const std::size_t secondBegin = heard.find('-');
    ASSERT_NE(secondBegin, std::string::npos) << heard;
    EXPECT_LE(secondBegin, 101u) << heard;
    const std::size_t silence = heard.find('0', secondBegin);
    ASSERT_NE(silence, std::string::npos) << heard;
    EXPECT_GE(silence, 149u) << heard;
    EXPECT_LE(silence, 151u) << heard;
    EXPECT_EQ(heard.find_first_not_of('0', silence), std::string::npos) << "old sound replayed: " << heard;
    EXPECT_EQ(heard.find('+', secondBegin), std::string::npos) << heard;

    sound.reset();
    plat::video::StopDirectSound();
    device->Release();
}

} // namespace
