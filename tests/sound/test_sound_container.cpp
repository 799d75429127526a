// Sound containers and sound objects: WAV and Ogg loading, duplicates,
// parameters, and what is heard.

#include "SoundTestUtil.h"

#include "sound/OggSound.h"
#include "sound/SoundBase.h"
#include "sound/SoundContainer.h"

#include <vorbis/vorbisfile.h>

#include <cstring>

using namespace soundtest;
using namespace plat::ds;

namespace
{

void PutU32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Chunk(const char* id, const std::string& body)
{
    std::string s(id, 4);
    PutU32(s, static_cast<std::uint32_t>(body.size()));
    return s + body;
}

std::string FmtBody(const WaveFormat& f)
{
    return std::string(reinterpret_cast<const char*>(&f), 16);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// What vorbisfile makes of the file, for comparison.
std::vector<std::int16_t> DecodeWithVorbisfile(const std::string& path)
{
    std::vector<std::int16_t> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return out;
    char buffer[4096];
    int link = 0;
    long n = 0;
    while ((n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &link)) > 0)
    {
        const auto* s = reinterpret_cast<const std::int16_t*>(buffer);
        out.insert(out.end(), s, s + n / 2);
    }
    ov_clear(&vf);
    return out;
}

class SoundContainerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_base.InitFromDevice(m_loop.Device(), m_loop.Primary())); }

    std::string Wave(const char* name, std::uint16_t channels, std::uint32_t frames, std::uint16_t bits = 16)
    {
        const WaveFormat f = Pcm(channels, bits);
        std::vector<std::int16_t> samples = Tone(frames, channels);
        std::vector<std::uint8_t> bytes(frames * f.blockAlign);
        if (bits == 16)
            std::memcpy(bytes.data(), samples.data(), bytes.size());
        else
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<std::uint8_t>((samples[i] >> 8) + 128);
        const std::string path = m_dir.Path(name);
        EXPECT_TRUE(WriteWaveFile(path.c_str(), f, bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        return path;
    }

    std::vector<std::uint8_t> Ogg(std::uint32_t channels, std::uint32_t frames, int serial, double hz = 440.0,
                                  std::uint32_t rate = kRate)
    {
        std::vector<std::int16_t> samples = Tone(frames, channels, hz);
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(EncodeOggVorbis(channels, rate, samples.data(), frames, 0.4f, serial, &bytes));
        return bytes;
    }

    CTempDir m_dir;
    CLoopback m_loop;
    CSoundBase m_base;
};

TEST_F(SoundContainerTest, WaveFilesLoadAndStereoLosesThreeD)
{
    struct Case
    {
        const char* name;
        std::uint16_t channels;
        std::uint16_t bits;
        bool askedFor3D;
        bool is3D;
    };
    const Case cases[] = {
        {"mono16.wav", 1, 16, true, true},
        {"stereo16.wav", 2, 16, true, false},
        {"mono8.wav", 1, 8, false, false},
    };
    for (const Case& c : cases)
    {
        const std::string path = Wave(c.name, c.channels, 1001, c.bits);
        CSoundContainer2 container;
        container.Init(&m_base, c.askedFor3D);
        ASSERT_TRUE(container.LoadFromFile(path.c_str())) << c.name;
        EXPECT_EQ(container.GetDataSize(), 1001u * c.channels * c.bits / 8) << c.name;
        EXPECT_EQ(container.IsMono(), c.channels == 1) << c.name;
        EXPECT_EQ(container.Is3D(), c.is3D) << c.name;
        auto* object = static_cast<CSoundObject2*>(container.GetSoundObject());
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetBuffer3D() != nullptr, c.is3D) << c.name;
        EXPECT_STREQ(container.GetFileName(), path.c_str());
    }
}

