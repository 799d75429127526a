// The resource database in both modes and the resource-list base.
#include "foundation/DataBase.h"
#include "foundation/DefaultManager.h"
#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include "common/DataTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace
{
namespace fs = std::filesystem;

std::string Cp1251(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}

// Runs in a fresh directory: both modes take paths relative to it.
class ResourceDb : public testutil::CDataTreeTest
{
protected:
    void SetUp() override { fs::create_directories(m_dir / "Data"); }

    // "Текстуры": TEX_A (Deleted 0), TEX_B (Deleted 1), TEX_C (no Deleted);
    // "Звуки": SND_SHOT.
    void WriteDataBase()
    {
        DataBase db;
        db.m_fnRandom = [] { return 1; };
        ASSERT_TRUE(db.OpenDatabase("Data\\DB.dat", true, false));
        ASSERT_TRUE(db.SelectTable(Cp1251("Текстуры").c_str()));
        struct SRecord
        {
            const char* name;
            int deleted; // -1: no field
            const char* pos;
        };
        for (const SRecord& r :
             {SRecord{"TEX_A", 0, "1.5,2,-3"}, SRecord{"TEX_B", 1, "0,0,0"}, SRecord{"TEX_C", -1, "7"}})
        {
            ASSERT_TRUE(db.Append(r.name));
            if (r.deleted >= 0) db.SetField("DELETED", r.deleted);
            db.SetField("Filename", (std::string(r.name) + ".tm").c_str());
            db.SetField("Pos", r.pos);
            db.SetField("Colour", "ff8040");
            db.SetField("Radius", 0.5f);
            db.SetField("Title", L"Заголовок");
            ASSERT_TRUE(db.Post());
        }
        ASSERT_TRUE(db.SelectTable(Cp1251("Звуки").c_str()));
        ASSERT_TRUE(db.Append("SND_SHOT"));
        db.SetField("VOLUME", 0.75f);
        ASSERT_TRUE(db.Post());
    }

    void WriteText(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }

    std::string ErrorLog() const
    {
        std::ifstream in(m_dir / "error.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const fs::path m_dir = Tree().Path();
};

TEST_F(ResourceDb, DefaultManagerListsTheRecordsNotDeletedInOrder)
{
    WriteDataBase();
    ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
    EXPECT_EQ(g_ResourceDB.GetBaseDirectory(), plat::GetCurrentDirectory() + "\\");

    DefaultManager textures;
    ASSERT_TRUE(textures.Init(Cp1251("Текстуры").c_str()));
    ASSERT_EQ(textures.GetCount(), 2);
    EXPECT_STREQ(textures.GetName(0), "TEX_A");
    EXPECT_STREQ(textures.GetName(1), "TEX_C"); // no "Deleted" field: listed
    EXPECT_EQ(textures.FindName("TEX_C"), 1);
    EXPECT_EQ(textures.FindName("TEX_B"), -1);
    EXPECT_EQ(textures.GetName(2), nullptr);
    // A saved name slot for "none" or a stale index.
    EXPECT_STREQ(textures.GetNameOrDefault(-1), "_DEFAULT_");
    EXPECT_STREQ(textures.GetNameOrDefault(2), "_DEFAULT_");
    EXPECT_STREQ(textures.GetNameOrDefault(1), "TEX_C");

    float pos[3];
    textures.GetVectorField(pos, 0, "Pos");
    EXPECT_EQ(pos[0], 1.5f);
    EXPECT_EQ(pos[1], 2.0f);
    EXPECT_EQ(pos[2], -3.0f);
    textures.GetVectorField(pos, 1, "pos");
    EXPECT_EQ(pos[0], 7.0f);
    EXPECT_EQ(pos[1], 0.0f);
    EXPECT_EQ(textures.GetHexField(1, "Colour"), 0xFF8040u);

    DefaultManager empty;
    ASSERT_TRUE(empty.Init("Nothing"));
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_EQ(empty.FindName("TEX_A"), -1);
}

TEST_F(ResourceDb, DatabaseModeReadsFieldsWalksAndSearchesSections)
{
    WriteDataBase();
    ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
    ASSERT_TRUE(g_ResourceDB.SelectSection(Cp1251("Текстуры").c_str(), true));
    EXPECT_EQ(g_ResourceDB.GetRecordCount(), 3);
    std::string walked;
    for (int more = g_ResourceDB.First(); more; more = g_ResourceDB.Next())
        walked += std::string(g_ResourceDB.GetCurrentRecordName()) + " ";
    EXPECT_EQ(walked, "TEX_A TEX_B TEX_C ");

    char text[8];
    g_ResourceDB.GetStringField("tex_a", "FILENAME", text, sizeof(text));
    EXPECT_STREQ(text, "TEX_A.t"); // cut to the buffer
    g_ResourceDB.GetStringField("TEX_X", "Filename", text, sizeof(text));
    EXPECT_STREQ(text, "_DEFAUL");
    EXPECT_FLOAT_EQ(g_ResourceDB.GetFloatField("TEX_C", "Radius", 9.0f), 0.5f);
    EXPECT_EQ(g_ResourceDB.GetIntegerField("TEX_C", "Missing", 9), 0); // the default is not used
    wchar_t wide[16];
    g_ResourceDB.GetWCharField("TEX_C", "Title", wide, 16);
    EXPECT_STREQ(wide, L"Заголовок");

    g_ResourceDB.First();
    g_ResourceDB.GetFloorList();
    ASSERT_EQ(g_ResourceDB.m_FloorNames.GetCount(), 6u);
    EXPECT_STREQ(g_ResourceDB.m_FloorNames.Get(0), "DELETED");
    EXPECT_STREQ(g_ResourceDB.m_FloorNames.Get(4), "Radius");
    EXPECT_EQ(g_ResourceDB.m_FloorTypes[4], DataBase::kFloat);

    EXPECT_EQ(g_ResourceDB.CountAllRecords(), 4);
    EXPECT_EQ(std::string(g_ResourceDB.FindRecordSection("SND_SHOT")), Cp1251("Звуки"));
    EXPECT_EQ(g_ResourceDB.FindRecordSection("snd_shot"), nullptr); // exact names here

    // Editing through the manager.
    ASSERT_TRUE(g_ResourceDB.SelectSection(Cp1251("Звуки").c_str(), false));
    EXPECT_GE(g_ResourceDB.EditRecord("SND_NEW"), 0);
    EXPECT_TRUE(g_ResourceDB.SetIntegerField("SND_NEW", "3DSOUND", 1));
    EXPECT_TRUE(g_ResourceDB.Post());
    EXPECT_EQ(g_ResourceDB.GetIntegerField("SND_NEW", "3dsound", 0), 1);
}

TEST_F(ResourceDb, AMissingDatabaseFailsInit)
{
    EXPECT_FALSE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
}

TEST_F(ResourceDb, IniModeListsRecordsAndTypesValues)
{
    WriteText("main.ini", "[Textures]\nfilename=tex.ini\n[Sounds]\nfilename=snd.ini\n");
    WriteText("tex.ini", "[TEX_A]\nFilename=a.tm\nScale=1.5\nShift=-3\nBig=1e5\nPos=1,2,3\n"
                         "[TEX_B]\nDeleted=1\n[TEX_C]\nDeleted=0\nFilename=c.tm\n");
    ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));

    DefaultManager textures;
    ASSERT_TRUE(textures.Init("Textures"));
    ASSERT_EQ(textures.GetCount(), 2);
    EXPECT_STREQ(textures.GetName(1), "TEX_C");
    float pos[3];
    textures.GetVectorField(pos, 0, "Pos");
    EXPECT_EQ(pos[2], 3.0f);

    ASSERT_TRUE(g_ResourceDB.SelectSection("Textures", true));
    EXPECT_EQ(g_ResourceDB.GetRecordCount(), 2);
    ASSERT_NE(g_ResourceDB.First(), 0);
    g_ResourceDB.GetFloorList();
    ASSERT_EQ(g_ResourceDB.m_FloorNames.GetCount(), 5u);
    const std::uint32_t expected[] = {DataBase::kString, DataBase::kFloat, DataBase::kInteger,
                                      DataBase::kString, DataBase::kString};
    for (std::uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(g_ResourceDB.m_FloorTypes[i], expected[i]) << g_ResourceDB.m_FloorNames.Get(i);

    EXPECT_FLOAT_EQ(g_ResourceDB.GetFloatField("Scale"), 1.5f);
    EXPECT_EQ(g_ResourceDB.GetIntegerField("Shift"), -3);
    EXPECT_EQ(g_ResourceDB.GetFloatField("TEX_A", "Missing", 2.0f), 0.0f);
    char text[5];
    g_ResourceDB.GetStringField("TEX_A", "Missing", text, sizeof(text));
    EXPECT_STREQ(text, "_DEF");
    wchar_t wide[4] = L"xyz";
    g_ResourceDB.GetWCharField("TEX_A", "Filename", wide, 4);
    EXPECT_STREQ(wide, L"");
    EXPECT_NE(ErrorLog().find(Cp1251("Не поддерживаемый формат строк")), std::string::npos);

    EXPECT_TRUE(g_ResourceDB.SetIntegerField("TEX_C", "Deleted", 1));
    EXPECT_EQ(textures.Init("Textures"), true);
    EXPECT_EQ(textures.GetCount(), 1);
    EXPECT_EQ(g_ResourceDB.CountAllRecords(), 0);
    EXPECT_EQ(g_ResourceDB.AppendRecord("TEX_D"), -1);
}

} // namespace
