// The diagnostic panels' lines: the player block's places, the control
// flags, the target AI's state line and its rules, the target box, and the
// target markers' geometry.

#include "hud/debug/InfoPanels.h"

#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
const SInfoLine* Find(const std::vector<SInfoLine>& lines, const std::string& start)
{
    for (const SInfoLine& line : lines)
        if (line.text.rfind(start, 0) == 0) return &line;
    return nullptr;
}
} // namespace

TEST(InfoPanels, PlayerBlockPlaces)
{
    SPlayerInfo info;
    info.configuration = "CFG";
    info.heavyGun = true;
    info.heavyGunName = "HEAVY";
    auto lines = PlayerInfoLines(info);
    ASSERT_NE(Find(lines, "HEAVY"), nullptr);
    EXPECT_EQ(Find(lines, "HEAVY")->y, 515); // moves up without a light gun
    ASSERT_NE(Find(lines, "Height = "), nullptr);
    EXPECT_EQ(Find(lines, "Height = ")->y, 240); // no special equipment
    EXPECT_EQ(Find(lines, "Height = ")->shadowX, 821);

    info.lightGun = true;
    info.lightGunName = "LIGHT";
    info.equipment[0] = info.equipment[27] = true;
    lines = PlayerInfoLines(info);
    EXPECT_EQ(Find(lines, "LIGHT")->x, 821);
    EXPECT_EQ(Find(lines, "HEAVY")->y, 530);
    EXPECT_EQ(Find(lines, "exAccelerator")->y, 240);
    EXPECT_EQ(Find(lines, "exStrengthening")->y, 255);
    EXPECT_EQ(Find(lines, "Height = ")->y, 270);

    const auto flags = FlagInfoLines(false, true, true);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0].text, "bCruise");
    EXPECT_EQ(flags[0].y, 440);
    EXPECT_EQ(flags[1].y, 455);
}

TEST(InfoPanels, TargetAIStateLine)
{
    SAIReport ai;
    ai.state = 0; // no rule for it
    auto lines = TargetAIInfoLines(ai);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].y, 400);
    EXPECT_EQ(lines[1].y, 415);
    EXPECT_EQ(lines[1].colour, 0x00FFFFFFu);
    EXPECT_EQ(lines[1].text, "\xD1\xEE\xF1\xF2\xEE\xFF\xED\xE8\xE5 \xED\xE5\xEE\xEF\xF0\xE5\xE4\xE5\xEB"
                             "e\xED\xEE. \xCA\xEE\xE4 [0]");
    // An empty route in a state other than 2 says so.
    EXPECT_NE(Find(lines, "\xCD\xE5\xF2 \xED\xE8"), nullptr);

    // State 2: the attack line, and never the route and emergency lines.
    ai.state = 2;
    ai.hasOpponent = true;
    ai.opponent = "FOE";
    ai.approachSide = 3;
    ai.attackDistance = 12.5f;
    ai.emergency = true;
    ai.emergencyRoute = {4};
    lines = TargetAIInfoLines(ai);
    EXPECT_EQ(lines[1].colour, 0xFFFF0000u);
    EXPECT_NE(lines[1].text.find("FOE, \xE8\xE4\xF3 \xED\xE0 \xF2\xE0\xF0\xE0\xED, "), std::string::npos);
    EXPECT_NE(lines[1].text.find("[12.50]"), std::string::npos);
    EXPECT_EQ(Find(lines, "\xCD\xE5\xF2 \xED\xE8"), nullptr);
    EXPECT_EQ(Find(lines, "\xCA\xF0\xE8\xF2\xE8\xF7"), nullptr);

    // Two relation entries for the player's group: the three lines twice.
    ai.state = 1;
    ai.playerRelations = {{0.5f, true}, {-0.25f, false}};
    lines = TargetAIInfoLines(ai);
    int authority = 0;
    for (const SInfoLine& line : lines)
        authority += line.text.rfind("\xC0\xE2\xF2\xEE\xF0", 0) == 0;
    EXPECT_EQ(authority, 2);
    // The emergency line's own shadow colour.
    const SInfoLine* critical = Find(lines, "\xCA\xF0\xE8\xF2\xE8\xF7");
    ASSERT_NE(critical, nullptr);
    EXPECT_EQ(critical->colour, 0xAAFF0000u);
    EXPECT_EQ(critical->shadowColour, 0xAA000000u);
}