TEST_F(SoundContainerTest, DamagedSoundFilesFailWithAReason)
{
    const WaveFormat pcm = Pcm(1);
    WaveFormat adpcm = pcm;
    adpcm.formatTag = 2;
    const std::string data(200, '\x10');
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* logged;
    };
    const Case cases[] = {
        {"compressed", Chunk("RIFF", "WAVE" + Chunk("fmt ", FmtBody(adpcm)) + Chunk("data", data)),
         "is not PCM"},
        {"not WAVE", Chunk("RIFF", "AVI " + Chunk("fmt ", FmtBody(pcm))), "not WAVE"},
        {"no fmt", Chunk("RIFF", "WAVE" + Chunk("data", data)), "no \"fmt \" chunk"},
        {"short fmt", Chunk("RIFF", "WAVE" + Chunk("fmt ", FmtBody(pcm).substr(0, 12)) + Chunk("data", data)),
         "shorter than 16"},
        {"no data", Chunk("RIFF", "WAVE" + Chunk("fmt ", FmtBody(pcm))), "no \"data\" chunk"},
        {"data past end",
         (Chunk("RIFF", "WAVE" + Chunk("fmt ", FmtBody(pcm)) + Chunk("data", data))).substr(0, 150),
         "past the end"},
        {"empty data", Chunk("RIFF", "WAVE" + Chunk("fmt ", FmtBody(pcm)) + Chunk("data", "")),
         "no sound buffer"},
        {"other kind", "ID3 and some mp3 bytes here", "neither RIFF WAVE nor Ogg"},
        {"too short", "RI", "too short"},
        {"Ogg cut in its headers", "", "ends inside its headers"},
    };
    const std::vector<std::uint8_t> ogg = Ogg(1, 4000, 1);
    for (const Case& c : cases)
    {
        std::string bytes = c.bytes;
        if (bytes.empty()) bytes.assign(reinterpret_cast<const char*>(ogg.data()), 100);
        const std::string path = m_dir.Path("bad.snd");
        WriteFile(path, bytes);
        CSoundContainer2 container;
        container.Init(&m_base, true);
        EXPECT_FALSE(container.LoadFromFile(path.c_str())) << c.what;
        EXPECT_EQ(container.GetDataSize(), 0u) << c.what;
        EXPECT_EQ(container.GetSoundObject(), nullptr) << c.what;
        EXPECT_NE(m_dir.ErrorLog().find(c.logged), std::string::npos) << c.what << "\n" << m_dir.ErrorLog();
    }
    CSoundContainer2 container;
    container.Init(&m_base, false);
    EXPECT_FALSE(container.LoadFromFile(m_dir.Path("missing.wav").c_str()));
    EXPECT_NE(m_dir.ErrorLog().find("missing.wav cannot be opened"), std::string::npos);
    plat::ds::WaveFormat format;
    std::vector<std::uint8_t> samples;
    EXPECT_FALSE(DecodeOggSound(m_dir.Path("missing.ogg").c_str(), 1024, &format, &samples));
    EXPECT_NE(m_dir.ErrorLog().find("missing.ogg cannot be opened: No such file or directory"), std::string::npos)
        << m_dir.ErrorLog();
}

TEST_F(SoundContainerTest, OggIsDecodedWholeAcrossChainedStreams)
{
    const std::vector<std::uint8_t> first = Ogg(2, 30000, 1, 440.0);
    const std::vector<std::uint8_t> second = Ogg(2, 12345, 2, 660.0);
    ASSERT_TRUE(WriteBytes(m_dir.Path("one.ogg").c_str(), first));
    std::vector<std::uint8_t> chained = first;
    chained.insert(chained.end(), second.begin(), second.end());
    ASSERT_TRUE(WriteBytes(m_dir.Path("two.ogg").c_str(), chained));

    for (const char* name : {"one.ogg", "two.ogg"})
    {
        const std::string path = m_dir.Path(name);
        WaveFormat format;
        std::vector<std::uint8_t> pcm;
        ASSERT_TRUE(DecodeOggSound(path.c_str(), CSoundContainer2::kDecodeBufferSize, &format, &pcm)) << name;
        EXPECT_EQ(format.channels, 2);
        EXPECT_EQ(format.samplesPerSec, kRate);
        EXPECT_EQ(format.blockAlign, 4);
        // Every stream, one after the other, as vorbisfile reads them (ours
        // scales by 32767 and truncates, vorbisfile by 32768 and rounds).
        const std::vector<std::int16_t> reference = DecodeWithVorbisfile(path);
        ASSERT_EQ(pcm.size(), reference.size() * 2) << name;
        const auto* s = reinterpret_cast<const std::int16_t*>(pcm.data());
        int worst = 0;
        for (std::size_t i = 0; i < reference.size(); ++i)
            worst = std::max(worst, std::abs(int(s[i]) - int(reference[i])));
        EXPECT_LE(worst, 2) << name;

        CSoundContainer2 container;
        container.Init(&m_base, true);
        ASSERT_TRUE(container.LoadFromFile(path.c_str())) << name;
        EXPECT_EQ(container.GetDataSize(), pcm.size());
        EXPECT_FALSE(container.Is3D());
    }
}

TEST_F(SoundContainerTest, OggFormatChangesAndOverlongSoundsAreHandled)
{
    std::vector<std::uint8_t> mixed = Ogg(1, 5000, 1);
    const std::vector<std::uint8_t> stereo = Ogg(2, 5000, 2);
    mixed.insert(mixed.end(), stereo.begin(), stereo.end());
    ASSERT_TRUE(WriteBytes(m_dir.Path("mixed.ogg").c_str(), mixed));
    WaveFormat format;
    std::vector<std::uint8_t> pcm;
    EXPECT_FALSE(DecodeOggSound(m_dir.Path("mixed.ogg").c_str(), 1 << 23, &format, &pcm));
    EXPECT_NE(m_dir.ErrorLog().find("a chained stream has 2 channels"), std::string::npos);

    // A sound longer than the decode buffer is cut at the buffer's end.
    ASSERT_TRUE(WriteBytes(m_dir.Path("long.ogg").c_str(), Ogg(1, 20000, 3)));
    ASSERT_TRUE(DecodeOggSound(m_dir.Path("long.ogg").c_str(), 10001, &format, &pcm));
    EXPECT_EQ(pcm.size(), 10000u);
    EXPECT_NE(m_dir.ErrorLog().find("is longer than 10001 bytes"), std::string::npos);
}

