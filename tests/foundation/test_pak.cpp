// Pack files: builder, reader, mounting and the pack-aware file system,
// with packs built here by the builder.
#include "foundation/ErrorLog.h"
#include "foundation/PakBuilder.h"
#include "foundation/PakFileSystem.h"
#include "foundation/PakReader.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(n);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct SSource
{
    std::string name;
    Bytes content;
};

class PakTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tvx_pak_" + std::to_string(std::random_device{}()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        g_ErrorLog.SetDirectory(m_dir.c_str());
        SetPakBaseDirectory("");
    }
    void TearDown() override
    {
        GetPakFileSystem().Unmount();
        SetPakBaseDirectory("");
        g_ErrorLog.SetDirectory(plat::GetCurrentDirectory().c_str());
        fs::remove_all(m_dir);
    }

    // Writes the sources and packs them; the pack's path.
    std::string Build(const std::string& pack, const std::vector<SSource>& sources,
                      std::uint32_t blockSize = 64, std::uint32_t mask = 0x05,
                      SPackStatistics* stats = nullptr)
    {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < sources.size(); ++i)
        {
            paths.push_back((m_dir / "src" / (pack + std::to_string(i))).string());
            WriteFile(paths.back(), sources[i].content);
        }
        std::vector<const char*> names;
        std::vector<const char*> files;
        for (std::size_t i = 0; i < sources.size(); ++i)
        {
            names.push_back(sources[i].name.c_str());
            files.push_back(paths[i].c_str());
        }
        const std::string packPath = (m_dir / pack).string();
        fs::create_directories(fs::path(packPath).parent_path());
        CPackBuilder builder;
        EXPECT_TRUE(builder.Build(packPath.c_str(), names.data(), files.data(),
                                  static_cast<std::uint32_t>(sources.size()), blockSize, mask, 0.0f, nullptr,
                                  stats))
            << builder.GetLastError();
        return packPath;
    }

    std::string ErrorLog() const
    {
        std::ifstream in(m_dir / "error.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static Bytes ReadEntry(ZREngine& reader, const char* name)
    {
        const int entry = reader.FindFile(name);
        EXPECT_GE(entry, 0) << name;
        if (entry < 0) return {};
        Bytes bytes(reader.GetEntry(entry).size);
        EXPECT_EQ(reader.ReadAt(entry, 0, bytes.data(), static_cast<std::uint32_t>(bytes.size()), true),
                  bytes.size());
        return bytes;
    }

    fs::path m_dir;
};

// Random bytes stay stored, zeros and text compress: entries cross stored
// and compressed blocks in both directions.
std::vector<SSource> MixedSources()
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "line " + std::to_string(i % 3) + " of the sample text\n";
    return {
        {"a.bin", RandomBytes(100, 1)}, {"Data\\zeros.bin", Bytes(200, 0)}, {"empty", {}},
        {"Data\\Text.txt", Text(text)}, {"tail.bin", RandomBytes(37, 2)},
    };
}

TEST_F(PakTest, EntriesReadBackAcrossStoredAndCompressedBlocks)
{
    const std::vector<SSource> sources = MixedSources();
    SPackStatistics stats;
    const std::string pack = Build("mixed.pak", sources, 64, 0x05, &stats);

    ZREngine reader;
    ASSERT_TRUE(reader.Init(pack.c_str()));
    ASSERT_EQ(reader.GetFileCount(), 5);
    std::uint32_t total = 0;
    for (const SSource& s : sources)
    {
        EXPECT_EQ(ReadEntry(reader, s.name.c_str()), s.content) << s.name;
        total += static_cast<std::uint32_t>(s.content.size());
    }
    EXPECT_EQ(stats.totalSize, total);
    EXPECT_EQ(stats.blocks, (total + 63) / 64);
    EXPECT_EQ(reader.GetBlockCount(), stats.blocks);

    bool stored = false;
    bool compressed = false;
    for (std::uint32_t b = 0; b < reader.GetBlockCount(); ++b)
        (reader.GetBlock(b).method == 0 ? stored : compressed) = true;
    EXPECT_TRUE(stored && compressed);
    EXPECT_EQ(stats.lzoBlocks + stats.rle16Blocks + stats.incompressibleBlocks, stats.blocks);

    // Lookups ignore case and slash direction; names are kept as stored.
    EXPECT_EQ(reader.FindFile("data/TEXT.TXT"), 3);
    EXPECT_STREQ(reader.GetEntry(3).name, "Data\\Text.txt");
    EXPECT_EQ(reader.GetFileSize("nothing"), -1);
}

