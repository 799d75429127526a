// The object-kind managers over an INI-mode resource database and object
// blocks written by the test with the objects-file writers.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "world/BoundObject.h"
#include "world/LocObjectRecord.h"
#include "world/ObjectManager.h"
#include "world/StoneObject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

std::string Cp(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}

// A second kind, as the scenery managers will be: its own section and code.
class CTestTree : public CMMObject
{
public:
    CTestTree() { m_nType = OBJ_TREE; }
};

class CTestTreeManager : public CMMObjectManager
{
public:
    CTestTreeManager() : CMMObjectManager(OBJ_TREE) {}
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override
    {
        auto* tree = new CTestTree;
        if (gameId) std::snprintf(tree->m_szGameId, 32, "%s", gameId);
        std::snprintf(tree->m_TypeRef, 32, "%s", typeName);
        tree->SetMatrix(*placement);
        g_ObjectList.AddObject(tree);
        return tree;
    }
};

CMatrix At(float x, float y)
{
    CMatrix m(1.0f);
    m.SetTranslation(CVector{x, y, 0});
    return m;
}

class ObjectManagers : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        Write("main.ini", "[" + Cp("Камни") + "]\nfilename=stones.ini\n[" + Cp("Деревья") +
                              "]\nfilename=trees.ini\n[" + Cp("Хелперы") + "]\nfilename=helpers.ini\n" +
                              "[Boundary]\nfilename=bounds.ini\n");
        Write("stones.ini", "[STONE_A]\nModel=MOD_NONE\nFly=1\n[STONE_B]\nNOMAPCOLOR=1\n[GONE]\nDeleted=1\n");
        Write("trees.ini", "[TREE_A]\nModel=MOD_TREE\n");
        Write("helpers.ini", "[SPAWN]\nTYPE=5\n");
        Write("bounds.ini", "[POST]\nModel=MOD_POST\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_StoneManager.Init(Cp("Камни").c_str()));
        ASSERT_TRUE(m_Trees.Init(Cp("Деревья").c_str()));
        ASSERT_TRUE(g_HelperManager.Init(Cp("Хелперы").c_str()));
        ASSERT_TRUE(g_BoundaryManager.Init("Boundary"));
        CMMObjectManager::SetObjectsFileName("test.loo");
    }
    void TearDown() override
    {
        m_Stream.Close();
        CMMObjectManager::SetObjectsFileName(nullptr);
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }
    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    // Writes the bytes after the section's type code and opens them.
    CPakStream& Open(const CMemStream& section)
    {
        std::ofstream(m_dir / "block.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(section.m_pData) + 4,
                   std::streamsize(section.m_nPosition - 4));
        EXPECT_TRUE(GetPakFileSystem().OpenStream((m_dir / "block.bin").c_str(), m_Stream));
        return m_Stream;
    }
    std::vector<CMMObject*> Objects() const
    {
        std::vector<CMMObject*> out;
        for (CMMObject* o : g_ObjectList.m_Objects)
            out.push_back(o);
        return out;
    }

    worldtest::CScene m_Scene;
    CTestTreeManager m_Trees;
    CPakStream m_Stream;
    std::string m_previous;
};

} // namespace

TEST_F(ObjectManagers, TypesAndTheirHeaders)
{
    EXPECT_EQ(g_StoneManager.m_nTypeCount, 2);
    const auto* a = static_cast<const SStoneType*>(g_StoneManager.GetType(0));
    EXPECT_EQ(a->m_bFly, 1);
    EXPECT_EQ(a->m_bNoMapColor, 0);
    EXPECT_EQ(a->GetModelId(), -1); // no model manager knows it
    EXPECT_EQ(a->GetSoundIndex(), -1);
    const auto* none = static_cast<const SStoneType*>(g_StoneManager.GetType(-1));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetModelId(), 0);
    EXPECT_EQ(g_StoneManager.GetType(2), nullptr);

    char text[128];
    g_StoneManager.GetPropertiesText(1, text, sizeof text);
    EXPECT_EQ(std::string(text), Cp("Летающий=0\r\nНеМеняетЦвет=1\r\n"));
    g_StoneManager.GetPropertiesText(-1, text, sizeof text);
    EXPECT_EQ(std::string(text), Cp("Летающий=0\r\nНеМеняетЦвет=0\r\n"));

    // Edited properties go back into the stone section's records.
    const std::string fly = Cp("Летающий=1"), color = Cp("НеМеняетЦвет=0"), other = "SIZE=3";
    const char* pairs[] = {fly.c_str(), color.c_str(), other.c_str(), "broken"};
    g_StoneManager.SetProperties("STONE_B", pairs, 4);
    ASSERT_TRUE(g_StoneManager.Init(Cp("Камни").c_str()));
    const auto* b = static_cast<const SStoneType*>(g_StoneManager.GetType(1));
    EXPECT_EQ(b->m_bFly, 1);
    EXPECT_EQ(b->m_bNoMapColor, 0);
}