TEST(InfoPanels, TargetBoxAndMarkers)
{
    STargetInfo info;
    info.gliderLine = "G";
    info.protectionLine = "P";
    info.damageLine = "D";
    info.holdLine = "EMPTY";
    auto lines = TargetBoxLines(info, 100, 500, 12);
    ASSERT_EQ(lines.size(), 4u); // no guns
    EXPECT_EQ(lines[0].x, 106);
    EXPECT_EQ(lines[0].y, 506);
    EXPECT_EQ(lines[3].colour, 0xFFFFFFFFu); // an empty hold in white
    info.lightGunLine = "L";
    info.heavyGunLine = "H";
    EXPECT_EQ(TargetBoxLines(info, 100, 500, 12).size(), 6u);

    // Below -8 (a sphere round the viewer) the brackets stay at -8; near,
    // they stop at 128.
    EXPECT_FLOAT_EQ(MarkerOnScreen(0.0f, 0.0f, -100.0f, 50.0f, 1024, 768).s, -8.0f);
    EXPECT_FLOAT_EQ(MarkerOnScreen(0.0f, 0.0f, 1.0f, 50.0f, 1024, 768).s, 128.0f);
    const SMarkerPlace centre = MarkerOnScreen(0.0f, 0.0f, 10.0f, 1.0f, 1024, 768);
    EXPECT_FLOAT_EQ(centre.sx, 512.0f);
    EXPECT_FLOAT_EQ(centre.sy, 384.0f);
    EXPECT_FALSE(MarkerOnScreen(std::nanf(""), 0.0f, 1.0f, 1.0f, 1024, 768).valid);
    // Straight behind with x exactly 0: the arrow is computed with 0.01.
    const SMarkerPlace behind = MarkerArrow(0.0f, 0.0f, -100.0f, 1024, 768);
    ASSERT_TRUE(behind.valid);
    const float k = 1.0f / (1.3f * std::sqrt(0.1f));
    EXPECT_NEAR(behind.ax, (k * 0.01f + 1.0f) * 512.0f, 1e-3f);
    EXPECT_NEAR(behind.angle, std::atan2(0.0f, k * 0.01f) + 3.14159265f, 1e-5f);
}

// The report comes from the target's own AI, its group and the group's AI:
// states, route, relations to the player's group, cargo and brake; without
// a group AI there is none.
TEST(InfoPanels, TheTargetsAIFillsTheReport)
{
    CMech mech, playerMech;
    std::strcpy(mech.m_szId, "M1");
    std::strcpy(playerMech.m_szId, "PLAYER");
    CMechanoid mechanoid;
    CGliderObject glider, player;
    glider.m_pMech = &mech;
    glider.m_pMechanoid = &mechanoid;
    glider.m_Frame.SetPosition(CVector{100.0f, 0.0f, 0.0f});
    player.m_pMech = &playerMech;
    auto* ai = new CBasicAI;
    glider.m_pAI.reset(ai);
    ai->SetMech(&mech);
    SAIReport report;
    EXPECT_FALSE(FillAIReport(glider, &player, &report)) << "no group";

    CMechGroup2 group, mine;
    group.SetAI(1);
    group.AddMech(&mech);
    mine.AddMech(&playerMech);
    group.m_vCentre = CVector{100.0f, 30.0f, 0.0f};
    CGroupAI& groupAI = *group.GetGroupAI();
    groupAI.m_Route = {4, 5, 6};
    groupAI.m_nCurrentRoad = 5;
    groupAI.m_nPreviousRoad = 4;
    groupAI.m_Relations[0].m_pGroup = &mine;
    groupAI.m_Relations[0].m_fRelation = -0.5f;
    groupAI.m_nRelations = 1;
    ai->m_nMode = CBasicAI::MODE_MOVE;
    ai->m_vDestination = CVector{100.0f, 40.0f, 0.0f};
    glider.m_fGrip = 0.7f;
    ASSERT_TRUE(FillAIReport(glider, &player, &report));
    EXPECT_EQ(report.groupClass, 1);
    EXPECT_EQ(report.state, CBasicAI::MODE_MOVE);
    EXPECT_EQ(report.routePoint, 5);
    EXPECT_EQ(report.previousPoint, 4);
    EXPECT_EQ(report.route, (std::vector<std::int32_t>{4, 5, 6}));
    EXPECT_FLOAT_EQ(report.goalDistance, 40.0f);
    EXPECT_FLOAT_EQ(report.centreDistance, 30.0f);
    EXPECT_FLOAT_EQ(report.goalToCentre, 10.0f);
    EXPECT_EQ(report.memberCount, 1);
    ASSERT_EQ(report.playerRelations.size(), 1u);
    EXPECT_FLOAT_EQ(report.playerRelations[0].value, -0.5f);
    EXPECT_FLOAT_EQ(report.brake, 0.7f);
    // The lines: the class and the state the report gives.
    const auto lines = TargetAIInfoLines(report);
    EXPECT_NE(lines[1].text.find("[5]"), std::string::npos) << lines[1].text;
    group.RemoveMech(&mech);
    mine.RemoveMech(&playerMech);
}