TEST_F(PakTest, ReadBytesStopsAtTheEntryEndWhileReadFileRunsOn)
{
    const std::vector<SSource> sources = MixedSources();
    ZREngine reader;
    ASSERT_TRUE(reader.Init(Build("mixed.pak", sources).c_str()));

    ASSERT_TRUE(reader.OpenFile("a.bin"));
    reader.m_nReadPosition = 90;
    Bytes buffer(20);
    EXPECT_EQ(reader.ReadBytes(buffer.data(), 20), 10u);
    EXPECT_EQ(reader.ReadBytes(buffer.data(), 20), 0u);

    reader.m_nReadPosition = 90;
    EXPECT_EQ(reader.ReadFile(buffer.data(), 20), 20u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 10, sources[0].content.begin() + 90));
    EXPECT_EQ(Bytes(buffer.begin() + 10, buffer.end()), Bytes(10, 0)); // start of zeros.bin
    EXPECT_EQ(reader.m_nReadPosition, 110u);

    // ReadFile is bounded by the last block: 100+200+0+text+37 bytes, the
    // rest of the last block reads as the zeros the builder wrote.
    ASSERT_TRUE(reader.OpenFile("tail.bin"));
    const std::uint64_t start = reader.GetEntry(4).offset;
    Bytes rest(1000);
    EXPECT_EQ(reader.ReadFile(rest.data(), 1000), reader.GetStreamSize() - start);
    EXPECT_EQ(reader.ReadFile(rest.data(), 1), 0u);

    // ReadWholeFile leaves the selected entry's position alone.
    Bytes whole(100);
    const std::uint32_t position = reader.m_nReadPosition;
    EXPECT_TRUE(reader.ReadWholeFile("A.BIN", whole.data()));
    EXPECT_EQ(whole, sources[0].content);
    EXPECT_EQ(reader.m_nReadPosition, position);
}

TEST_F(PakTest, AnExactMultipleOfTheBlockSizeGivesFullBlocksOnly)
{
    SPackStatistics stats;
    const std::string pack =
        Build("exact.pak", {{"x", RandomBytes(100, 3)}, {"y", RandomBytes(92, 4)}}, 64, 0x05, &stats);
    EXPECT_EQ(stats.blocks, 3u);
    ZREngine reader;
    ASSERT_TRUE(reader.Init(pack.c_str()));
    EXPECT_EQ(reader.GetBlockCount(), 3u);
    EXPECT_EQ(reader.GetStreamSize(), 192u);
    EXPECT_EQ(ReadEntry(reader, "y"), RandomBytes(92, 4));
}

TEST_F(PakTest, CancelStopsTheBuildAndDeletesThePack)
{
    const std::string source = (m_dir / "big").string();
    WriteFile(source, RandomBytes(64 * 20, 5));
    const char* names[] = {"big"};
    const char* paths[] = {source.c_str()};
    const std::string pack = (m_dir / "cancel.pak").string();
    CPackBuilder builder;
    int calls = 0;
    const bool built = builder.Build(
        pack.c_str(), names, paths, 1, 64, 0x05, 0.0f,
        [&](const char*, float percent)
        {
            EXPECT_LT(percent, 100.0f);
            if (++calls == 5) builder.m_bCancel = true;
        },
        nullptr);
    EXPECT_FALSE(built);
    EXPECT_EQ(calls, 5);
    EXPECT_FALSE(fs::exists(pack));
}

TEST_F(PakTest, BuilderRefusesWhatTheFormatCannotHold)
{
    const std::string source = (m_dir / "s").string();
    WriteFile(source, Text("x"));
    const std::string longName(80, 'n');
    const char* names[] = {longName.c_str()};
    const char* paths[] = {source.c_str()};
    CPackBuilder builder;
    EXPECT_FALSE(builder.Build((m_dir / "p.pak").c_str(), names, paths, 1, 64, 0x05, 0.0f, nullptr, nullptr));
    EXPECT_NE(builder.GetLastError().find("longer than 79"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "p.pak"));
}

