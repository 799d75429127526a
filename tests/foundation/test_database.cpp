// The table database: fields through Post and Get, names, the lock-file
// protocol and damaged files.
#include "foundation/DataBase.h"
#include "foundation/ErrorLog.h"
#include "platform/CodePage.h"
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

void PutU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

std::string Cp1251(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}

class DataBaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tvx_db_" + std::to_string(std::random_device{}()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        g_ErrorLog.SetDirectory(m_dir.c_str());
        m_path = (m_dir / "DB.dat").string();
    }
    void TearDown() override
    {
        g_ErrorLog.SetDirectory(plat::GetCurrentDirectory().c_str());
        fs::remove_all(m_dir);
    }

    // A database in the test directory with no waiting and no backups.
    void Open(DataBase& db, bool create)
    {
        db.m_fnSleep = [this](std::uint32_t) { ++m_nSleeps; };
        db.m_fnRandom = [] { return 1; };
        ASSERT_TRUE(db.OpenDatabase(m_path.c_str(), create, false));
    }

    // Table "Items" with one record "Sword" {Price 120, Weight 2.5, Name}.
    void WriteSample()
    {
        DataBase db;
        Open(db, true);
        ASSERT_TRUE(db.SelectTable("Items"));
        ASSERT_TRUE(db.Append("Sword"));
        ASSERT_TRUE(db.SetField("Price", 120));
        ASSERT_TRUE(db.SetField("Weight", 2.5f));
        ASSERT_TRUE(db.SetField("Name", Cp1251("Меч").c_str()));
        ASSERT_TRUE(db.Post());
    }

    std::string ErrorLog() const
    {
        std::ifstream in(m_dir / "error.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_dir;
    std::string m_path;
    int m_nSleeps = 0;
};

TEST_F(DataBaseTest, EveryFieldTypeRoundTripsThroughPostAndGet)
{
    {
        DataBase db;
        Open(db, true);
        ASSERT_TRUE(db.SelectTable("Items"));
        ASSERT_TRUE(db.Append("Sword"));
        EXPECT_TRUE(db.SetField("Price", 120));
        EXPECT_TRUE(db.SetField("Weight", 2.5f));
        EXPECT_TRUE(db.SetField("Name", Cp1251("Меч").c_str()));
        EXPECT_TRUE(db.SetField("Caption", L"Меч \x263A"));
        EXPECT_TRUE(db.SetField("price", 130)); // the same field: replaced
        ASSERT_TRUE(db.Post());
    }
    DataBase db;
    Open(db, false);
    ASSERT_TRUE(db.SelectTable("Items"));
    ASSERT_TRUE(db.Get("SWORD"));
    EXPECT_EQ(db.GetIntegerField("PRICE"), 130);
    EXPECT_FLOAT_EQ(db.GetFloatField("weight"), 2.5f);
    char text[32];
    db.GetStringField("Name", text, sizeof(text));
    EXPECT_EQ(std::string(text), Cp1251("Меч"));
    wchar_t wide[32];
    db.GetWCharField("Caption", wide, 32);
    EXPECT_EQ(std::wstring(wide), L"Меч \x263A");
    // Field ids: DELETED 1, then in order of first use.
    EXPECT_EQ(db.GetFloorID("Price", db.FindTable("Items")), 2);
    EXPECT_EQ(db.GetFields().size(), 5u);
}

TEST_F(DataBaseTest, MissingValuesReadAsDefaults)
{
    WriteSample();
    DataBase db;
    Open(db, false);
    db.SelectTable("Items");
    char text[16];
    wchar_t wide[16];
    // No current record.
    EXPECT_FALSE(db.Get("Shield"));
    db.GetStringField("Name", text, sizeof(text));
    EXPECT_STREQ(text, "_DEFAULT_");
    db.GetWCharField("Name", wide, 16);
    EXPECT_STREQ(wide, L"DEFAULT");
    EXPECT_EQ(db.GetIntegerField("Price"), 0);
    // A record without the field.
    ASSERT_TRUE(db.Get("Sword"));
    db.GetStringField("Colour", text, sizeof(text));
    EXPECT_STREQ(text, "");
    db.GetWCharField("Caption", wide, 16);
    EXPECT_STREQ(wide, L"");
    EXPECT_EQ(db.GetIntegerField("Colour"), 0);
    EXPECT_EQ(db.GetFloatField("Colour"), 0.0f);
}

TEST_F(DataBaseTest, TableNamesAreExactRecordAndFieldNamesIgnoreCase)
{
    DataBase db;
    Open(db, true);
    ASSERT_TRUE(db.SelectTable(Cp1251("Звуки").c_str()));
    ASSERT_TRUE(db.Append(Cp1251("Выстрел").c_str()));
    db.SetField(Cp1251("Громкость").c_str(), 7);
    ASSERT_TRUE(db.Post());
    ASSERT_TRUE(db.Get(Cp1251("ВЫСТРЕЛ").c_str()));
    EXPECT_EQ(db.GetIntegerField(Cp1251("громкость").c_str()), 7);

    // Another table whose name differs only in case: new, empty.
    ASSERT_TRUE(db.SelectTable(Cp1251("звуки").c_str()));
    EXPECT_EQ(db.GetSelectedTableId(), 2u);
    EXPECT_FALSE(db.Get(Cp1251("Выстрел").c_str()));
    // Appending a name that exists (in other case) edits that record.
    ASSERT_TRUE(db.SelectTable(Cp1251("Звуки").c_str()));
    ASSERT_TRUE(db.Append(Cp1251("выстрел").c_str()));
    EXPECT_EQ(db.GetIndex().size(), 1u);
}

TEST_F(DataBaseTest, SelectingAnUnknownTableWritesItsDefinitionAtOnce)
{
    DataBase db;
    Open(db, true);
    ASSERT_TRUE(db.SelectTable("Fresh"));
    DataBase other;
    Open(other, false);
    const std::uint32_t table = other.FindTable("Fresh");
    ASSERT_NE(table, 0u);
    EXPECT_EQ(other.GetFloorID("deleted", table), 1);
    EXPECT_EQ(other.GetFields()[0].type, DataBase::kInteger);
}

TEST_F(DataBaseTest, PostAppendsTheWholeRecordAgain)
{
    WriteSample();
    const auto before = fs::file_size(m_path);
    DataBase db;
    Open(db, false);
    db.SelectTable("Items");
    ASSERT_TRUE(db.Edit("sword"));
    db.SetField("Price", 99);
    ASSERT_TRUE(db.Post());
    EXPECT_EQ(fs::file_size(m_path), 2 * before);
    ASSERT_TRUE(db.Get("Sword"));
    EXPECT_EQ(db.GetIntegerField("Price"), 99);
    EXPECT_FLOAT_EQ(db.GetFloatField("Weight"), 2.5f);
    EXPECT_FALSE(db.Edit("Shield"));
}

TEST_F(DataBaseTest, ValuesAndNamesStayWithinTheirLimits)
{
    DataBase db;
    Open(db, true);
    EXPECT_FALSE(db.SelectTable(std::string(32, 't').c_str()));
    EXPECT_NE(ErrorLog().find(Cp1251("ERROR: Большая длина имени таблицы")), std::string::npos);
    ASSERT_TRUE(db.SelectTable("T"));
    EXPECT_FALSE(db.Append(std::string(32, 'r').c_str()));
    EXPECT_NE(ErrorLog().find("DataBase::Append : Incorrect length ID"), std::string::npos);
    EXPECT_FALSE(db.SetField("F", 1)); // nothing is being edited

    ASSERT_TRUE(db.Append("R"));
    EXPECT_TRUE(db.SetField("Big", std::string(8191, 'x').c_str()));
    EXPECT_FALSE(db.SetField("Bigger", std::string(8192, 'x').c_str()));
    for (int i = 1; i < 256; ++i)
        ASSERT_TRUE(db.SetField(("F" + std::to_string(i)).c_str(), i));
    EXPECT_FALSE(db.SetField("F256", 256));
    EXPECT_NE(ErrorLog().find("already has 256 fields"), std::string::npos);
    ASSERT_TRUE(db.Post());

    ASSERT_TRUE(db.Get("R"));
    EXPECT_EQ(db.GetIntegerField("F255"), 255);
    char small[4];
    db.GetStringField("Big", small, sizeof(small));
    EXPECT_STREQ(small, "xxx"); // cut to the destination
    EXPECT_NE(ErrorLog().find("8191 characters cut to 3"), std::string::npos);
}

TEST_F(DataBaseTest, AnotherAppendBeforePostKeepsTheFirstRecord)
{
    {
        DataBase db;
        Open(db, true);
        ASSERT_TRUE(db.SelectTable("Items"));
        ASSERT_TRUE(db.Append("Axe"));
        ASSERT_TRUE(db.SetField("Price", 5));
        ASSERT_TRUE(db.Append("Bow"));
        ASSERT_TRUE(db.SetField("Price", 7));
        ASSERT_TRUE(db.Post());
        ASSERT_TRUE(db.Append("Club")); // no fields
        ASSERT_TRUE(db.Edit("Bow"));
        ASSERT_TRUE(db.SetField("Price", 8));
        ASSERT_TRUE(db.Append("Dart")); // the changed Bow is posted first
        ASSERT_TRUE(db.Post());
    }
    DataBase db;
    Open(db, false);
    ASSERT_TRUE(db.SelectTable("Items"));
    ASSERT_TRUE(db.Get("Axe"));
    EXPECT_EQ(db.GetIntegerField("Price"), 5);
    ASSERT_TRUE(db.Get("Bow"));
    EXPECT_EQ(db.GetIntegerField("Price"), 8);
    EXPECT_GE(db.FindRecord("Club"), 0);
    EXPECT_GE(db.FindRecord("Dart"), 0);
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(DataBaseTest, TheLockFileDelaysIndexAccessAndIsAlwaysReleased)
{
    WriteSample();
    DataBase db;
    Open(db, false);
    const fs::path lock = m_dir / "DB.ind.lock";
    WriteBytes(lock, {});

    // A lock that never goes away: 100 waits, then the read goes ahead.
    m_nSleeps = 0;
    EXPECT_TRUE(db.ReadIndexFile(db.GetIndexPath().c_str(), false));
    EXPECT_EQ(m_nSleeps, 100);

    // A lock released by its owner during the wait.
    m_nSleeps = 0;
    db.m_fnSleep = [&](std::uint32_t ms)
    {
        EXPECT_EQ(ms, 100u);
        if (++m_nSleeps == 3) fs::remove(lock);
    };
    db.SelectTable("Items");
    ASSERT_TRUE(db.Edit("Sword"));
    EXPECT_EQ(m_nSleeps, 3);
    db.SetField("Price", 1);
    ASSERT_TRUE(db.Post());
    EXPECT_FALSE(fs::exists(lock));
}

TEST_F(DataBaseTest, ProcessesPostingAtOnceKeepEachOthersRecords)
{
    WriteSample();
    DataBase first;
    DataBase second;
    Open(first, false);
    Open(second, false);
    first.SelectTable("Items");
    second.SelectTable("Items");
    ASSERT_TRUE(first.Append("Axe"));
    ASSERT_TRUE(second.Append("Bow")); // read the index before Axe was posted
    first.SetField("Price", 1);
    second.SetField("Price", 2);
    ASSERT_TRUE(first.Post());
    ASSERT_TRUE(second.Post());

    DataBase third;
    Open(third, false);
    third.SelectTable("Items");
    for (const char* name : {"Sword", "Axe", "Bow"})
        EXPECT_TRUE(third.Get(name)) << name;
    EXPECT_EQ(third.GetIntegerField("Price"), 2);
}

TEST_F(DataBaseTest, AboutOneIndexWriteInAHundredKeepsABackup)
{
    WriteSample();
    const Bytes oldIndex = ReadBytes(m_dir / "DB.ind");
    fs::create_directories(m_dir / "DB.ind.ARCHIVE");
    DataBase db;
    Open(db, false);
    db.m_fnRandom = [] { return 300; }; // 300 mod 100 = 0
    db.SelectTable("Items");
    ASSERT_TRUE(db.Append("Axe"));
    ASSERT_TRUE(db.Post());
    std::vector<fs::path> backups(fs::directory_iterator(m_dir / "DB.ind.ARCHIVE"), {});
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].filename().string().size(), 8u); // HH_MM_SS
    EXPECT_EQ(ReadBytes(backups[0]), oldIndex);
    EXPECT_FALSE(fs::exists(m_dir / "DB.ind.old"));
}