TEST_F(SoundContainerTest, ThirtyObjectsAtMostAndFreedOnesComeBack)
{
    const std::string path = Wave("mono.wav", 1, 2000);
    CSoundContainer2 container;
    container.Init(&m_base, true);
    ASSERT_TRUE(container.LoadFromFile(path.c_str()));
    std::vector<ISoundObject*> objects;
    for (int i = 0; i < CSoundContainer2::kMaxObjects; ++i)
    {
        objects.push_back(container.GetSoundObject());
        ASSERT_NE(objects.back(), nullptr) << i;
    }
    EXPECT_EQ(container.GetSoundObject(), nullptr); // the 31st
    EXPECT_EQ(container.GetObjectCount(), 30);
    container.FreeSoundObject(objects[7]);
    EXPECT_EQ(container.GetSoundObject(), objects[7]);
}

TEST_F(SoundContainerTest, ObjectParametersFollowTheirRules)
{
    const std::string path = Wave("mono.wav", 1, 2000);
    CSoundContainer2 container;
    container.Init(&m_base, true);
    ASSERT_TRUE(container.LoadFromFile(path.c_str()));
    ASSERT_TRUE(container.SetDistance(10.0f, 100.0f));
    auto* object = static_cast<CSoundObject2*>(container.GetSoundObject());
    ASSERT_NE(object, nullptr);

    object->SetVolume(0.5f);
    object->SetVolume(1.5f); // ignored
    EXPECT_FLOAT_EQ(object->GetVolume(), 0.5f);

    float minDistance = -7.0f;
    float maxDistance = -8.0f;
    object->GetDistance(&minDistance, &maxDistance); // never set: untouched
    EXPECT_EQ(minDistance, -7.0f);
    EXPECT_EQ(maxDistance, -8.0f);

    // minDistance 10: moves shorter than sqrt(0.1) = 0.316 are not sent.
    const float start[3] = {5.0f, 0.0f, 0.0f};
    ASSERT_TRUE(object->SetPosition(start));
    const float small[3] = {5.3f, 0.0f, 0.0f};
    ASSERT_TRUE(object->SetPosition(small));
    Vector3 sent;
    ASSERT_EQ(object->GetBuffer3D()->GetPosition(&sent), DS_OK);
    EXPECT_EQ(sent.x, 5.0f);
    const float enough[3] = {5.33f, 0.0f, 0.0f};
    ASSERT_TRUE(object->SetPosition(enough));
    ASSERT_EQ(object->GetBuffer3D()->GetPosition(&sent), DS_OK);
    EXPECT_EQ(sent.x, 5.33f);
}

TEST_F(SoundContainerTest, HalfVolumeSoundsAtTheVolumeLawsLevel)
{
    const std::string path = Wave("stereo.wav", 2, 44100);
    CSoundContainer2 container;
    container.Init(&m_base, false);
    ASSERT_TRUE(container.LoadFromFile(path.c_str()));
    ISoundObject* object = container.GetSoundObject();
    ASSERT_TRUE(object->Play(true));
    m_loop.Render(1024);
    const double full = CLoopback::Rms(m_loop.Render(8192)).left;
    ASSERT_GT(full, 0.1);
    object->SetVolume(0.5f);
    m_loop.Render(1024);
    const double half = CLoopback::Rms(m_loop.Render(8192)).left;
    EXPECT_NEAR(half / full, VolumeToGain(VolumeToDecibels(0.5f)), 0.02);
    EXPECT_NEAR(half / full, std::pow(10.0, -512 / 2000.0), 0.02);
}

TEST_F(SoundContainerTest, ALostBufferIsGivenUpAfterBoundedRetries)
{
    const std::string path = Wave("mono.wav", 1, 2000);
    CSoundContainer2 container;
    container.Init(&m_base, false);
    ASSERT_TRUE(container.LoadFromFile(path.c_str()));
    ISoundObject* object = container.GetSoundObject();
    m_loop.Device()->SimulateBufferLoss(true);
    EXPECT_FALSE(object->Play(false));
    EXPECT_EQ(object->GetLastResult(), DSERR_BUFFERLOST);
    EXPECT_NE(m_dir.ErrorLog().find("cannot be restored"), std::string::npos);
    m_loop.Device()->SimulateBufferLoss(false);
    EXPECT_TRUE(object->Play(false));
}

} // namespace
