// Reading every file of a pack of some 32 MB, against the same bytes read
// from loose files and against the bare LZO decompressor on the same blocks;
// and reading 10,000 entries of 256 bytes in random order from an LZO pack,
// against the same files loose.
//
// Targets: the stored pack at 0.8 or more of the loose files' speed, the
// LZO pack at 0.8 or more of the bare decompressor's. Compare the
// bytes_per_second of LooseFiles with PackStored, and of LzoDecompressOnly
// with PackLzo. Small entries: SmallPackLzo at 0.5 or more of
// SmallLooseFiles' items_per_second; its cache_bytes counter is the memory
// the reader's block cache holds. All files sit in the page cache after the
// first pass, so the comparison is of the readers, not of the disk.
#include "foundation/PakBuilder.h"
#include "foundation/PakFileSystem.h"
#include "platform/File.h"

#include <benchmark/benchmark.h>
#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int kFiles = 64;
constexpr std::size_t kFileSize = 512 * 1024;
// paktool's default. Each block costs one read of the pack file: at 64 KB
// that overhead alone keeps stored reads near 0.6 of the loose files' speed.
constexpr std::uint32_t kBlockSize = 256 * 1024;

// Text-like data: words drawn from a small vocabulary, which LZO packs to
// roughly a third, as it does the game's models and texts.
std::string MakeContent(unsigned seed)
{
    static const char* const kWords[] = {"glider ", "mechanoid ", "trade ", "cargo ",  "tunnel ",
                                         "0.125 ",  "42 ",        "\n",     "vertex ", "texture ",
                                         "-3.5 ",   "clan ",      "tower ", "ore "};
    std::mt19937 random(seed);
    std::string text;
    text.reserve(kFileSize + 16);
    while (text.size() < kFileSize)
        text += kWords[random() % (sizeof(kWords) / sizeof(kWords[0]))];
    text.resize(kFileSize);
    return text;
}

struct SFixture
{
    fs::path dir;
    std::vector<std::string> names; // entry names, also the loose files below dir
    CPakFileSystem stored;
    CPakFileSystem lzo;
    std::vector<std::vector<std::uint8_t>> lzoBlocks; // encoded blocks of the LZO pack