TEST_F(DataBaseTest, AFailedIndexRewriteLeavesTheOldIndexAndNoLock)
{
    WriteSample();
    const Bytes oldIndex = ReadBytes(m_dir / "DB.ind");
    fs::create_directories(m_dir / "DB.ind.tmp"); // the rewrite cannot create its file
    DataBase db;
    Open(db, false);
    db.SelectTable("Items");
    ASSERT_TRUE(db.Append("Axe"));
    EXPECT_FALSE(db.Post());
    EXPECT_EQ(ReadBytes(m_dir / "DB.ind"), oldIndex);
    EXPECT_FALSE(fs::exists(m_dir / "DB.ind.lock"));
    EXPECT_NE(ErrorLog().find("cannot be written; the old index stays"), std::string::npos);
}

TEST_F(DataBaseTest, AnEmptyStringValueReadsAsEmpty)
{
    // Our writer stores a string with its NUL; a foreign one may store none.
    WriteSample();
    Bytes index = ReadBytes(m_dir / "DB.ind");
    Bytes data = ReadBytes(m_dir / "DB.dat");
    PutU32(data, 24 + 4, 0); // Name, the last field: no bytes
    PutU32(index, 4 + 40, 32);
    WriteBytes(m_dir / "DB.ind", index);
    WriteBytes(m_dir / "DB.dat", data);
    DataBase db;
    Open(db, false);
    db.SelectTable("Items");
    ASSERT_TRUE(db.Get("Sword"));
    char text[8] = "x";
    db.GetStringField("Name", text, sizeof(text));
    EXPECT_STREQ(text, "");
    EXPECT_EQ(db.GetIntegerField("Price"), 120);
}

