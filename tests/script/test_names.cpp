// Name substitution in texts shown to the player, as an input -> output
// table over a fake text database, progress data and script variables.
#include "common/LogDirTest.h"
#include "ui/FakeTextDB.h"

#include "script/game/ScriptManager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{
class Names : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        m_db.m_Entries = {
            {"ORG_PLAYER", {"", "Free pilots"}},     {"ORG_TRADERS", {"", "Traders"}},
            {"BUILD_1", {"", "North base"}},         {"RATING.1", {"", "Novice"}},
            {"RATING.3", {"", "Ace"}},               {"ORG_PLAYER_MEMBER", {"", "free pilot"}},
            {"TARGET_TEXT", {"go to %BUILDTARGET", "t"}}, {"ITEM_KEY", {"", "Crystal"}},
            {"GLIDER_KEY", {"", "Hornet"}},          {"END_TEXT", {"", "come back"}},
            {"LOOP_A", {"a%TARGET", ""}},
        };
        m_manager.SetTextDB(&m_db);
        m_manager.SetNameSources({[this] { return m_player; }, [this] { return m_clan; },
                                  [] { return std::string("BUILD_1"); },
                                  [this](const char* building, std::string& owner) {
                                      if (!m_buildingKnown || std::string(building) != "BUILD_1")
                                          return false;
                                      owner = "ORG_TRADERS";
                                      return true;
                                  },
                                  [this] { return m_rating; }});
        SetStr("g_buildtarget", "BUILD_1");
        SetStr("g_targetend", "END_TEXT");
        SetStr("g_target", "TARGET_TEXT");
        SetStr("g_itemid", "ITEM_KEY");
        SetStr("g_glidertarget", "GLIDER_KEY");
        SetInt("g_itemrest", 4);
        SetInt("g_itemcount", 12);
        SetInt("g_time", 90);
        SetInt("g_timeleft", 30);
    }
    // Sets (or adds) a string variable.
    void SetStr(const char* name, const char* value)
    {
        for (SScriptStrVar& var : m_manager.StrVars())
            if (std::string(var.name) == name)
            {
                std::snprintf(var.value, sizeof var.value, "%s", value);
                return;
            }
        SScriptStrVar var = {};
        std::snprintf(var.name, sizeof var.name, "%s", name);
        std::snprintf(var.value, sizeof var.value, "%s", value);
        m_manager.StrVars().push_back(var);
    }
    void SetInt(const char* name, int value)
    {
        SScriptIntVar var = {};
        std::snprintf(var.name, sizeof var.name, "%s", name);
        var.value = value;
        m_manager.IntVars().push_back(var);
    }
    std::string Update(const char* text)
    {
        CXAnsiString s(text);
        m_manager.UpdateStringWithNames(s);
        return s.GetText();
    }

    uitest::CFakeTextDB m_db;
    CScriptManager m_manager;
    std::string m_player = "Rex";
    std::string m_clan;
    bool m_buildingKnown = true;
    int m_rating = 0;
};

TEST_F(Names, ReplacesEveryKeyword)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"Hello, %NAME!", "Hello, Rex!"},
        {"%NAMES", "RexS"}, // a longer word that starts with a keyword
        {"%MYCLANNAME", "Free pilots"},
        {"owner %CLANNAME", "owner <a href=ORG_TRADERS>Traders</a>"},
        {"in %BUILDINGNAME", "in North base"},
        {"rank %RATINGNAME", "rank Novice"}, // rating 0 counts as 1
        {"a %ORGMEMBER", "a free pilot"},
        {"%TARGET", "go to North base"}, // a value's own placeholders are replaced too
        {"%RETURN / %BUILDRETURN.", "come back / ."},
        {"%GLIDERTARGET", "<a href=GLIDER_KEY>Hornet</a>"},
        {"%ITEMREST left of %ITEM", "4 left of <a href=ITEM_KEY>Crystal</a>"},
        {"%COUNT %AWARD", "12 0"},
        {"%TIMELEFT of %TIME", "30 of 90"},
        {"%GetVar(g_itemcount)+%GETVAR(g_itemcount)", "12+12"},
        {"to %GetVarChar(g_buildtarget)!", "to BUILD_1!"},
        {"%GetVarChar(g_buildtarget", "BUILD_1"}, // no ")": to the end of the text
        {"50% off ^ok", "50% off %ok"},
        {"line\r\none<br>two\n", "lineone<br>two"},
        {"%", "%"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Update(c.in), c.out) << c.in;
}

TEST_F(Names, ProgressDataAndWorldChanges)
{
    m_clan = "Steel Wolves";
    m_rating = 3;
    m_buildingKnown = false;
    EXPECT_EQ(Update("%MYCLANNAME, %RATINGNAME, %CLANNAME"), "Steel Wolves, Ace, NONE");
    SetStr("g_glidertarget", "NOT_A_KEY");
    EXPECT_EQ(Update("%GLIDERTARGET"), "NOT_A_KEY");
}

TEST_F(Names, ValuesThatHoldPlaceholdersAlwaysEnd)
{
    m_player = "Mr %NAME";
    EXPECT_EQ(Update("I am %NAME"), "I am Mr %NAME");
    SetStr("g_self", "%GetVarChar(g_self)");
    EXPECT_EQ(Update("x%GetVarChar(g_self)"), "x%GetVarChar(g_self)");
    // TARGET -> LOOP_A's text "a%TARGET" refers back to itself.
    SetStr("g_target", "LOOP_A");
    EXPECT_EQ(Update("%TARGET"), "a%TARGET");
    // Two values that refer to each other stop after a bounded number of rounds.
    m_db.m_Entries["LOOP_B"] = {"b%RETURN", ""};
    m_db.m_Entries["END_TEXT"] = {"e%TARGET", ""};
    SetStr("g_target", "LOOP_B");
    const std::string out = Update("%TARGET");
    EXPECT_EQ(out.substr(0, 4), "bebe");
    EXPECT_NE(ReadText("error.log").find("placeholders refer to each other"), std::string::npos);
}

} // namespace