TEST_F(ObjectManagers, DefaultLoaderCreatesKnownTypesAndFallsBackToStones)
{
    CMemStream empty;
    WriteObjectSection(empty, OBJ_TREE, {});
    CPakStream& s0 = Open(empty);
    m_Trees.LoadObjectsFrom(s0);
    EXPECT_EQ(s0.Tell(), 8u);
    EXPECT_TRUE(Objects().empty());

    CMemStream section;
    WriteObjectSection(section, OBJ_TREE,
                       {MakeLocObjectRecord(At(10, 10), "TREE_A", "oak_\xc4\xf3\xe1"), // "Дуб" stays
                        MakeLocObjectRecord(At(20, 20), "STONE_B", "rock"),
                        MakeLocObjectRecord(At(30, 30), "NOSUCH", "lost")});
    m_Trees.LoadObjectsFrom(Open(section));
    const auto objects = Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]->m_nType, OBJ_TREE);
    EXPECT_STREQ(objects[0]->m_szGameId, "OAK_\xc4\xf3\xe1");
    EXPECT_EQ(objects[1]->m_nType, OBJ_STONE);
    EXPECT_STREQ(objects[1]->m_szGameId, "ROCK");
    EXPECT_STREQ(objects[1]->m_TypeRef, "STONE_B");
    EXPECT_EQ(objects[1]->GetPosition().x, 20.0f);
    EXPECT_EQ(g_ObjectList.FindByGameId("ROCK", OBJ_STONE), objects[1]);
}

TEST_F(ObjectManagers, RecordsPlacedOutsideAnyWorldAreRefused)
{
    // Not a number, and a coordinate far past the grid: both would reach the
    // cell arithmetic; the record between them loads.
    SLocObjectRecord nan = MakeLocObjectRecord(At(1, 1), "STONE_A", "");
    nan.matrix[12] = std::nanf("");
    SLocObjectRecord far = MakeLocObjectRecord(At(3, 3), "STONE_A", "");
    far.matrix[13] = 4.0e27f;
    CMemStream section;
    WriteObjectSection(section, OBJ_STONE, {nan, MakeLocObjectRecord(At(2, 2), "STONE_A", "GOOD"), far});
    g_StoneManager.LoadObjectsFrom(Open(section));
    m_Stream.Close();
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_STREQ(Objects()[0]->m_szGameId, "GOOD");
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("record 0: placement out of range"), std::string::npos) << log;
    EXPECT_NE(log.find("record 2: placement out of range"), std::string::npos) << log;
}

TEST_F(ObjectManagers, DamagedBlocksAreLoggedAndTheCompleteRecordsLoaded)
{
    struct SCase
    {
        const char* what;
        std::int32_t count;  // written into the header
        std::uint32_t cut;   // bytes taken off the end
        std::size_t loaded;  // stones made
        const char* message; // expected in error.log ("" for none)
    } cases[] = {
        {"intact", 2, 0, 2, ""},
        {"header cut short", 2, 256 + 4, 0,
         "test.loo: objects block of type 3 at offset 0: header cut short"},
        {"count beyond the file", 1000000, 0, 2,
         "test.loo: objects block of type 3 at offset 0: 1000000 records of 128 bytes, 256 bytes left"},
        {"negative count", -5, 0, 0,
         "objects block of type 3 at offset 0: -5 records of 128 bytes, 256 bytes left"},
        {"last record cut in half", 2, 64, 1, "2 records of 128 bytes, 192 bytes left"},
    };
    for (const SCase& c : cases)
    {
        g_ObjectList.Clear();
        g_ErrorLog.ResetTrace();
        std::filesystem::remove(m_dir / "error.log");
        CMemStream section;
        WriteObjectSection(
            section, OBJ_STONE,
            {MakeLocObjectRecord(At(1, 1), "STONE_A", ""), MakeLocObjectRecord(At(2, 2), "STONE_A", "")});
        std::memcpy(section.m_pData + 8, &c.count, 4);
        section.m_nPosition -= c.cut;
        g_StoneManager.LoadObjectsFrom(Open(section));
        m_Stream.Close();
        EXPECT_EQ(Objects().size(), c.loaded) << c.what;
        const std::string log = ReadText("error.log");
        if (*c.message)
            EXPECT_NE(log.find(c.message), std::string::npos) << c.what << ": " << log;
        else
            EXPECT_EQ(log, "") << c.what;
    }
}