TEST_F(DataBaseTest, OpeningWithoutCreateNeedsTheDataFile)
{
    DataBase db;
    db.m_fnSleep = [](std::uint32_t) {};
    EXPECT_FALSE(db.OpenDatabase(m_path.c_str(), false, false));
    EXPECT_FALSE(fs::exists(m_path));
}

// --- damaged files ---------------------------------------------------------------

enum class EFile
{
    Table,
    Index,
    Data
};

struct SCorruptDb
{
    const char* name;
    EFile file;
    void (*damage)(Bytes& bytes);
    bool opens; // else Get fails
    const char* message;
};

// Test names show the case, not the bytes of the parameter.
void PrintTo(const SCorruptDb& c, std::ostream* os)
{
    *os << c.name;
}

// The sample: table file 8 + 40 + 4 x 44; index 4 + 44 with the record at
// offset 0; the record: Price (8 + 4), Weight (8 + 4), Name (8 + 4).
const SCorruptDb kCorruptDbs[] = {
    {"tableHeaderTruncated", EFile::Table, [](Bytes& b) { b.resize(5); }, false, "header truncated"},
    {"tableCountOverflow", EFile::Table, [](Bytes& b) { PutU32(b, 0, 0x7FFFFFFF); }, false, "need"},
    {"fieldCountOverflow", EFile::Table, [](Bytes& b) { PutU32(b, 4, 0xFFFFFFFF); }, false, "need"},
    {"fieldTypeUnknown", EFile::Table, [](Bytes& b) { PutU32(b, 8 + 40 + 40, 9); }, false, "unknown type"},
    {"tableNameNotTerminated", EFile::Table, [](Bytes& b) { std::memset(b.data() + 12, 'T', 32); }, false,
     "name not terminated"},
    {"indexCountOverflow", EFile::Index, [](Bytes& b) { PutU32(b, 0, 0x10000000); }, false, "records need"},
    {"indexTruncated", EFile::Index, [](Bytes& b) { b.resize(30); }, false, "records need"},
    {"recordPastDataEnd", EFile::Index, [](Bytes& b) { PutU32(b, 4 + 36, 1000); }, true,
     "past the end of the data file"},
    {"recordLengthHuge", EFile::Index, [](Bytes& b) { PutU32(b, 4 + 40, 0xFFFFFFF0); }, true,
     "past the end of the data file"},
    {"fieldHeaderCut", EFile::Index, [](Bytes& b) { PutU32(b, 4 + 40, 12 + 12 + 5); }, true,
     "field header is cut short"},
    {"fieldValuePastRecord", EFile::Data, [](Bytes& b) { PutU32(b, 4, 100); }, true,
     "runs past the end of the record"},
    {"fieldValueHuge", EFile::Data, [](Bytes& b) { PutU32(b, 4, 0x80000000); }, true, "longer than 8192"},
    // Emptied files that would read as an empty database, losing the rest.
    {"tableFileEmptied", EFile::Table, [](Bytes& b) { b.clear(); }, false, "no table 1, which record 0 (Sword)"},
    {"indexEmptied", EFile::Index, [](Bytes& b) { b.clear(); }, false, "lists no records, but the data file"},
    // A cut data file is said at the open, before anything reads a record.
    {"dataFileCut", EFile::Data, [](Bytes& b) { b.resize(10); }, true, "lie past the end of the data file"},
};

