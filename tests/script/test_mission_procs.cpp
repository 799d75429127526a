// The mission scripts' built-in procedures, called as a script line would
// call them, against the recording fake world.
#include "MissionTestUtil.h"
#include "ui/FakeTextDB.h"

#include "script/MissionWorldObjects.h"
#include "world/ObjectList.h"
#include "world/StoneObject.h"
#include "world/SysObject.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{
using namespace missiontest;

class MissionProcs : public CMissionTest
{
protected:
    void SetUp() override
    {
        CMissionTest::SetUp();
        m_db.m_Entries = {{"HELLO", {"Hello text", "Hello name"}}};
        m_manager.SetTextDB(&m_db);
    }
    // Parses and runs one call line, as a statement or condition operand.
    bool Call(const char* line)
    {
        EXPECT_NE(m_manager.GetFunction(line), -1) << line;
        return m_manager.RunFunction(m_manager.GetName(), m_manager.GetArguments());
    }

    uitest::CFakeTextDB m_db;
};

TEST_F(MissionProcs, AnswerAsTheWorldStands)
{
    m_world.mechanoids = {"MECH_A", "MECH_B"};
    m_world.goods = {{"TOV_ORE", 5}};
    m_world.equipment = {{"EQP_RADAR", 1}};
    m_world.money = 100.0f;
    m_world.rating = 3;
    m_world.objects = {{"TOWER_1", 1}};
    m_world.groups = {{"PIRATES", 1}};
    const struct
    {
        const char* line;
        bool result;
    } cases[] = {
        {"_PLAYERHAS(MECHANOID,2)", true},
        {"_PLAYERHAS(MECHANOID,3)", false},
        {"_PLAYERHAS(MECH_B)", true},
        {"_PLAYERHAS(EQP_RADAR)", true},
        {"_PLAYERHAS(EQP_SHIELD)", false},
        {"_PLAYERHAS(TOV_ORE,5)", true},
        {"_PLAYERHAS(TOV_ORE,6)", false},
        {"_PLAYERHAS(GUN_X)", false},
        {"_MOREBALANCE(100)", true},
        {"_MOREBALANCE(100.5)", false},
        {"_MORERATING(3)", true},
        {"_MORERATING(4)", false},
        {"_PLAYERINORG(ORG_PLAYER)", true},
        {"_PLAYERINORG(ORG_TRADERS)", false},
        {"_ISGLIDER(*,*,X)", true},
        {"_ISGLIDER(*,*,Y)", false},
        {"_ISGLIDER(HORN)", true},
        {"_ISGLIDER(HORNET,ORNET,X2)", true},
        {"_ISGLIDER(WASP)", false},
        {"_ISGLIDER()", true},
        {"_PLAYERDAMAGEDHI()", false},
        {"_PLAYERDAMAGEDLOW()", false},
        {"_REANIMATE(PIRATES)", true},
        {"_REANIMATE(NOBODY)", false},
        {"_TASKEXIST()", true},
        {"_PROCESS(2)", false},
        {"_MOVE()", true},
        {"_SETBONUS()", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Call(c.line), c.result) << c.line;
}

TEST_F(MissionProcs, UnknownNamesAndTheNamesWithoutBehaviourAnswerFalse)
{
    for (const char* line : {"_FOO()", "_SETORGRELATION(A,B,1)", "_PLAYERISENEMY(X)", "_MOREORGKILLED(ORG,2)",
                             "_INFO2(HELLO)", "_info(HELLO)"})
        EXPECT_FALSE(Call(line)) << line;
    // A name whose hash equals a known one's is not that procedure: names
    // are compared, not hashed.
    EXPECT_EQ(MissionNameHash("SOQE"), MissionNameHash("MOVE"));
    EXPECT_TRUE(Call("_MOVE()"));
    EXPECT_FALSE(Call("_SOQE()"));
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("CMMScriptManager::RunFunction Unknown user procedure FOO"), std::string::npos);
    EXPECT_NE(log.find("Unknown user procedure SETORGRELATION"), std::string::npos);
    // In a condition an unknown call counts as false.
    Script("COND", "PROC GO\nIF(_FOO())\n{\n_SETEVENT(YES)\n}\nELSE\n{\n_SETEVENT(NO)\n}\nEND\n");
    ASSERT_TRUE(m_manager.MMRunScript("COND", 2, "GO"));
    EXPECT_TRUE(m_manager.CheckVar("NO"));
    EXPECT_FALSE(m_manager.CheckVar("YES"));
}