TEST_F(PakTest, SpeedModeKeepsBlocksStoredBelowTheThreshold)
{
    const std::string source = (m_dir / "z").string();
    WriteFile(source, Bytes(256, 0));
    const char* names[] = {"z"};
    const char* paths[] = {source.c_str()};
    CPackBuilder builder;
    SPackStatistics stats;
    ASSERT_TRUE(builder.Build((m_dir / "speed.pak").c_str(), names, paths, 1, 64,
                              0x05 | CPackBuilder::kSpeedMode, 1e30f, nullptr, &stats));
    EXPECT_EQ(stats.storedForSpeedBlocks, 4u);
    ZREngine reader;
    ASSERT_TRUE(reader.Init((m_dir / "speed.pak").c_str()));
    EXPECT_EQ(ReadEntry(reader, "z"), Bytes(256, 0));
}

TEST_F(PakTest, TheNewestPackWinsAndEqualTimesKeepTheListingOrder)
{
    const fs::path data = m_dir / "Data";
    fs::create_directories(data);
    const std::string a = Build("Data/a.pak", {{"SAME.TXT", Text("from a")}});
    const std::string b = Build("Data/b.pak", {{"same.txt", Text("from b")}});
    auto read = [&]
    {
        CPakStream stream;
        EXPECT_TRUE(GetPakFileSystem().OpenStream("Same.txt", stream));
        char text[7] = {};
        EXPECT_NE(stream.Read(text, 6), 0u);
        return std::string(text);
    };
    const plat::FileTime older = plat::UnixTimeToFileTime(1577836800, 0); // 2020
    const plat::FileTime newer = plat::UnixTimeToFileTime(1609459200, 0); // 2021

    ASSERT_TRUE(plat::SetFileTime(a.c_str(), older) && plat::SetFileTime(b.c_str(), newer));
    EXPECT_EQ(GetPakFileSystem().Mount(data.c_str()), 2);
    EXPECT_EQ(read(), "from b");

    ASSERT_TRUE(plat::SetFileTime(a.c_str(), newer) && plat::SetFileTime(b.c_str(), older));
    GetPakFileSystem().Mount(data.c_str());
    EXPECT_EQ(read(), "from a");

    ASSERT_TRUE(plat::SetFileTime(b.c_str(), newer));
    GetPakFileSystem().Mount(data.c_str());
    EXPECT_EQ(read(), "from a");
}

TEST_F(PakTest, PacksComeBeforeTheDiskAndTheBaseDirectoryIsDropped)
{
    const fs::path data = m_dir / "Data";
    WriteFile(data / "shared.txt", Text("from disk"));
    WriteFile(data / "loose.txt", Text("loose"));
    Build("Data/x.pak", {{"Data\\shared.txt", Text("from pack")}});
    const std::string base = m_dir.string() + "\\";
    SetPakBaseDirectory(base.c_str());
    // Another directory with no packs: nothing mounted, everything from disk.
    EXPECT_EQ(GetPakFileSystem().Mount((m_dir / "src").c_str()), 0);
    CPakFileSystem& files = GetPakFileSystem();
    char text[10] = {};
    ASSERT_TRUE(files.Open((base + "Data\\shared.txt").c_str()));
    EXPECT_EQ(files.Read(text, 9), 1u); // a disk read returns its item count
    EXPECT_STREQ(text, "from disk");
    files.Close();

    EXPECT_EQ(files.Mount(data.c_str()), 1);
    std::memset(text, 0, sizeof(text));
    ASSERT_TRUE(files.Open((base + "Data\\shared.txt").c_str()));
    EXPECT_EQ(files.GetLength(), 9u);
    EXPECT_EQ(files.Read(text, 9), 9u); // a pack read returns the size
    EXPECT_STREQ(text, "from pack");
    ASSERT_TRUE(files.Open((base + "Data\\loose.txt").c_str()));
    EXPECT_EQ(files.ReadBytes(text, 9), 5u);
    files.Close();
    EXPECT_FALSE(files.Open((base + "Data\\missing.txt").c_str()));
}