class DataBaseCorrupt : public DataBaseTest, public ::testing::WithParamInterface<SCorruptDb>
{
};

TEST_P(DataBaseCorrupt, RefusesWithOneErrorLineAndRewritesNothing)
{
    WriteSample();
    const fs::path file = m_dir / (GetParam().file == EFile::Table   ? "DB.tab"
                                   : GetParam().file == EFile::Index ? "DB.ind"
                                                                     : "DB.dat");
    Bytes bytes = ReadBytes(file);
    GetParam().damage(bytes);
    WriteBytes(file, bytes);
    const Bytes index = ReadBytes(m_dir / "DB.ind");

    DataBase db;
    db.m_fnSleep = [](std::uint32_t) {};
    ASSERT_EQ(db.OpenDatabase(m_path.c_str(), false, false), GetParam().opens);
    if (GetParam().opens)
    {
        db.SelectTable("Items");
        EXPECT_FALSE(db.Get("Sword"));
        EXPECT_EQ(db.GetIntegerField("Price"), 0);
        EXPECT_FALSE(db.Edit("Sword"));
        EXPECT_NE(ErrorLog().find("DataBase::Get error in Sword"), std::string::npos) << ErrorLog();
    }
    EXPECT_NE(ErrorLog().find(GetParam().message), std::string::npos) << ErrorLog();
    // A damaged database tells its caller why, naming the file; a missing
    // one has nothing to tell.
    if (!GetParam().opens)
    {
        EXPECT_NE(db.GetLastError().find(GetParam().message), std::string::npos) << db.GetLastError();
        EXPECT_NE(db.GetLastError().find(file.filename().string()), std::string::npos) << db.GetLastError();
    }
    EXPECT_EQ(ReadBytes(m_dir / "DB.ind"), index); // a read error rewrites nothing
}

TEST_F(DataBaseTest, AMissingDatabaseIsNoDamagedOne)
{
    DataBase db;
    EXPECT_FALSE(db.OpenDatabase((m_dir / "absent.dat").c_str(), false, false));
    EXPECT_EQ(db.GetLastError(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, DataBaseCorrupt, ::testing::ValuesIn(kCorruptDbs),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