TEST_F(MissionProcs, ActOnTheWorld)
{
    EXPECT_FALSE(Call("_PAUSE(0)")); // a running game stays running
    EXPECT_FALSE(m_world.paused);
    EXPECT_TRUE(Call("_PAUSE()"));
    EXPECT_TRUE(m_world.paused);
    EXPECT_TRUE(Call("_PAUSE(0)"));
    EXPECT_FALSE(m_world.paused);

    EXPECT_TRUE(Call("_ADDOBJECT(TOV_ORE)"));
    EXPECT_TRUE(Call("_ADDOBJECT(TOV_ORE,4)"));
    EXPECT_TRUE(Call("_REMOVEOBJECT(TOV_ORE,2)"));
    EXPECT_EQ(m_world.goods["TOV_ORE"], 3);
    Call("_ADDOBJECT(TOV_ORE,0)");
    EXPECT_NE(ReadText("error.log").find("CMMScriptManager::AddObject invalid number of objects"), std::string::npos);

    Call("_ADDBALANCE(-20)");
    EXPECT_FLOAT_EQ(m_world.money, -20.0f);
    EXPECT_FLOAT_EQ(m_manager.State().expense[0] + m_manager.State().expense[1] + m_manager.State().expense[2] +
                        m_manager.State().expense[3], 0.0f); // kind -1 changes no accumulator
    Call("_MARK(BASE)");
    Call("_UNMARK(BASE)");
    EXPECT_EQ(m_world.marks, (std::vector<std::string>{"+BASE", "-BASE"}));
    Call("_HIDEOBJECT(GHOST)");
    EXPECT_NE(ReadText("error.log").find("CMMScriptManager::ShowObject object 'GHOST' not found"), std::string::npos);
    Call("_SHOWOBJECTATPOS(TOWER,NOWHERE)");
    EXPECT_NE(ReadText("error.log").find("Pointer 'NOWHERE' not found"), std::string::npos);

    Call("_EJECT()");
    Call("_RESTART()");
    EXPECT_TRUE(m_manager.m_bEject && m_manager.m_bRestart);

    Call("_INFO(HELLO)");
    Call("_KNOW(MISSING)");
    ASSERT_EQ(m_manager.MessageCount(), 3); // the balance change, then the two texts
    EXPECT_STREQ(m_manager.Message(1).text.GetText(), "Hello text");
    EXPECT_STREQ(m_manager.Message(1).name.GetText(), "Hello name");
    EXPECT_STREQ(m_manager.Message(2).text.GetText(), "MISSING");
}

TEST_F(MissionProcs, TaskExistLooksAtTheNextTaskTimer)
{
    Script("M1", "PROC GO\n_STARTTIMER(M1.NEXTTASK,2)\nEND\nPROC LONG\n_STARTTIMER(M1.NEXTTASK,30000)\nEND\n"
                 "PROC ASK\nIF(_TASKEXIST(1))\n{\n_SETEVENT(SHORT)\n}\nIF(_TASKEXIST())\n{\n_SETEVENT(SWITCH)\n}\nEND\n");
    ASSERT_TRUE(m_manager.MMRunScript("M1", 2, "GO"));
    m_manager.MMRunScript("M1", 2, "ASK");
    EXPECT_TRUE(m_manager.CheckVar("SHORT"));
    EXPECT_FALSE(m_manager.CheckVar("SWITCH"));
    m_world.taskSwitch = true;
    m_manager.Reset();
    m_manager.MMRunScript("M1", 2, "LONG");
    m_manager.MMRunScript("M1", 2, "ASK");
    EXPECT_FALSE(m_manager.CheckVar("SHORT"));
    EXPECT_TRUE(m_manager.CheckVar("SWITCH"));
}

TEST_F(MissionProcs, DieKillsThePlayerAndTheRunGoesOn)
{
    Script("DOOM", "PROC GO\n_DIE()\n_SETEVENT(AFTER)\nEND\n");
    ASSERT_TRUE(m_manager.MMRunScript("DOOM", 2, "GO"));
    EXPECT_EQ(m_world.deaths, 1);
    EXPECT_TRUE(m_manager.CheckVar("AFTER"));
}

} // namespace

namespace
{
// SHOWOBJECT/HIDEOBJECT and SHOWOBJECTATPOS over a real object list.
TEST_F(MissionProcs, ShowAndHideObjectsOfTheObjectList)
{
    CObjectList list;
    auto* rock = new CStoneObject();
    std::snprintf(rock->m_szGameId, sizeof rock->m_szGameId, "ROCK");
    rock->m_bShown = 1;
    rock->m_bChanged = 0;
    list.AddObject(rock);
    list.AddSysObject(new CSysObject(CMatrix(1.0f), "GATE", 2));
    CMissionWorldObjects world(&list);
    m_manager.SetWorld(&world);
    EXPECT_TRUE(Call("_HIDEOBJECT(ROCK)"));
    EXPECT_EQ(rock->m_bShown, 0);
    EXPECT_EQ(rock->m_bChanged, 1);
    Call("_SHOWOBJECT(ROCK)");
    EXPECT_EQ(rock->m_bShown, 1);
    Call("_SHOWOBJECTATPOS(ROCK,GATE)");
    Call("_SHOWOBJECT(NOTHING)");
    const std::string log = ReadText("error.log");
    EXPECT_EQ(log.find("Pointer 'GATE' not found"), std::string::npos);
    EXPECT_NE(log.find("object 'NOTHING' not found"), std::string::npos);
    list.Clear();
    m_manager.SetWorld(&m_world);
}
} // namespace