TEST_F(PakTest, CloseGivesUpOnlyTheDiskFile)
{
    const fs::path data = m_dir / "Data";
    WriteFile(data / "loose.txt", Text("loose"));
    Build("Data/c.pak", {{"Data\\packed.txt", Text("packed")}});
    const std::string base = m_dir.string() + "\\";
    SetPakBaseDirectory(base.c_str());
    CPakFileSystem& files = GetPakFileSystem();
    ASSERT_EQ(files.Mount(data.c_str()), 1);
    char text[10] = {};
    ASSERT_TRUE(files.Open((base + "Data\\packed.txt").c_str()));
    EXPECT_EQ(files.Read(text, 3), 3u);
    files.Close(); // no disk file: the pack entry stays selected
    EXPECT_EQ(files.Read(text + 3, 3), 3u);
    EXPECT_STREQ(text, "packed");

    ASSERT_TRUE(files.Open((base + "Data\\loose.txt").c_str()));
    ASSERT_NE(files.GetCurrent().m_pFile, nullptr);
    files.Close();
    EXPECT_EQ(files.GetCurrent().m_pFile, nullptr);
    files.Close(); // a second Close changes nothing
    EXPECT_EQ(files.GetCurrent().m_pFile, nullptr);
}

TEST_F(PakTest, StreamsKeepTheirOwnEntryAndPositionAndSeekLikeFiles)
{
    const std::vector<SSource> sources = MixedSources();
    Build("Data/m.pak", sources);
    GetPakFileSystem().Mount((m_dir / "Data").c_str());
    CPakStream first;
    CPakStream second;
    ASSERT_TRUE(GetPakFileSystem().OpenStream("a.bin", first));
    ASSERT_TRUE(GetPakFileSystem().OpenStream("tail.bin", second));
    Bytes a(10);
    Bytes b(10);
    ASSERT_EQ(first.Read(a.data(), 10), 10u);
    ASSERT_EQ(second.Read(b.data(), 10), 10u);
    ASSERT_EQ(first.Read(a.data(), 10), 10u);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), sources[0].content.begin() + 10));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), sources[4].content.begin()));

    // Seeking from the end counts back from the entry's end, as on disk.
    second.Seek(-7, 2);
    EXPECT_EQ(second.Tell(), 30u);
    EXPECT_FALSE(second.IsEOF());
    EXPECT_EQ(second.ReadBytes(b.data(), 10), 7u);
    EXPECT_TRUE(second.IsEOF());
    second.Seek(-100, 1);
    EXPECT_EQ(second.Tell(), 0u);
    // A full read cut short (the stream's end) reports failure.
    second.Seek(36, 0);
    Bytes big(4096);
    EXPECT_EQ(second.Read(big.data(), 4096), 0u);
}

