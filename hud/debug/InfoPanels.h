// The diagnostic panels of the renderer, which nothing in the game calls:
// CRenderer::ShowInfo (what the player carries, three control flags and the
// targeted glider's AI) and CRenderer::DrawTarget / DrawTargetInfo (markers
// on the target's group and a text box about the target).
//
// The lines are built apart from the drawing so that they can be checked
// without a device. Every line is drawn twice: a black shadow, then the
// text in its colour.
//
// The target block is drawn from SAIReport, which FillAIReport fills from
// the target's per-glider AI, its group and the group's AI (or which the
// renderer is handed); it is left out when the chain of target, mechanoid,
// AI, group and group AI breaks. The AI keeps no authority value, no
// leave-sight flag and no emergency flag on road records: those lines show
// their defaults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SInfoLine
{
    std::string text;
    std::uint32_t colour = 0xFFFFFFFFu;
    int x = 0, y = 0;             // the text
    int shadowX = 0, shadowY = 0; // its shadow
    std::uint32_t shadowColour = 0xFF000000u;
};

// The player block: configuration, guns, special equipment, height.
struct SPlayerInfo
{
    std::string configuration; // display name
    bool lightGun = false;
    std::string lightGunName;
    bool heavyGun = false;
    std::string heavyGunName;
    bool equipment[28] = {}; // in the order of kSpecialEquipmentLabels
    float height = 0.0f;     // over the ground
};
extern const char* const kSpecialEquipmentLabels[28];

std::vector<SInfoLine> PlayerInfoLines(const SPlayerInfo& info);
std::vector<SInfoLine> FlagInfoLines(bool alwaysRun, bool cruise, bool antiRocket);

// What the target's AI and its group's AI report.
struct SAIReport
{
    int groupClass = 0; // 0 "Транс" .. 4 "Напарник игрока"
    int state = 0;      // the AI's state code
    int groupMode = 0;  // 8: gathering goods
    bool waitingToPark = false;
    bool collecting = false;
    bool followsPlayer = false;
    int routePoint = -1; // current route point (-1 none)
    int previousPoint = -1;
    bool leavingSight = false;
    bool emergencyPoint = false; // the current point's road is an emergency one
    bool hasOpponent = false;
    std::string opponent;
    int approachSide = 0;
    float attackDistance = 0.0f;
    bool hasBuilding = false;
    float buildingDistance = 0.0f; // glider to the building's approach point
    float goalDistance = 0.0f;     // glider to the AI's goal point
    bool centreApart = false;      // the group centre is not the glider's position
    float goalToCentre = 0.0f;
    int memberCount = 1;
    float centreDistance = 0.0f;
    std::string placeFrom, placeTo;
    bool forward = true;
    std::vector<int> route;          // road indices
    std::vector<int> emergencyRoute; // road indices
    bool emergency = false;
    struct SRelation
    {
        float value = 0.0f;
        bool correctable = true;
    };
    std::vector<SRelation> playerRelations; // entries for the player's group
    float authority = 0.0f;
    float aggressiveness = 0.0f;
    float goodsWeight = 0.0f;
    float maxGoodsWeight = 0.0f;
    float speed = 0.0f, brake = 0.0f;
    float energy = 0.0f; // fraction of the maximum
};

std::vector<SInfoLine> TargetAIInfoLines(const SAIReport& ai);

class CGliderObject;
// The report of the target glider's AI, with the relations its group's AI
// keeps to the player glider's group; false (out untouched) when the
// target has no mechanoid, a killed one, no AI, no group or no group AI.
bool FillAIReport(const CGliderObject& target, const CGliderObject* player, SAIReport* out);

// The target box's six text lines (texts as the text database gives them).
struct STargetInfo
{
    std::string gliderLine;     // "INT_INF_GLIDERS_IS" formatted
    std::string lightGunLine;   // empty without a light gun
    std::string heavyGunLine;   // empty without a heavy gun
    std::string protectionLine; // "INT_INF_SHIELD_IS" + armour + "; " + shield
    std::string damageLine;     // "INT_INF_NO_DAMAGES" or the damages
    bool damaged = false;       // the damages line's colour
    std::string holdLine;       // "INT_INF_HOLD_IS" formatted or "INT_INF_HOLD_EMPTY"
    bool holdFull = false;
};
// The lines of the box at (left + 6, top + 6), one font height h apart.
std::vector<SInfoLine> TargetBoxLines(const STargetInfo& info, int left, int top, int h);

// Marker geometry of a member at view-projection (x, y, w), radius r, for
// a screen w x h: the bracket size s clamped to -8..128, or, off screen, the
// edge arrow's point and angle.
struct SMarkerPlace
{
    bool valid = false;
    float sx = 0.0f, sy = 0.0f, s = 0.0f;
    float ax = 0.0f, ay = 0.0f, angle = 0.0f;
};
SMarkerPlace MarkerOnScreen(float x, float y, float w, float radius, int width, int height);
SMarkerPlace MarkerArrow(float x, float y, float w, int width, int height);