TEST_F(ObjectManagers, HelpersBecomeSystemPoints)
{
    CMemStream section;
    WriteObjectSection(
        section, OBJ_HELPER,
        {MakeLocObjectRecord(At(5, 6), "SPAWN", "gate1"), MakeLocObjectRecord(At(0, 0), "STONE_A", "x")});
    g_HelperManager.LoadObjectsFrom(Open(section));
    EXPECT_TRUE(Objects().empty());
    CSysObject* gate = g_ObjectList.FindSysObject("GATE1", 5);
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(gate->m_Frame.m_vPosition.y, 6.0f);
    EXPECT_EQ(g_ObjectList.m_SysObjects.GetCount(), 1);
}

TEST_F(ObjectManagers, BoundaryLinksResolveWithinTwoThousandUnits)
{
    std::vector<SBoundaryEntry> posts = {
        {MakeLocObjectRecord(At(1000, 1000), "POST", "a"), 10, {11, 12, 99}},
        {MakeLocObjectRecord(At(2999.5f, 1000), "POST", "b"), 11, {10}},
        {MakeLocObjectRecord(At(1000, 3000.5f), "POST", "c"), 12, {10}},
        {MakeLocObjectRecord(At(0, 0), "NOPOST", "d"), 13, {}},
    };
    CMemStream section;
    WriteBoundarySection(section, posts);
    g_BoundaryManager.LoadObjectsFrom(Open(section));
    EXPECT_NE(ReadText("error.log").find("CBoundaryManager::LoadObjects ID='NOPOST' not found"),
              std::string::npos);
    auto* a = static_cast<CBoundObject*>(g_ObjectList.FindByNumberAndType(10, OBJ_BOUND));
    auto* b = static_cast<CBoundObject*>(g_ObjectList.FindByNumberAndType(11, OBJ_BOUND));
    auto* c = static_cast<CBoundObject*>(g_ObjectList.FindByNumberAndType(12, OBJ_BOUND));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->m_nLinks, 1);
    EXPECT_TRUE(a->IsLinked(b));
    EXPECT_FALSE(a->IsLinked(c));
    EXPECT_TRUE(b->IsLinked(a));
    EXPECT_EQ(c->m_nLinks, 0);
    EXPECT_EQ(a->m_nSegments, 1);
    EXPECT_NEAR(a->m_fHalfLength, 999.75f, 1e-3f);
    EXPECT_GE(g_ObjectList.m_nLastObjectNumber, 12);

    // Deleting a post drops it from its neighbours.
    g_ObjectList.DeleteObject(b);
    g_ObjectList.Pack(true);
    EXPECT_EQ(a->m_nLinks, 0);
    EXPECT_EQ(a->m_nSegments, 0);
}

TEST_F(ObjectManagers, BoundaryEntriesWithTooManyLinksOrCutShort)
{
    std::vector<SBoundaryEntry> posts = {{MakeLocObjectRecord(At(0, 0), "POST", ""), 20, {21, 22, 23, 24}}};
    CMemStream section;
    WriteBoundarySection(section, posts);
    g_BoundaryManager.LoadObjectsFrom(Open(section));
    auto* post = static_cast<CBoundObject*>(g_ObjectList.FindByNumberAndType(20, OBJ_BOUND));
    ASSERT_NE(post, nullptr);
    EXPECT_NE(ReadText("error.log")
                  .find("test.loo: boundary block at offset 0, entry 0: more than three links; the surplus "
                        "is ignored"),
              std::string::npos);

    CMemStream cut;
    WriteBoundarySection(cut, {{MakeLocObjectRecord(At(0, 0), "POST", ""), 30, {31}}});
    cut.m_nPosition -= 6; // the link numbers cut short
    g_BoundaryManager.LoadObjectsFrom(Open(cut));
    EXPECT_EQ(g_ObjectList.FindByNumberAndType(30, OBJ_BOUND), nullptr);
    EXPECT_NE(ReadText("error.log").find("entry 0: link count 2 past the end of the file"),
              std::string::npos);
}

TEST_F(ObjectManagers, PostsLinkBothWaysAndUnlinkOnASecondLink)
{
    CBoundObject* posts[5];
    for (int i = 0; i < 5; ++i)
    {
        const CMatrix m = At(float(100 * i), 0);
        posts[i] = static_cast<CBoundObject*>(g_BoundaryManager.CreateObject("POST", &m, nullptr));
    }
    CBoundObject* a = posts[0];
    a->Link(posts[1], true);
    EXPECT_TRUE(a->IsLinked(posts[1]));
    EXPECT_TRUE(posts[1]->IsLinked(a));
    a->Link(posts[1], true);
    EXPECT_FALSE(a->IsLinked(posts[1]));
    EXPECT_FALSE(posts[1]->IsLinked(a));
    for (int i = 1; i < 5; ++i)
        a->Link(posts[i], true);
    EXPECT_EQ(a->m_nLinks, 3); // the fourth did not fit
    EXPECT_FALSE(posts[4]->IsLinked(a));

    // A saved post restores its links through the object list.
    CMemStream s;
    a->SaveGame(s);
    a->m_nLinks = 0;
    s.m_nPosition = 0;
    a->LoadGame(s);
    EXPECT_EQ(a->m_nLinks, 3);
    EXPECT_TRUE(a->IsLinked(posts[3]));
    // A damaged count is refused.
    CMemStream bad;
    a->CMMObject::SaveGame(bad);
    const std::uint32_t many = 7;
    bad.Write(&many, 4);
    bad.m_nPosition = 0;
    EXPECT_THROW(a->LoadGame(bad), CObjectStreamError);
}

