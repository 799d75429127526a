// Fixtures shared by the sound tests: a temporary directory that is also
// the working directory, a loopback sound device whose output is measured,
// sound files written with the engine's writers, and a small INI resource
// database.
#pragma once

#include "common/DataTree.h"
#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "platform/dsound/DSound.h"
#include "sound/SoundWriters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace soundtest
{

constexpr std::uint32_t kRate = 44100;
// "Звуки" and "Музыка" in code page 1251.
constexpr const char* kSoundSection = "\xC7\xE2\xF3\xEA\xE8";
constexpr const char* kMusicSection = "\xCC\xF3\xE7\xFB\xEA\xE0";

inline plat::ds::WaveFormat Pcm(std::uint16_t channels, std::uint16_t bits = 16, std::uint32_t rate = kRate)
{
    plat::ds::WaveFormat f;
    f.formatTag = plat::ds::WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

// frames x channels samples of a tone with some noise on it, about half
// amplitude; each channel its own frequency and a slow glide, so that no
// stretch repeats another. The noise keeps Ogg pages as short as real
// music's (a pure tone packs seconds into one page).
inline std::vector<std::int16_t> Tone(std::uint32_t frames, std::uint32_t channels, double hz = 440.0)
{
    std::vector<std::int16_t> s(static_cast<std::size_t>(frames) * channels);
    std::uint32_t noise = 12345;
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const double t = double(i) / kRate;
        for (std::uint32_t c = 0; c < channels; ++c)
        {
            noise = noise * 1664525u + 1013904223u;
            const double f = hz * (1.0 + 0.25 * c) * (1.0 + 0.2 * t);
            const double v = 12000.0 * std::sin(2.0 * M_PI * f * t) + double(noise >> 20) - 2048.0;
            s[i * channels + c] = static_cast<std::int16_t>(v);
        }
    }
    return s;
}

// A working directory of its own for each test; the logs go there too
// (the common data tree, which restores both afterwards).
class CTempDir : public testutil::CDataTree
{
public:
    CTempDir() : CDataTree() {}

    std::string Path(const std::string& name) const { return (CDataTree::Path() / name).string(); }
};

// A loopback device with its primary buffer (3-D listener, volume).
class CLoopback
{
public:
    CLoopback()
    {
        EXPECT_EQ(plat::ds::CreateLoopbackDevice(kRate, 2, &m_device), plat::ds::DS_OK);
        if (!m_device) return;
        m_device->SetCooperativeLevel(nullptr, plat::ds::DSSCL_PRIORITY);
        plat::ds::BufferDesc desc;
        desc.flags =
            plat::ds::DSBCAPS_PRIMARYBUFFER | plat::ds::DSBCAPS_CTRL3D | plat::ds::DSBCAPS_CTRLVOLUME;
        EXPECT_EQ(m_device->CreateSoundBuffer(&desc, &m_primary), plat::ds::DS_OK);
    }
    ~CLoopback()
    {
        if (m_primary) m_primary->Release();
        if (m_device) m_device->Release();
    }
    CLoopback(const CLoopback&) = delete;
    CLoopback& operator=(const CLoopback&) = delete;

    plat::ds::Device* Device() const { return m_device; }
    plat::ds::Buffer* Primary() const { return m_primary; }

    std::vector<float> Render(std::uint32_t frames)
    {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        EXPECT_EQ(m_device->RenderLoopback(out.data(), frames), plat::ds::DS_OK);
        return out;
    }

    struct SLevel
    {
        double left = 0.0;
        double right = 0.0;
    };
    static SLevel Rms(const std::vector<float>& s)
    {
        SLevel level;
        const std::size_t frames = s.size() / 2;
        if (frames == 0) return level;
        for (std::size_t i = 0; i < frames; ++i)
        {
            level.left += double(s[2 * i]) * s[2 * i];
            level.right += double(s[2 * i + 1]) * s[2 * i + 1];
        }
        level.left = std::sqrt(level.left / double(frames));
        level.right = std::sqrt(level.right / double(frames));
        return level;
    }

private:
    plat::ds::Device* m_device = nullptr;
    plat::ds::Buffer* m_primary = nullptr;
};

// An INI resource database in the working directory: the main file names
// one file per section; records are [name] with key=value lines.
struct SRecord
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> fields;
};

inline void WriteIniDatabase(const std::string& section, const std::vector<SRecord>& records)
{
    std::ofstream("db.ini", std::ios::app)
        << "[" << section << "]\nfilename=" << (section == kSoundSection ? "snd.ini" : "mus.ini") << "\n";
    std::ofstream out(section == kSoundSection ? "snd.ini" : "mus.ini");
    for (const SRecord& r : records)
    {
        out << "[" << r.name << "]\n";
        for (const auto& [k, v] : r.fields)
            out << k << "=" << v << "\n";
    }
}

inline bool OpenIniDatabase()
{
    return g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni);
}

} // namespace soundtest