    SFixture()
    {
        dir = fs::temp_directory_path() / ("tvx_bench_pak_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir);
        fs::create_directories(dir / "stored");
        fs::create_directories(dir / "lzo");
        std::vector<std::string> paths;
        for (int i = 0; i < kFiles; ++i)
        {
            names.push_back("Data\\File" + std::to_string(i) + ".bin");
            paths.push_back((dir / names.back()).string());
            fs::create_directories(fs::path(plat::ResolvePath(paths.back().c_str())).parent_path());
            std::ofstream(plat::ResolvePath(paths.back().c_str()), std::ios::binary) << MakeContent(i);
        }
        std::vector<const char*> namePointers;
        std::vector<const char*> pathPointers;
        for (int i = 0; i < kFiles; ++i)
        {
            namePointers.push_back(names[i].c_str());
            pathPointers.push_back(paths[i].c_str());
        }
        CPackBuilder builder;
        const std::string storedPack = (dir / "stored" / "s.pak").string();
        const std::string lzoPack = (dir / "lzo" / "l.pak").string();
        if (!builder.Build(storedPack.c_str(), namePointers.data(), pathPointers.data(), kFiles, kBlockSize,
                           0, 0.0f, nullptr, nullptr) ||
            !builder.Build(lzoPack.c_str(), namePointers.data(), pathPointers.data(), kFiles, kBlockSize,
                           CPackCodec::kLzo, 0.0f, nullptr, nullptr))
            std::abort();
        stored.Mount((dir / "stored").c_str());
        lzo.Mount((dir / "lzo").c_str());

        ZREngine* reader = lzo.GetPack(0);
        std::FILE* file = plat::FOpen(lzoPack.c_str(), "rb");
        for (std::uint32_t b = 0; b < reader->GetBlockCount(); ++b)
        {
            std::uint32_t length = 0;
            std::fseek(file, static_cast<long>(reader->GetBlock(b).fileOffset), SEEK_SET);
            if (std::fread(&length, 4, 1, file) != 1) std::abort();
            lzoBlocks.emplace_back(length);
            if (std::fread(lzoBlocks.back().data(), length, 1, file) != 1) std::abort();
        }
        std::fclose(file);
        lzo_init();
    }
    ~SFixture() { fs::remove_all(dir); }
};

SFixture& Fixture()
{
    static SFixture fixture;
    return fixture;
}

void ReadPack(benchmark::State& state, CPakFileSystem& files)
{
    SFixture& f = Fixture();
    std::vector<std::uint8_t> buffer(kFileSize);
    for (auto _ : state)
    {
        for (const std::string& name : f.names)
        {
            CPakStream stream;
            if (!files.OpenStream(name.c_str(), stream) || !stream.IsInPak() ||
                stream.Read(buffer.data(), stream.GetLength()) == 0)
                state.SkipWithError("pack read failed");
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles * kFileSize);
}

void LooseFiles(benchmark::State& state)
{
    SFixture& f = Fixture();
    std::vector<std::uint8_t> buffer(kFileSize);
    for (auto _ : state)
    {
        for (const std::string& name : f.names)
        {
            std::FILE* file = plat::FOpen((f.dir.string() + "\\" + name).c_str(), "rb");
            if (!file || std::fread(buffer.data(), kFileSize, 1, file) != 1)
                state.SkipWithError("loose read failed");
            std::fclose(file);
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles * kFileSize);
}

void PackStored(benchmark::State& state)
{
    ReadPack(state, Fixture().stored);
}

void PackLzo(benchmark::State& state)
{
    ReadPack(state, Fixture().lzo);
}

void LzoDecompressOnly(benchmark::State& state)
{
    SFixture& f = Fixture();
    std::vector<std::uint8_t> block(kBlockSize);
    for (auto _ : state)
    {
        for (const std::vector<std::uint8_t>& encoded : f.lzoBlocks)
        {
            lzo_uint length = kBlockSize;
            if (lzo1x_decompress_safe(encoded.data(), encoded.size(), block.data(), &length, nullptr) !=
                LZO_E_OK)
                state.SkipWithError("decompression failed");
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * f.lzoBlocks.size() * kBlockSize);
}

constexpr int kSmallFiles = 10000;
constexpr std::size_t kSmallFileSize = 256;

struct SSmallFixture
{
    fs::path dir;
    std::vector<std::string> names; // entry names, also the loose files below dir
    std::vector<int> order;         // a random reading order
    CPakFileSystem lzo;

    SSmallFixture()
    {
        dir = fs::temp_directory_path() / ("tvx_bench_small_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir);
        fs::create_directories(dir / "Small");
        fs::create_directories(dir / "lzo");
        std::vector<std::string> paths;
        for (int i = 0; i < kSmallFiles; ++i)
        {
            names.push_back("Small\\E" + std::to_string(i) + ".bin");
            paths.push_back((dir / names.back()).string());
            std::ofstream(plat::ResolvePath(paths.back().c_str()), std::ios::binary)
                << MakeContent(i).substr(0, kSmallFileSize);
        }
        std::vector<const char*> namePointers;
        std::vector<const char*> pathPointers;
        for (int i = 0; i < kSmallFiles; ++i)
        {
            namePointers.push_back(names[i].c_str());
            pathPointers.push_back(paths[i].c_str());
        }
        CPackBuilder builder;
        const std::string pack = (dir / "lzo" / "small.pak").string();
        if (!builder.Build(pack.c_str(), namePointers.data(), pathPointers.data(), kSmallFiles, kBlockSize,
                           CPackCodec::kLzo, 0.0f, nullptr, nullptr))
            std::abort();
        lzo.Mount((dir / "lzo").c_str());
        order.resize(kSmallFiles);
        for (int i = 0; i < kSmallFiles; ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
    }
    ~SSmallFixture() { fs::remove_all(dir); }
};

SSmallFixture& SmallFixture()
{
    static SSmallFixture fixture;
    return fixture;
}

void SmallLooseFiles(benchmark::State& state)
{
    SSmallFixture& f = SmallFixture();
    char buffer[kSmallFileSize];
    for (auto _ : state)
    {
        for (int i : f.order)
        {
            std::FILE* file = plat::FOpen((f.dir.string() + "\\" + f.names[i]).c_str(), "rb");
            if (!file || std::fread(buffer, kSmallFileSize, 1, file) != 1)
                state.SkipWithError("loose read failed");
            if (file) std::fclose(file);
            benchmark::DoNotOptimize(buffer);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSmallFiles);
}

void SmallPackLzo(benchmark::State& state)
{
    SSmallFixture& f = SmallFixture();
    char buffer[kSmallFileSize];
    for (auto _ : state)
    {
        for (int i : f.order)
        {
            CPakStream stream;
            if (!f.lzo.OpenStream(f.names[i].c_str(), stream) || !stream.IsInPak() ||
                stream.Read(buffer, kSmallFileSize) == 0)
                state.SkipWithError("pack read failed");
            benchmark::DoNotOptimize(buffer);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSmallFiles);
    state.counters["cache_bytes"] = double(f.lzo.GetPack(0)->GetCacheBytes());
    state.counters["pack_blocks"] = double(f.lzo.GetPack(0)->GetBlockCount());
}

BENCHMARK(LooseFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(PackStored)->Unit(benchmark::kMillisecond);
BENCHMARK(LzoDecompressOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(PackLzo)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallLooseFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallPackLzo)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