TEST_F(PakTest, ThreadsReadOneReaderConcurrently)
{
    std::vector<SSource> sources;
    for (int i = 0; i < 6; ++i)
    {
        Bytes content = RandomBytes(700 + 97 * i, 10 + i);
        std::fill(content.begin() + 100, content.begin() + 400, static_cast<std::uint8_t>(i));
        sources.push_back({"f" + std::to_string(i), content});
    }
    ZREngine reader;
    ASSERT_TRUE(reader.Init(Build("t.pak", sources, 64, 0x05).c_str()));
    std::vector<std::thread> threads;
    std::vector<int> failures(sources.size(), 0);
    for (std::size_t t = 0; t < sources.size(); ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                const int entry = reader.FindFile(sources[t].name.c_str());
                for (int round = 0; round < 50; ++round)
                {
                    Bytes got;
                    for (std::uint32_t at = 0; at < sources[t].content.size(); at += 13)
                    {
                        std::uint8_t chunk[13];
                        const std::uint32_t n = reader.ReadAt(entry, at, chunk, 13, true);
                        got.insert(got.end(), chunk, chunk + n);
                    }
                    failures[t] += got != sources[t].content;
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(sources.size(), 0));
}

TEST_F(PakTest, ExtractionWritesEveryEntryAndRefusesNamesLeavingTheDestination)
{
    const std::vector<SSource> sources = MixedSources();
    const std::string pack = Build("mixed.pak", sources);
    CPackBuilder builder;
    const fs::path out = m_dir / "out";
    EXPECT_EQ(builder.ExtractAll(pack.c_str(), out.c_str(), nullptr), 5u);
    EXPECT_EQ(ReadFile(out / "Data" / "Text.txt"), sources[3].content);
    EXPECT_EQ(ReadFile(out / "empty"), Bytes{});

    const char* names[] = {"a.bin", "missing"};
    EXPECT_EQ(builder.Extract(pack.c_str(), (m_dir / "two").c_str(), names, 2, nullptr), 1u);
    EXPECT_EQ(ReadFile(m_dir / "two" / "a.bin"), sources[0].content);

    const std::string evil = Build("evil.pak", {{"..\\escaped.txt", Text("x")}, {"/abs.txt", Text("y")}});
    EXPECT_EQ(builder.ExtractAll(evil.c_str(), out.c_str(), nullptr), 0u);
    EXPECT_FALSE(fs::exists(m_dir / "escaped.txt"));
    EXPECT_NE(builder.GetLastError().find("outside"), std::string::npos);
}

// --- damaged packs ----------------------------------------------------------

// Offsets in a pack of one 128-byte entry with 64-byte blocks.
constexpr std::size_t kFiles = 6;
constexpr std::size_t kBlocks = 10;
constexpr std::size_t kBlockSize = 14;
constexpr std::size_t kEntry0 = 22;
constexpr std::size_t kBlockTable = 22 + 88;

struct SCorruptPack
{
    const char* name;
    void (*damage)(Bytes& pack);
    const char* message;
};

// Test names show the case, not the bytes of the parameter.
void PrintTo(const SCorruptPack& c, std::ostream* os)
{
    *os << c.name;
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

const SCorruptPack kCorruptPacks[] = {
    {"truncatedHeader", [](Bytes& p) { p.resize(10); }, "header truncated"},
    {"badMagic", [](Bytes& p) { p[0] = 'X'; }, "bad magic"},
    {"fileCountOverflow", [](Bytes& p) { PutU32(p, kFiles, 0x7FFFFFFF); }, "the file has"},
    {"blockCountOverflow", [](Bytes& p) { PutU32(p, kBlocks, 0xFFFFFFFF); }, "the file has"},
    {"blockSizeZero", [](Bytes& p) { PutU32(p, kBlockSize, 0); }, "block size 0 out of range"},
    {"blockSizeHuge", [](Bytes& p) { PutU32(p, kBlockSize, 0x40000000); }, "out of range"},
    {"entryPastStream", [](Bytes& p) { PutU32(p, kEntry0 + 84, 0xFFFFFF00); }, "past the unpacked stream"},
    {"nameNotTerminated", [](Bytes& p) { std::memset(p.data() + kEntry0, 'A', 80); }, "name not terminated"},
    {"blockRecordPastEnd", [](Bytes& p) { PutU32(p, kBlockTable + 8, 0xFFFFFFF0); },
     "past the end of the file"},
};

class PakCorrupt : public PakTest, public ::testing::WithParamInterface<SCorruptPack>
{
};

TEST_P(PakCorrupt, InitRefusesWithOneErrorLine)
{
    const std::string pack = Build("good.pak", {{"one", RandomBytes(128, 9)}});
    Bytes bytes = ReadFile(pack);
    GetParam().damage(bytes);
    WriteFile(pack, bytes);
    ZREngine reader;
    EXPECT_FALSE(reader.Init(pack.c_str()));
    EXPECT_EQ(reader.GetFileCount(), 0);
    EXPECT_EQ(reader.FindFile("one"), -1);
    const std::string log = ErrorLog();
    EXPECT_NE(log.find(GetParam().message), std::string::npos) << log;
    EXPECT_NE(log.find("good.pak"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Cases, PakCorrupt, ::testing::ValuesIn(kCorruptPacks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PakTest, StreamsNameTheirPathAndPack)
{
    const std::string pack = Build("Data/named.pak", {{"Models\\box.mdl", Text("box")}});
    WriteFile((m_dir / "loose.txt").string(), Text("loose"));
    ASSERT_EQ(GetPakFileSystem().Mount((m_dir / "Data").c_str()), 1);
    CPakStream stream;
    ASSERT_TRUE(GetPakFileSystem().OpenStream("models\\BOX.mdl", stream));
    EXPECT_EQ(std::string(stream.GetEntryName()),
              "models\\BOX.mdl (pack " + (m_dir / "Data").string() + "\\named.pak)");
    const std::string loose = (m_dir / "loose.txt").string();
    ASSERT_TRUE(GetPakFileSystem().OpenStream(loose.c_str(), stream));
    EXPECT_EQ(std::string(stream.GetEntryName()), loose);
}

// Small reads scattered over a pack decode a block once while it stays in
// the cache; the cache keeps the most recently used blocks and no more.
TEST_F(PakTest, ScatteredReadsGoThroughABoundedBlockCache)
{
    std::string text;
    for (int i = 0; i < 200; ++i) text += "entry " + std::to_string(i * 7919 % 1000) + ";";
    const Bytes content = Text(text);
    const std::string pack = Build("cache.pak", {{"text", content}}, 64, 0x01);
    ZREngine reader;
    ASSERT_TRUE(reader.Init(pack.c_str()));
    EXPECT_EQ(reader.GetCacheCapacity(), ZREngine::kCacheBytes / 64);
    reader.SetCacheCapacity(3);
    std::mt19937 random(5);
    for (int i = 0; i < 500; ++i)
    {
        const std::uint32_t at = random() % (content.size() - 20), size = 1 + random() % 20;
        Bytes out(size);
        ASSERT_EQ(reader.ReadAt(0, at, out.data(), size, true), size);
        ASSERT_TRUE(std::equal(out.begin(), out.end(), content.begin() + at)) << at;
    }
    EXPECT_EQ(reader.GetCacheBytes(), 3u * (64 + 4));
    // A damaged block in the cache's way: read short, and the blocks read
    // before it still come from the cache.
    EXPECT_TRUE(reader.LoadBlock(0));
    EXPECT_FALSE(reader.LoadBlock(std::int32_t(reader.GetBlockCount())));
    Bytes first(10);
    EXPECT_EQ(reader.ReadAt(0, 0, first.data(), 10, true), 10u);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), content.begin()));
}

TEST_F(PakTest, DamagedBlocksEndTheReadShortWithAnErrorLine)
{
    // Block 0 random (stored), block 1 zeros (LZO).
    Bytes content = RandomBytes(64, 11);
    content.resize(128, 0);
    const std::string pack = Build("blocks.pak", {{"one", content}}, 64, 0x01);
    ZREngine probe;
    ASSERT_TRUE(probe.Init(pack.c_str()));
    ASSERT_EQ(probe.GetBlock(0).method, 0u);
    ASSERT_EQ(probe.GetBlock(1).method, 1u);
    const std::uint32_t stored = probe.GetBlock(0).fileOffset;
    const std::uint32_t lzo = probe.GetBlock(1).fileOffset;
    probe.Free();
    const Bytes good = ReadFile(pack);

    struct SCase
    {
        const char* name;
        void (*damage)(Bytes&, std::uint32_t stored, std::uint32_t lzo);
        std::uint32_t expect; // bytes delivered before the damage
        const char* message;
    };
    const SCase cases[] = {
        {"stored byte flipped", [](Bytes& p, std::uint32_t s, std::uint32_t) { p[s + 4 + 10] ^= 0x40; }, 0,
         "checksum"},
        {"stored length too long", [](Bytes& p, std::uint32_t s, std::uint32_t) { PutU32(p, s, 65); }, 0,
         "exceeds the block size"},
        {"record past the end", [](Bytes& p, std::uint32_t, std::uint32_t l) { PutU32(p, l, 0x00FFFFFF); },
         64, "runs past the end of the file"},
        {"lzo data damaged",
         [](Bytes& p, std::uint32_t, std::uint32_t l)
         {
             p[l + 4] = 0xFF;
             p[l + 5] = 0xFF;
         },
         64, "block 1 (record at offset"},
    };
    for (const SCase& c : cases)
    {
        Bytes bytes = good;
        c.damage(bytes, stored, lzo);
        WriteFile(pack, bytes);
        ZREngine reader;
        ASSERT_TRUE(reader.Init(pack.c_str())) << c.name;
        reader.m_bVerifyStored = true;
        Bytes out(128);
        EXPECT_EQ(reader.ReadAt(0, 0, out.data(), 128, true), c.expect) << c.name;
        const std::string log = ErrorLog();
        EXPECT_NE(log.find(c.message), std::string::npos) << c.name << "\n" << log;
        // The line names the pack and the file of it that is damaged.
        EXPECT_NE(log.find("Pack file '" + pack + "': file 'one' is damaged: block"), std::string::npos)
            << c.name << "\n" << log;
    }

    // Without the check a stored block reads like a loose file; extraction
    // always checks.
    Bytes bytes = good;
    bytes[stored + 4 + 10] ^= 0x40;
    WriteFile(pack, bytes);
    ZREngine reader;
    ASSERT_TRUE(reader.Init(pack.c_str()));
    Bytes out(128);
    EXPECT_EQ(reader.ReadAt(0, 0, out.data(), 128, true), 128u);
    CPackBuilder builder;
    EXPECT_EQ(builder.ExtractAll(pack.c_str(), (m_dir / "out").c_str(), nullptr), 0u);
}

} // namespace
