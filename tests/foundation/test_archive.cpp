// Keyed record archives written and read through the file manager.
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/PakBuilder.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <ostream>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

CGuidKey Key(const char* name, std::int32_t id = CGuidKey::kUnresolved)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    key.id = id;
    return key;
}

// A memory stream holding text (CMemStream cannot be copied or moved).
struct SStream
{
    explicit SStream(const std::string& text)
    {
        stream.Write(text.data(), static_cast<std::uint32_t>(text.size()));
    }
    CMemStream stream;
};

std::string Text(const CMemStream& stream, std::uint32_t length)
{
    return std::string(reinterpret_cast<const char*>(stream.m_pData), length);
}

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class Archive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tvx_arc_" + std::to_string(std::random_device{}()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        g_ErrorLog.SetDirectory(m_dir.c_str());
        SetFileManager(new StdFileManager());
        m_path = (m_dir / "game.sav").string();
    }
    void TearDown() override
    {
        SetFileManager(nullptr);
        g_ErrorLog.SetDirectory(plat::GetCurrentDirectory().c_str());
        fs::remove_all(m_dir);
    }

    // HEADER "first", EMPTY (0 bytes), PLAYER built piecewise (id 5),
    // HEADER again "second".
    void WriteSample()
    {
        FileArchive archive;
        ASSERT_TRUE(archive.Create(m_path.c_str()));
        ASSERT_TRUE(archive.WriteRecord(Key("HEADER"), SStream("first").stream));
        ASSERT_TRUE(archive.WriteRecord(Key("EMPTY"), CMemStream()));
        ASSERT_TRUE(archive.BeginRecord(Key("PLAYER", 5)));
        archive.WriteBytes("pla", 3);
        archive.WriteBytes("yer", 3);
        ASSERT_TRUE(archive.EndRecord());
        ASSERT_TRUE(archive.WriteRecord(Key("HEADER"), SStream("second").stream));
        archive.Close();
    }

    std::string ErrorLog() const
    {
        std::ifstream in(m_dir / "error.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(Archive, RecordsRoundTripByKey)
{
    WriteSample();
    FileArchive archive;
    ASSERT_TRUE(archive.Open(m_path.c_str()));
    ASSERT_EQ(archive.GetRecordCount(), 4u);
    EXPECT_EQ(archive.GetEntry(1).size, 4u);
    EXPECT_EQ(archive.GetEntry(0).offset, 8u + 48u);

    CMemStream out;
    ASSERT_TRUE(archive.ReadRecord(Key("HEADER"), out));
    EXPECT_EQ(out.m_nPosition, 0u);
    EXPECT_EQ(Text(out, 5), "first"); // the earliest of duplicates
    ASSERT_TRUE(archive.ReadRecord(Key("EMPTY"), out));

    ASSERT_TRUE(archive.BeginRecord(Key("PLAYER")));
    char text[7] = {};
    EXPECT_EQ(archive.ReadBytes(text, 6), 6u);
    EXPECT_STREQ(text, "player");
    EXPECT_TRUE(archive.EndRecord());

    EXPECT_FALSE(archive.HasRecord(Key("MISSING")));
    out.m_nPosition = 3;
    EXPECT_FALSE(archive.ReadRecord(Key("MISSING"), out));
    EXPECT_EQ(out.m_nPosition, 0u);
    archive.Close();
}

TEST_F(Archive, ResolvedKeysMatchByIdUnresolvedByName)
{
    WriteSample();
    FileArchive archive;
    ASSERT_TRUE(archive.Open(m_path.c_str()));
    EXPECT_TRUE(archive.HasRecord(Key("OTHER NAME", 5))); // PLAYER was written with id 5
    EXPECT_TRUE(archive.HasRecord(Key("PLAYER")));        // unresolved: by name
    EXPECT_FALSE(archive.HasRecord(Key("PLAYER", 6)));    // both resolved, ids differ
    archive.Close();
}

TEST_F(Archive, CreateStartsAnEmptyFileAndAHeaderAloneOpensEmpty)
{
    WriteSample();
    FileArchive archive;
    ASSERT_TRUE(archive.Create(m_path.c_str()));
    archive.Close();
    EXPECT_EQ(fs::file_size(m_path), 8u); // the old, longer file is gone
    ASSERT_TRUE(archive.Open(m_path.c_str()));
    EXPECT_EQ(archive.GetRecordCount(), 0u);
    archive.Close();
}

TEST_F(Archive, AnArchiveInsideAPackIsScannedToItsEnd)
{
    WriteSample();
    const std::string pack = (m_dir / "Data" / "saves.pak").string();
    fs::create_directories(m_dir / "Data");
    const char* names[] = {"Saves\\game.sav"};
    const char* paths[] = {m_path.c_str()};
    CPackBuilder builder;
    ASSERT_TRUE(builder.Build(pack.c_str(), names, paths, 1, 32, 0x05, 0.0f, nullptr, nullptr));
    auto* manager = new CPakFileManager();
    SetFileManager(manager);
    manager->SetDirectory((m_dir / "Data").c_str());

    FileArchive archive;
    ASSERT_TRUE(archive.Open("Saves\\game.sav"));
    EXPECT_EQ(archive.GetRecordCount(), 4u);
    CMemStream out;
    ASSERT_TRUE(archive.ReadRecord(Key("HEADER"), out));
    EXPECT_EQ(Text(out, 5), "first");
    archive.Close();
}

TEST_F(Archive, ReadingPastARecordGivesZerosAndAnErrorLine)
{
    WriteSample();
    FileArchive archive;
    ASSERT_TRUE(archive.Open(m_path.c_str()));
    ASSERT_TRUE(archive.BeginRecord(Key("PLAYER")));
    char text[10];
    std::memset(text, 'x', sizeof(text));
    EXPECT_EQ(archive.ReadBytes(text, 10), 6u);
    EXPECT_EQ(std::string(text, 10), std::string("player") + std::string(4, '\0'));
    EXPECT_NE(ErrorLog().find("record 'PLAYER': read of 10 bytes at 0 passes the end of its 6 bytes"),
              std::string::npos)
        << ErrorLog();
    archive.Close();
}

// --- damaged archives ----------------------------------------------------------

struct SCorruptArchive
{
    const char* name;
    void (*damage)(Bytes& file);
    bool opens;
    std::uint32_t records; // listed after the scan
    const char* message;
};

// Test names show the case, not the bytes of the parameter.
void PrintTo(const SCorruptArchive& c, std::ostream* os)
{
    *os << c.name;
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

// The sample: header 8; HEADER at 8 (48 + 4 + 5); EMPTY at 65; PLAYER at 117.
const SCorruptArchive kCorruptArchives[] = {
    {"truncatedHeader", [](Bytes& f) { f.resize(5); }, false, 0, "header truncated"},
    {"badMagic", [](Bytes& f) { f[3] = 'B'; }, false, 0, "bad magic \"TVXB\""},
    {"newerVersion", [](Bytes& f) { PutU32(f, 4, 258); }, false, 0, "version 258 is newer"},
    {"cutInsideData", [](Bytes& f) { f.resize(117 + 48 + 2); }, true, 3, "run past the end of the file"},
    {"sizeBelowPrefix", [](Bytes& f) { PutU32(f, 65 + 36, 3); }, true, 1,
     "size smaller than its length prefix"},
    {"offsetMismatch", [](Bytes& f) { PutU32(f, 65 + 40, 7); }, true, 1, "offset field does not point"},
    {"nameNotTerminated", [](Bytes& f) { std::memset(f.data() + 117, 'N', 32); }, true, 2,
     "name not terminated"},
    {"hugeSize", [](Bytes& f) { PutU32(f, 8 + 36, 0xFFFFFFF0); }, true, 1, "run past the end of the file"},
    {"trailingBytes",
     [](Bytes& f) {
         f.insert(f.end(), {1, 2, 3});
     },
     true, 4, "too short for a record header"},
};

class ArchiveCorrupt : public Archive, public ::testing::WithParamInterface<SCorruptArchive>
{
};

TEST_P(ArchiveCorrupt, RefusesWithOneErrorLine)
{
    WriteSample();
    Bytes bytes = ReadBytes(m_path);
    GetParam().damage(bytes);
    WriteBytes(m_path, bytes);
    FileArchive archive;
    EXPECT_EQ(archive.Open(m_path.c_str()), GetParam().opens);
    EXPECT_EQ(archive.GetRecordCount(), GetParam().records);
    // Whatever was listed past the damage cannot be read.
    CMemStream out;
    for (std::uint32_t i = 0; i < archive.GetRecordCount(); ++i)
    {
        const CGuidKey key = archive.GetEntry(i).key;
        std::uint32_t first = 0;
        while (!(archive.GetEntry(first).key == key))
            ++first;
        const SArchiveEntry& found = archive.GetEntry(first);
        const bool whole = std::uint64_t{found.offset} + found.size <= bytes.size();
        EXPECT_EQ(archive.ReadRecord(key, out), whole) << key.name;
    }
    archive.Close();
    EXPECT_NE(ErrorLog().find(GetParam().message), std::string::npos) << ErrorLog();
    EXPECT_NE(ErrorLog().find("game.sav"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveCorrupt, ::testing::ValuesIn(kCorruptArchives),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Archive, ALengthPrefixThatDisagreesWithItsHeaderIsRefused)
{
    WriteSample();
    Bytes bytes = ReadBytes(m_path);
    PutU32(bytes, 8 + 48, 4); // HEADER's prefix says 4, its header 5
    WriteBytes(m_path, bytes);
    FileArchive archive;
    ASSERT_TRUE(archive.Open(m_path.c_str()));
    CMemStream out;
    EXPECT_FALSE(archive.ReadRecord(Key("HEADER"), out));
    EXPECT_TRUE(archive.ReadRecord(Key("EMPTY"), out));
    archive.Close();
    EXPECT_NE(ErrorLog().find("length prefix 4 differs from the header's 5"), std::string::npos)
        << ErrorLog();
}

} // namespace
