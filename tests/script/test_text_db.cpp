// The text database over a real database file: variants and their chance,
// the 32-character limit, the 50-entry cache, the fallbacks, the file named
// in cfg.ini.
#include "common/LogDirTest.h"

#include "foundation/DataBase.h"
#include "foundation/Random.h"
#include "platform/Ini.h"
#include "script/game/TextDatabase.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace
{
struct SRecord
{
    std::string key, text, name;
    int deleted = 0;
};

class TextDB : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        std::filesystem::create_directories(m_dir / "SCRIPT");
        std::filesystem::create_directories(m_dir / "DATA" / "CONFIG");
        m_base = m_dir.string() + "\\";
        m_db.SetBaseDirectory(m_base.c_str());
        g_Random.SetState(12345);
    }
    void Write(const std::vector<SRecord>& records, const char* file = "SCRIPT\\Quest.dat")
    {
        DataBase db;
        ASSERT_TRUE(db.OpenDatabase((m_base + file).c_str(), true, false));
        ASSERT_TRUE(db.SelectTable("INFORMATION"));
        for (const SRecord& r : records)
            ASSERT_TRUE(db.Append(r.key.c_str()) && db.SetField("TEXT", r.text.c_str()) &&
                        db.SetField("NAME", r.name.c_str()) && db.SetField("DELETED", std::int32_t(r.deleted)) &&
                        db.Post());
        ASSERT_TRUE(db.CloseDatabase());
    }
    std::set<std::string> Texts(const char* key, int draws = 300)
    {
        std::set<std::string> seen;
        for (int i = 0; i < draws; ++i)
        {
            CXAnsiString text, name;
            EXPECT_TRUE(m_db.Lookup(key, text, name));
            seen.insert(text.GetText());
        }
        return seen;
    }

    std::string m_base;
    CTextDB m_db;
};

TEST_F(TextDB, VariantsAreEquallyLikelyAndStopAtADeletedOne)
{
    Write({{"HELLO", "h0", "n0"}, {"HELLO.1", "h1", "n1"}, {"HELLO.2", "h2", "n2"}, {"BYE", "b0", ""},
           {"BYE.1", "b1", ""}, {"BYE.2", "b2", "", 1}, {"BYE.3", "b3", ""}});
    ASSERT_TRUE(m_db.Open());
    std::map<std::string, int> counts;
    for (int i = 0; i < 3000; ++i)
    {
        CXAnsiString text, name;
        m_db.Lookup("HELLO", text, name);
        ++counts[text.GetText()];
    }
    ASSERT_EQ(counts.size(), 3u);
    for (const auto& [text, count] : counts)
        EXPECT_NEAR(count, 1000, 150) << text;
    // Variant 2 deleted: variant 3 is not reached either.
    EXPECT_EQ(Texts("BYE"), (std::set<std::string>{"b0", "b1"}));
}

TEST_F(TextDB, AThirtyCharacterKeyHasNoVariants)
{
    const std::string k29(29, 'K'), k30(30, 'L');
    Write({{k29, "base29", ""}, {k29 + ".1", "var29", ""}, {k30, "base30", ""}});
    ASSERT_TRUE(m_db.Open());
    EXPECT_EQ(Texts(k29.c_str()), (std::set<std::string>{"base29", "var29"}));
    EXPECT_EQ(Texts(k30.c_str()), (std::set<std::string>{"base30"}));
}

TEST_F(TextDB, TheFiftyFirstKeyReplacesTheLeastRecentlyUsed)
{
    std::vector<SRecord> records;
    for (int i = 0; i <= 50; ++i)
        records.push_back({"KEY" + std::to_string(i), "t" + std::to_string(i), ""});
    Write(records);
    ASSERT_TRUE(m_db.Open());
    CXAnsiString text, name;
    for (int i = 0; i < 50; ++i)
        m_db.Lookup(("KEY" + std::to_string(i)).c_str(), text, name);
    m_db.Lookup("KEY0", text, name); // KEY1 is now the least recently used
    m_db.Lookup("KEY50", text, name);
    std::set<std::string> cached;
    for (int i = 0; i < CTextDB::kCacheSize; ++i)
        cached.insert(m_db.GetCacheEntry(i).key);
    EXPECT_TRUE(cached.count("KEY0"));
    EXPECT_TRUE(cached.count("KEY50"));
    EXPECT_FALSE(cached.count("KEY1"));
    EXPECT_STREQ(text.GetText(), "t50");
}

TEST_F(TextDB, FallbacksOfTextNameAndMissingKeys)
{
    Write({{"INT_ONLYNAME", "", "Only a name"}, {"ORG_PLAYER", "", "Players"}});
    ASSERT_TRUE(m_db.Open());
    CXAnsiString text, name;
    EXPECT_TRUE(m_db.GetText("INT_ONLYNAME", text));
    EXPECT_STREQ(text.GetText(), "Only a name");
    EXPECT_FALSE(m_db.GetName("NO_SUCH_KEY", name));
    EXPECT_STREQ(name.GetText(), "NO_SUCH_KEY");
    EXPECT_FALSE(m_db.Lookup("NO_SUCH_KEY", text, name));
    EXPECT_STREQ(text.GetText(), "NO_SUCH_KEY");
    EXPECT_STREQ(name.GetText(), "");
    EXPECT_TRUE(m_db.HasKey("int_onlyname")); // the database ignores case
    // The player's clan name replaces the NAME of ORG_PLAYER, also once cached.
    std::string clan;
    m_db.SetClanNameSource([&clan] { return clan; });
    m_db.GetName("ORG_PLAYER", name);
    EXPECT_STREQ(name.GetText(), "Players");
    clan = "Steel Wolves";
    m_db.GetName("ORG_PLAYER", name);
    EXPECT_STREQ(name.GetText(), "Steel Wolves");
}

TEST_F(TextDB, OpensTheFileNamedInTheConfigurationAndReportsAMissingOne)
{
    EXPECT_FALSE(m_db.Open());
    EXPECT_NE(ReadText("error.log").find("CTextDB::Open cannot open the text file"), std::string::npos);
    Write({{"INT_OTHER", "other file", ""}}, "SCRIPT\\Other.dat");
    ASSERT_TRUE(plat::WritePrivateProfileString("PATH", "TextFile", "SCRIPT\\Other.dat",
                                                (m_base + "DATA\\CONFIG\\cfg.ini").c_str()));
    ASSERT_TRUE(m_db.Open());
    CXAnsiString text;
    EXPECT_TRUE(m_db.GetText("INT_OTHER", text));
    EXPECT_STREQ(text.GetText(), "other file");
    EXPECT_EQ(m_db.GetUseCounter(), 1u);
}

} // namespace