TEST_F(ObjectManagers, LightsTakeEveryRecordAndAnomalZonesBecomeSystemPoints)
{
    ASSERT_TRUE(g_LightManager.Init(nullptr));
    EXPECT_EQ(g_LightManager.GetType(7), g_LightManager.GetType(0));
    EXPECT_STREQ(g_LightManager.GetName(0), Cp("Источник").c_str());
    EXPECT_STREQ(g_LightManager.GetLabel(), Cp("Источники света").c_str());
    CMemStream lights;
    WriteObjectSection(
        lights, OBJ_LIGHT,
        {MakeLocObjectRecord(At(1, 2), "ANYTHING", "lamp1"), MakeLocObjectRecord(At(3, 4), "", "")});
    g_LightManager.LoadObjectsFrom(Open(lights));
    SPointerArray<CMMObject> found;
    g_ObjectList.GetObjectList(OBJ_LIGHT, found);
    ASSERT_EQ(found.count, 2);
    EXPECT_STREQ(found.items[0]->m_szGameId, "LAMP1");

    Write("anomal.ini", "[VORTEX]\nModel=\n");
    Write("main.ini", "[Anomal]\nfilename=anomal.ini\n");
    g_ResourceDB.Done();
    ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
    ASSERT_TRUE(g_AnomalZoneManager.Init("Anomal"));
    CMemStream zones;
    WriteObjectSection(
        zones, OBJ_ANOMALZONE,
        {MakeLocObjectRecord(At(5, 5), "VORTEX", "hole"), MakeLocObjectRecord(At(6, 6), "NONE", "")});
    g_AnomalZoneManager.LoadObjectsFrom(Open(zones));
    EXPECT_EQ(g_ObjectList.m_SysObjects.GetCount(), 1);
    EXPECT_NE(g_ObjectList.FindSysObject("HOLE", 0), nullptr);
}

TEST(BoundSegment, PushOffsetFromTheNearestPointOfTheSegment)
{
    CBoundSegment s;
    s.m_vStart = {0, 0, 0};
    s.m_vEnd = {10, 0, 0};
    s.m_vDir = {1, 0, 0};
    s.m_vNormal = {0, 1, 0};
    s.m_fLength = 10;
    const struct
    {
        CVector p, out;
    } cases[] = {
        {{5, 3, 7}, {0, 3, 0}},    // beside the middle: straight out
        {{-4, 3, 0}, {-4, 3, 0}},  // before the start
        {{13, -4, 2}, {3, -4, 0}}, // past the end
        {{10, 0, 0}, {0, 0, 0}},   // on the end
    };
    for (const auto& c : cases)
    {
        CVector out;
        s.GetPushOffset(&out, c.p);
        EXPECT_FLOAT_EQ(out.x, c.out.x);
        EXPECT_FLOAT_EQ(out.y, c.out.y);
        EXPECT_EQ(out.z, 0.0f);
    }
}

TEST_F(ObjectManagers, AStoneReloadsItsTypeAndPosition)
{
    const CMatrix m = At(40, 50);
    auto* stone = static_cast<CStoneObject*>(g_StoneManager.CreateObject("STONE_B", &m, "S1"));
    stone->m_bShown = 0;
    CMemStream s;
    stone->SaveGame(s);
    EXPECT_EQ(s.m_nPosition, 13u + 32u);

    CStoneObject copy;
    s.m_nPosition = 0;
    copy.LoadGame(s);
    EXPECT_STREQ(copy.m_TypeRef, "STONE_B");
    EXPECT_EQ(copy.m_pType, g_StoneManager.GetType(1));
    EXPECT_EQ(copy.GetPosition().y, 50.0f);
    EXPECT_EQ(copy.m_bShown, 0);
    EXPECT_EQ(copy.m_Frame.m_Matrix.m[0][0], 1.0f); // identity at the loaded position

    s.m_nCapacity = 20; // cut inside the type name
    s.m_nPosition = 0;
    CStoneObject cut;
    EXPECT_THROW(cut.LoadGame(s), CObjectStreamError);
    EXPECT_EQ(cut.GetPosition().y, 0.0f);
}
