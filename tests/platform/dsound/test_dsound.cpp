// The DirectSound-shaped device, rendered through a loopback device so that
// what is heard is measured.

#include "platform/dsound/DSound.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace plat::ds;

namespace
{

constexpr std::uint32_t kRate = 44100;

WaveFormat Pcm16(std::uint16_t channels, std::uint32_t rate = kRate)
{
    WaveFormat f;
    f.formatTag = WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = 16;
    f.blockAlign = static_cast<std::uint16_t>(channels * 2);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

template <typename T> struct Ref
{
    T* p = nullptr;
    ~Ref()
    {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    T** operator&() { return &p; }
};

struct Level
{
    double left = 0.0;
    double right = 0.0;
};

class LoopbackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(CreateLoopbackDevice(kRate, 2, &m_device), DS_OK);
        ASSERT_EQ(m_device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
        BufferDesc desc;
        desc.flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
        ASSERT_EQ(m_device->CreateSoundBuffer(&desc, &m_primary), DS_OK);
        ASSERT_EQ(m_primary->QueryListener(&m_listener), DS_OK);
    }

    // A buffer of a sine tone (amplitude 0.5) of the given length.
    Buffer* Tone(std::uint32_t flags, std::uint16_t channels, std::uint32_t frames, double hz = 441.0)
    {
        const WaveFormat f = Pcm16(channels);
        BufferDesc desc;
        desc.flags = flags;
        desc.bufferBytes = frames * f.blockAlign;
        desc.format = &f;
        Buffer* buffer = nullptr;
        EXPECT_EQ(m_device->CreateSoundBuffer(&desc, &buffer), DS_OK);
        if (!buffer) return nullptr;
        void* p = nullptr;
        std::uint32_t n = 0;
        EXPECT_EQ(buffer->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        auto* s = static_cast<std::int16_t*>(p);
        for (std::uint32_t i = 0; i < frames; ++i)
            for (std::uint16_t c = 0; c < channels; ++c)
                s[i * channels + c] =
                    static_cast<std::int16_t>(16384.0 * std::sin(2.0 * M_PI * hz * i / kRate));
        EXPECT_EQ(buffer->Unlock(p, n, nullptr, 0), DS_OK);
        return buffer;
    }

    std::vector<float> Render(std::uint32_t frames)
    {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        EXPECT_EQ(m_device->RenderLoopback(out.data(), frames), DS_OK);
        return out;
    }

    static Level Rms(const std::vector<float>& s)
    {
        Level level;
        const std::size_t frames = s.size() / 2;
        for (std::size_t i = 0; i < frames; ++i)
        {
            level.left += double(s[2 * i]) * s[2 * i];
            level.right += double(s[2 * i + 1]) * s[2 * i + 1];
        }
        level.left = std::sqrt(level.left / double(frames));
        level.right = std::sqrt(level.right / double(frames));
        return level;
    }

    void TearDown() override
    {
        if (m_listener) m_listener->Release();
        if (m_primary) m_primary->Release();
        if (m_device) m_device->Release();
    }

    Device* m_device = nullptr;
    Buffer* m_primary = nullptr;
    Listener* m_listener = nullptr;
};

TEST_F(LoopbackTest, VolumeInHundredthsOfADecibelScalesTheLevel)
{
    Ref<Buffer> tone;
    tone.p = Tone(DSBCAPS_CTRLVOLUME, 1, kRate);
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    Render(2048);
    const Level full = Rms(Render(8192));
    ASSERT_GT(full.left, 0.05);
    EXPECT_NEAR(full.left, full.right, full.left * 0.01); // 2-D: centred

    ASSERT_EQ(tone->SetVolume(-512), DS_OK);
    Render(2048);
    const Level half = Rms(Render(8192));
    EXPECT_NEAR(half.left / full.left, VolumeToGain(-512), 0.01);

    ASSERT_EQ(tone->SetVolume(DSBVOLUME_MIN), DS_OK);
    Render(2048);
    EXPECT_LT(Rms(Render(4096)).left, 1e-6);
}

TEST_F(LoopbackTest, ThreeDSourceSoundsOnTheSideItIsOn)
{
    ASSERT_EQ(m_listener->SetOrientation(0, 0, 1, 0, 1, 0, DS3D_IMMEDIATE), DS_OK);
    Ref<Buffer> tone;
    tone.p = Tone(DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME, 1, kRate);
    Ref<Buffer3D> b3;
    ASSERT_EQ(tone->QueryBuffer3D(&b3), DS_OK);
    ASSERT_EQ(b3->SetMinDistance(1.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b3->SetPosition(-3.0f, 0.0f, 0.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    Render(2048);
    const Level left = Rms(Render(8192));
    EXPECT_GT(left.left, 1.5 * left.right);

    // Deferred: nothing moves until the commit.
    ASSERT_EQ(b3->SetPosition(3.0f, 0.0f, 0.0f, DS3D_DEFERRED), DS_OK);
    Render(2048);
    const Level still = Rms(Render(8192));
    EXPECT_GT(still.left, 1.5 * still.right);
    ASSERT_EQ(m_listener->CommitDeferredSettings(), DS_OK);
    Render(2048);
    const Level right = Rms(Render(8192));
    EXPECT_GT(right.right, 1.5 * right.left);
}

TEST_F(LoopbackTest, DistanceFollowsTheInverseLawAndMutesPastTheMaximum)
{
    Ref<Buffer> tone;
    tone.p = Tone(DSBCAPS_CTRL3D | DSBCAPS_MUTE3DATMAXDISTANCE, 1, kRate);
    Ref<Buffer3D> b3;
    ASSERT_EQ(tone->QueryBuffer3D(&b3), DS_OK);
    ASSERT_EQ(b3->SetMinDistance(2.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b3->SetMaxDistance(20.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(b3->SetPosition(0.0f, 0.0f, 2.0f, DS3D_IMMEDIATE), DS_OK);
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    Render(2048);
    const double atMin = Rms(Render(8192)).left;
    ASSERT_EQ(b3->SetPosition(0.0f, 0.0f, 8.0f, DS3D_IMMEDIATE), DS_OK);
    Render(2048);
    EXPECT_NEAR(Rms(Render(8192)).left / atMin, 0.25, 0.01); // min / distance
    ASSERT_EQ(b3->SetPosition(0.0f, 0.0f, 21.0f, DS3D_IMMEDIATE), DS_OK);
    Render(2048);
    EXPECT_LT(Rms(Render(4096)).left, 1e-6);
}

TEST_F(LoopbackTest, OneShotEndsAndDuplicatesShareTheSamples)
{
    Ref<Buffer> tone;
    tone.p = Tone(DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY, 2, 4410);
    Ref<Buffer> dup;
    ASSERT_EQ(m_device->DuplicateSoundBuffer(tone.p, &dup), DS_OK);

    // A change of the samples through the original is heard in the copy.
    void* p = nullptr;
    std::uint32_t n = 0;
    ASSERT_EQ(tone->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    auto* s = static_cast<std::int16_t*>(p);
    for (std::uint32_t i = 0; i < n / 2; ++i)
        s[i] = static_cast<std::int16_t>(i % 2 ? -8192 : 8192);
    ASSERT_EQ(tone->Unlock(p, n, nullptr, 0), DS_OK);

    ASSERT_EQ(dup->Play(0, 0, 0), DS_OK);
    std::uint32_t status = 0;
    ASSERT_EQ(dup->GetStatus(&status), DS_OK);
    EXPECT_EQ(status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), DSBSTATUS_PLAYING);
    ASSERT_EQ(tone->GetStatus(&status), DS_OK);
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    const std::vector<float> out = Render(1000);
    // Stereo passes straight through: the left channel is +0.25, the right -0.25.
    EXPECT_NEAR(out[200], 0.25f, 1e-3f);
    EXPECT_NEAR(out[201], -0.25f, 1e-3f);

    Render(4410);
    ASSERT_EQ(dup->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    std::uint32_t play = 1;
    ASSERT_EQ(dup->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u);
}

TEST_F(LoopbackTest, StreamNotifiesAtEachHalfAndPlaysWhatWasWrittenBehindTheCursor)
{
    constexpr std::uint32_t kHalf = 4096 * 4; // bytes: 4096 stereo frames
    const WaveFormat f = Pcm16(2);
    BufferDesc desc;
    desc.flags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME;
    desc.bufferBytes = 2 * kHalf;
    desc.format = &f;
    Ref<Buffer> stream;
    ASSERT_EQ(m_device->CreateSoundBuffer(&desc, &stream), DS_OK);
    Ref<Notify> notify;
    ASSERT_EQ(stream->QueryNotify(&notify), DS_OK);
    plat::Handle event = plat::CreateEvent(false, false);
    const PositionNotify notes[2] = {{kHalf - 1, event}, {2 * kHalf - 1, event}};
    ASSERT_EQ(notify->SetNotificationPositions(2, notes), DS_OK);

    auto fill = [&](std::uint32_t offset, std::int16_t value)
    {
        void* p = nullptr;
        std::uint32_t n = 0;
        ASSERT_EQ(stream->Lock(offset, kHalf, &p, &n, nullptr, nullptr, 0), DS_OK);
        auto* s = static_cast<std::int16_t*>(p);
        for (std::uint32_t i = 0; i < n / 2; ++i)
            s[i] = value;
        ASSERT_EQ(stream->Unlock(p, n, nullptr, 0), DS_OK);
    };
    fill(0, 1000);
    fill(kHalf, 2000);
    ASSERT_EQ(stream->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    // Notifications only while stopped.
    EXPECT_EQ(notify->SetNotificationPositions(2, notes), DSERR_INVALIDCALL);

    std::vector<float> heard = Render(4000);
    EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_TIMEOUT);
    auto more = Render(200);
    heard.insert(heard.end(), more.begin(), more.end());
    EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_OBJECT_0);
    std::uint32_t play = 0, write = 0;
    ASSERT_EQ(stream->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 4200u * 4);
    EXPECT_GT(write, play);

    fill(0, 3000); // the half just played, while the second plays
    more = Render(4096 + 2000);
    heard.insert(heard.end(), more.begin(), more.end());
    EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_OBJECT_0);

    const float unit = 1.0f / 32768.0f;
    EXPECT_NEAR(heard[2 * 100], 1000 * unit, 1e-5f);
    EXPECT_NEAR(heard[2 * 5000], 2000 * unit, 1e-5f);
    EXPECT_NEAR(heard[2 * 9000], 3000 * unit, 1e-5f);

    ASSERT_EQ(stream->Stop(), DS_OK);
    ASSERT_EQ(stream->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, (4200u + 4096 + 2000 - 8192) * 4);
    plat::CloseHandle(event);
}

TEST_F(LoopbackTest, LostBuffersAnswerBufferLostUntilTheLossEnds)
{
    Ref<Buffer> tone;
    tone.p = Tone(DSBCAPS_CTRLVOLUME, 1, 1000);
    m_device->SimulateBufferLoss(true);
    std::uint32_t status = 0;
    ASSERT_EQ(tone->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    EXPECT_EQ(tone->Play(0, 0, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(tone->Restore(), DSERR_BUFFERLOST);
    m_device->SimulateBufferLoss(false);
    EXPECT_EQ(tone->Restore(), DS_OK);
    EXPECT_EQ(tone->Play(0, 0, 0), DS_OK);
}

TEST_F(LoopbackTest, ArgumentsAreCheckedAsDirectSoundChecksThem)
{
    const WaveFormat mono = Pcm16(1);
    const WaveFormat stereo = Pcm16(2);
    WaveFormat adpcm = mono;
    adpcm.formatTag = 2;
    struct Case
    {
        const char* what;
        std::uint32_t flags;
        std::uint32_t bytes;
        const WaveFormat* format;
        plat::HResult expected;
    };
    const Case cases[] = {
        {"3-D stereo", DSBCAPS_CTRL3D, 4096, &stereo, DSERR_INVALIDPARAM},
        {"compressed format", 0, 4096, &adpcm, DSERR_BADFORMAT},
        {"no format", 0, 4096, nullptr, DSERR_INVALIDPARAM},
        {"too small", 0, 2, &mono, DSERR_INVALIDPARAM},
        {"hardware and software", DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE, 4096, &mono, DSERR_INVALIDPARAM},
        {"3-D mono", DSBCAPS_CTRL3D, 4096, &mono, DS_OK},
    };
    for (const Case& c : cases)
    {
        BufferDesc desc;
        desc.flags = c.flags;
        desc.bufferBytes = c.bytes;
        desc.format = c.format;
        Buffer* buffer = nullptr;
        EXPECT_EQ(m_device->CreateSoundBuffer(&desc, &buffer), c.expected) << c.what;
        if (buffer) buffer->Release();
    }

    Ref<Buffer> plain;
    plain.p = Tone(0, 1, 1000);
    EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
    Ref<Buffer3D> none;
    EXPECT_EQ(plain->QueryBuffer3D(&none), DSERR_NOINTERFACE);
    void* p = nullptr;
    std::uint32_t n = 0;
    EXPECT_EQ(plain->Lock(2000, 4, &p, &n, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    void* p2 = nullptr;
    std::uint32_t n2 = 0;
    ASSERT_EQ(plain->Lock(1900, 200, &p, &n, &p2, &n2, 0), DS_OK); // wraps
    EXPECT_EQ(n, 100u);
    EXPECT_EQ(n2, 100u);
    EXPECT_EQ(plain->Unlock(p, n, p2, n2), DS_OK);

    Ref<Buffer> volume;
    volume.p = Tone(DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY, 1, 1000);
    EXPECT_EQ(volume->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(volume->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(volume->SetFrequency(50), DSERR_INVALIDPARAM);
    EXPECT_EQ(volume->SetFrequency(0), DS_OK);
    std::uint32_t frequency = 0;
    EXPECT_EQ(volume->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, kRate);
}

} // namespace

namespace
{

// The default device (OpenAL's null output in the test environment) feeds
// its streams from its own thread.
TEST(RealDevice, StreamIsFedAndNotifiesWithoutRenderCalls)
{
    Ref<Device> device;
    if (DirectSoundCreate(&device) != DS_OK) GTEST_SKIP() << "no sound output";
    const WaveFormat f = Pcm16(2);
    BufferDesc desc;
    desc.flags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME;
    desc.bufferBytes = 2 * 4410 * 4; // two halves of 0.1 s
    desc.format = &f;
    Ref<Buffer> stream;
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &stream), DS_OK);
    Ref<Notify> notify;
    ASSERT_EQ(stream->QueryNotify(&notify), DS_OK);
    plat::Handle event = plat::CreateEvent(false, false);
    const PositionNotify notes[2] = {{4410 * 4 - 1, event}, {2 * 4410 * 4 - 1, event}};
    ASSERT_EQ(notify->SetNotificationPositions(2, notes), DS_OK);
    ASSERT_EQ(stream->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    // Three notifications: the stream wraps round at least once.
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(plat::WaitForSingleObject(event, 5000), plat::WAIT_OBJECT_0) << i;
    EXPECT_EQ(stream->Stop(), DS_OK);
    plat::CloseHandle(event);
}

} // namespace
