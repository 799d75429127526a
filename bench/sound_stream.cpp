// CPU cost of the sound per second of sound: one streamed music piece, 32
// playing 3-D sources moved every frame through the sound manager, and both
// together, mixed by a loopback device (the mixing is counted too). The
// "cpu_share" counter is process CPU seconds (all threads: the mixer, the
// music's notification thread, the loader) per second of sound.

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "platform/dsound/DSound.h"
#include "sound/SoundManager.h"
#include "sound/SoundMusic.h"
#include "sound/SoundWriters.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace
{

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrameMs = 20;
constexpr int kSources = 32;

std::vector<std::int16_t> Noise(std::uint32_t frames, std::uint32_t channels, double hz)
{
    std::vector<std::int16_t> s(static_cast<std::size_t>(frames) * channels);
    std::uint32_t noise = 99;
    for (std::size_t i = 0; i < s.size(); ++i)
    {
        noise = noise * 1664525u + 1013904223u;
        const double t = double(i / channels) / kRate;
        s[i] =
            static_cast<std::int16_t>(9000.0 * std::sin(6.2831853 * hz * t) + double(noise >> 19) - 4096.0);
    }
    return s;
}

// The data of one run: a temporary working directory with a sound table of
// four mono sounds and a looping music piece of 12 s.
class CScene
{
public:
    CScene(bool music, bool sources)
    {
        m_dir = std::filesystem::temp_directory_path() / "tvx_bench_sound";
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_previous = plat::GetCurrentDirectory();
        plat::SetCurrentDirectory(m_dir.c_str());
        plat::ds::CreateLoopbackDevice(kRate, 2, &m_device);
        plat::ds::BufferDesc desc;
        desc.flags =
            plat::ds::DSBCAPS_PRIMARYBUFFER | plat::ds::DSBCAPS_CTRL3D | plat::ds::DSBCAPS_CTRLVOLUME;
        m_device->CreateSoundBuffer(&desc, &m_primary);

        if (sources)
        {
            std::ofstream("db.ini") << "[\xC7\xE2\xF3\xEA\xE8]\nfilename=snd.ini\n";
            std::ofstream table("snd.ini");
            const plat::ds::WaveFormat mono{plat::ds::WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
            for (int k = 0; k < 4; ++k)
            {
                const std::vector<std::int16_t> s = Noise(kRate * 2, 1, 200.0 + 100.0 * k);
                const std::string file = "s" + std::to_string(k) + ".wav";
                WriteWaveFile(file.c_str(), mono, s.data(), static_cast<std::uint32_t>(s.size() * 2));
                table << "[SND_" << k << "]\nFILENAME=" << file << "\n3DSOUND=1\nMINDIST=2\nVOLUME=1.0\n";
            }
            table.close();
            g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni);
            m_sounds = std::make_unique<CSoundManager2>();
            m_sounds->InitSnd(m_device, m_primary);
            m_sounds->InitMngr("\xC7\xE2\xF3\xEA\xE8");
            m_sounds->SetLimitSoundSource(kSources);
            const float origin[3] = {0.0f, 0.0f, 0.0f};
            const float front[3] = {0.0f, 0.0f, 1.0f};
            const float top[3] = {0.0f, 1.0f, 0.0f};
            m_sounds->SetListener(origin, front, top);
            for (int k = 0; k < 4; ++k)
                m_sounds->GetResourceForce(k);
            for (int i = 0; i < kSources; ++i)
            {
                const float at[3] = {float(i % 8) - 4.0f, 0.0f, float(i / 8) + 1.0f};
                m_ids.push_back(m_sounds->AddSndSrc(i % 4, at));
                m_sounds->PlaySndSrc(m_ids.back(), true, false, false);
            }
        }
        if (music)
        {
            const std::vector<std::int16_t> piece = Noise(kRate * 12, 2, 330.0);
            WriteOggVorbisFile("music.ogg", 2, kRate, piece.data(), kRate * 12, 0.4f, 1);
            m_music = std::make_unique<CSoundMusicOGG>();
            m_music->SetDevice(m_device);
            m_music->SetFileName("music.ogg");
            m_music->Play(true, 0);
        }
    }

    ~CScene()
    {
        m_music.reset();
        m_sounds.reset();
        if (!m_ids.empty()) g_ResourceDB.Done();
        m_primary->Release();
        m_device->Release();
        plat::SetCurrentDirectory(m_previous.c_str());
        std::filesystem::remove_all(m_dir);
    }

    // One second of sound in frames of 20 ms.
    void Second()
    {
        std::vector<float> out(kRate * kFrameMs / 1000 * 2);
        for (std::uint32_t f = 0; f < 1000 / kFrameMs; ++f)
        {
            if (m_sounds)
            {
                ++m_nFrame;
                for (std::size_t i = 0; i < m_ids.size(); ++i)
                {
                    const float a = 0.01f * float(m_nFrame + i);
                    const float at[3] = {4.0f * std::cos(a), 0.0f, 4.0f * std::sin(a) + 1.0f};
                    m_sounds->SetPosSndSrc(m_ids[i], at);
                }
                m_sounds->ApplySettings();
            }
            m_device->RenderLoopback(out.data(), kRate * kFrameMs / 1000);
            m_nRendered += kRate * kFrameMs / 1000;
            WaitForRefill();
        }
    }

private:
    // The loopback device runs faster than real time: the notification
    // thread is given the time a real device would have given it.
    void WaitForRefill()
    {
        if (!m_music) return;
        const std::uint64_t blockFrames = CSoundMusic::kBlockSize / 4;
        const std::uint32_t wanted = static_cast<std::uint32_t>(2 + m_nRendered / blockFrames);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (m_music->GetBlocksWritten() < wanted && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }

    std::filesystem::path m_dir;
    std::string m_previous;
    plat::ds::Device* m_device = nullptr;
    plat::ds::Buffer* m_primary = nullptr;
    std::unique_ptr<CSoundManager2> m_sounds;
    std::unique_ptr<CSoundMusicOGG> m_music;
    std::vector<std::int32_t> m_ids;
    std::uint64_t m_nRendered = 0;
    std::uint32_t m_nFrame = 0;
};

void Run(benchmark::State& state, bool music, bool sources)
{
    CScene scene(music, sources);
    scene.Second(); // settle: loads, first blocks
    const std::clock_t start = std::clock();
    for (auto _ : state)
        scene.Second();
    const double cpu = double(std::clock() - start) / CLOCKS_PER_SEC;
    state.counters["cpu_share"] = cpu / double(state.iterations());
}

void BM_Music(benchmark::State& state)
{
    Run(state, true, false);
}
void BM_Sources32(benchmark::State& state)
{
    Run(state, false, true);
}
void BM_MusicAndSources32(benchmark::State& state)
{
    Run(state, true, true);
}

BENCHMARK(BM_Music)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(3.0);
BENCHMARK(BM_Sources32)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(3.0);
BENCHMARK(BM_MusicAndSources32)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
