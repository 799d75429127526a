#include "hud/debug/InfoPanels.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/XString.h"
#include "graphics/Font.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "hud/Renderer.h"
#include "location/Location.h"
#include "script/TextDB.h"
#include "script/game/TextDatabase.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/EquipmentManager.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "graphics/Shaders.h"
#include "location/ViewCamera.h"
#include "world/TypeManagers.h"
#include "units/BuildingObject.h"
#include "units/Mechanoid.h"
#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "world/Mech.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

const char* const kSpecialEquipmentLabels[28] = {
    "exAccelerator",    "exAntimatterSintez", "exAntiRockets",     "exBooster",
    "exChaosGenerator", "exCriogenerator",    "exDisperseShield",  "exElectroStabilizer",
    "exEnergyModifier", "exJumpConcetrator",  "exMaskShield",      "exMegaAntigrav",
    "exMegaBrake",      "exMegaEnergy",       "exMegaFuel",        "exMegaTurn",
    "exMobilizer",      "exMultiShield",      "exNullConcetrator", "exOpticalBooster",
    "exRepairModul",    "exPusher",           "exRadiationShield", "exRegenerator",
    "exRepairSystem",   "exStazisGenerator",  "exStrafeJumper",    "exStrengthening"};

namespace
{
// The devices behind the labels, in the labels' order.
const EDevice kLabelDevices[28] = {EQP_ACCELERATOR,         EQP_ANTIMATTER_SYNTH,
                                   EQP_ANTIROCKET_SYSTEM,   EQP_BOOSTER,
                                   EQP_CHAOS_GEN,           EQP_CRYOGENERATOR,
                                   EQP_DISPERSE_SHIELD,     EQP_ELM_STABILIZER,
                                   EQP_ENERGY_RECYCLER,     EQP_JUMP_CONCENTRATOR,
                                   EQP_INVISIBILITY_SHIELD, EQP_HI_POWER_ANTIGRAV,
                                   EQP_BRAKE_BOOSTER,       EQP_ACCUMULATOR,
                                   EQP_FUEL_EXPANDER,       EQP_CONTROL_BUSTER,
                                   EQP_MOBILIZER,           EQP_SHIELD_MULTIPLIER,
                                   EQP_ZERO_THICKENER,      EQP_NIGHTVISION,
                                   EQP_REPAIR_BOT,          EQP_PUSHER,
                                   EQP_RADIATION_SHIELD,    EQP_REGENERATOR,
                                   EQP_REPAIR_SYSTEM,       EQP_STASIS_GENERATOR,
                                   EQP_STRAFE_JUMPER,       EQP_EXTRA_ARMOR};

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

// A line with its shadow one pixel lower and one further right.
SInfoLine Line(std::string text, std::uint32_t colour, int x, int y)
{
    return SInfoLine{std::move(text), colour, x, y, x + 1, y + 1};
}

std::string NameOf(const char* key)
{
    if (!g_pTextDB || !key) return key ? key : "";
    CXAnsiString name;
    g_pTextDB->GetName(STextKey(key), name);
    return name.GetData() ? name.GetData() : key;
}

// The TEXT field of a key; with both, even an empty one (else the NAME
// field stands in for an empty text).
std::string TextOf(const char* key, bool both)
{
    if (!g_pTextDB) return key;
    CXAnsiString text, name;
    if (both)
        g_pTextDB->Lookup(STextKey(key), text, name);
    else
        g_pTextDB->GetText(STextKey(key), text);
    return text.GetData() ? text.GetData() : "";
}

// A text with printf fields filled from the database's own format (one
// string, or integers): the format is the data's, so only the fields it
// has are taken.
std::string FormatText(const std::string& format, const char* text)
{
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i)
    {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's')
        {
            out += text;
            ++i;
        }
        else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%')
        {
            out += '%';
            ++i;
        }
        else
            out += format[i];
    }
    return out;
}

std::string FormatNumbers(const std::string& format, const int* values, int count)
{
    std::string out;
    int next = 0;
    for (std::size_t i = 0; i < format.size(); ++i)
    {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd')
        {
            out += std::to_string(next < count ? values[next++] : 0);
            ++i;
        }
        else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%')
        {
            out += '%';
            ++i;
        }
        else
            out += format[i];
    }
    return out;
}

struct SQuadVertex
{
    float x, y, z, rhw, u0, v0, u1, v1;
};

void DrawLines(const std::vector<SInfoLine>& lines)
{
    if (!g_pFontSmall) return;
    for (const SInfoLine& line : lines)
    {
        g_pFontSmall->RenderText(float(line.shadowX), float(line.shadowY), line.text.c_str(),
                                 line.shadowColour, 0xFFFF);
        g_pFontSmall->RenderText(float(line.x), float(line.y), line.text.c_str(), line.colour, 0xFFFF);
    }
}
} // namespace

std::vector<SInfoLine> PlayerInfoLines(const SPlayerInfo& info)
{
    std::vector<SInfoLine> lines;
    lines.push_back(Line(info.configuration, 0xFF33FF33u, 820, 500));
    int y = 515;
    if (info.lightGun)
    {
        SInfoLine light = Line(info.lightGunName, 0xFFFFFF33u, 821, 515);
        light.shadowX = 821;
        light.shadowY = 516;
        lines.push_back(light);
        y = 530;
    }
    if (info.heavyGun) lines.push_back(Line(info.heavyGunName, 0xFFFF3333u, 820, y));
    y = 240;
    for (int i = 0; i < 28; ++i)
        if (info.equipment[i])
        {
            lines.push_back(Line(kSpecialEquipmentLabels[i], 0xFFFF8888u, 820, y));
            y += 15;
        }
    SInfoLine height = Line(Printf("Height = %f", double(info.height)), 0xFFFFFF33u, 821, y);
    height.shadowX = 821;
    lines.push_back(height);
    return lines;
}

std::vector<SInfoLine> FlagInfoLines(bool alwaysRun, bool cruise, bool antiRocket)
{
    std::vector<SInfoLine> lines;
    int y = 440;
    const std::pair<bool, const char*> flags[3] = {
        {alwaysRun, "bAlwaysRun"}, {cruise, "bCruise"}, {antiRocket, "bAntiRocket"}};
    for (const auto& [set, name] : flags)
        if (set)
        {
            lines.push_back(Line(name, 0xFF008833u, 820, y));
            y += 15;
        }
    return lines;
}

std::vector<SInfoLine> TargetAIInfoLines(const SAIReport& ai)
{
    std::vector<SInfoLine> lines;
    int y = 400;
    const auto add = [&](std::string text, std::uint32_t colour)
    {
        lines.push_back(SInfoLine{std::move(text), colour, 10, y, 11, y + 1});
        y += 15;
    };
    static const char* const kClasses[5] = {"\xD2\xF0\xE0\xED\xF1", "\xCE\xF5\xF0\xE0\xED\xED\xE8\xEA",
                                            "\xD1\xE2\xEE\xE1\xEE\xE4\xED\xFB\xE9",
                                            "\xCC\xE8\xED\xE8\xEC\xE0\xEB\xFC\xED\xFB\xE9",
                                            "\xCD\xE0\xEF\xE0\xF0\xED\xE8\xEA \xE8\xE3\xF0\xEE\xEA\xE0"};
    add(std::string("\xCA\xEB\xE0\xF1\xF1 AI: ") +
            (ai.groupClass >= 0 && ai.groupClass < 5 ? kClasses[ai.groupClass] : "not defined"),
        0xFF33FF33u);

    // The state line: the rules in order, each replacing text and colour.
    std::uint32_t colour = 0x00FFFFFFu;
    std::string text = Printf("\xD1\xEE\xF1\xF2\xEE\xFF\xED\xE8\xE5 \xED\xE5\xEE\xEF\xF0\xE5\xE4\xE5\xEB"
                              "e\xED\xEE. \xCA\xEE\xE4 [%d]",
                              ai.state);
    if (ai.state == 9)
        text = "\xD1\xF2\xEE\xFE \xE2 \xE3\xE0\xF0\xE0\xE6\xE5. \xCC\xEE\xE7\xE3 "
               "\xEE\xF2\xEA\xEB\xFE\xF7\xE5\xED.";
    if (ai.state == 1)
    {
        text = "\xD1\xF2\xEE\xFE, \xF2\xF3\xEF\xEB\xFE";
        colour = 0xFFE95C5Cu;
        if (ai.waitingToPark)
        {
            text = "\xC6\xE4\xF3 \xF1\xE2\xEE\xE5\xE9 \xEE\xF7\xE5\xF0\xE5\xE4\xE8 \xED\xE0 "
                   "\xEF\xE0\xF0\xEA\xEE\xE2\xEA\xF3";
            colour = 0xFFCC9F89u;
        }
    }
    if (ai.groupMode == 8)
    {
        colour = 0xFF00FFFFu;
        text = ai.collecting ? "\xD1\xEE\xE1\xE8\xF0\xE0\xFE \xE3\xF0\xF3\xE7 \xF1 \xE7\xE5\xEC\xEB\xE8"
                             : "\xC6\xE4\xF3, \xEF\xEE\xEA\xE0 \xF1\xEE\xE1\xE5\xF0\xF3\xF2 \xE3\xF0\xF3\xE7";
    }
    if (ai.state == 6)
        text = "\xCF\xF0\xE8\xF1\xEC\xE0\xF2\xF0\xE8\xE2\xE0\xFE \xE7\xE0 \xE2\xE0\xEC\xE8 "
               "\xE7\xE0 \xE2\xF1\xE5\xEC\xE8";
    if (ai.state == 5)
        text = "\xD1\xF2\xEE\xFE, \xED\xEE \xED\xE5 \xEF\xF0\xEE\xF7\xFC "
               "\xEF\xEE\xE4\xF0\xE0\xF6\xF6\xE0";
    if (ai.state == 4)
    {
        if (ai.followsPlayer)
        {
            text = "\xCB\xE5\xF7\xF3 \xE7\xE0 \xE8\xE3\xF0\xEE\xEA\xEE\xEC";
            colour = 0xFF00FF00u;
        }
        else
        {
            if (ai.routePoint != -1)
            {
                text = ai.leavingSight
                           ? std::string("\xCF\xFB\xF2\xE0\xFE\xF1\xFC \xF3\xE5\xF5\xE0\xF2\xFC "
                                         "\xF1 \xE3\xEB\xE0\xE7 \xE8\xE3\xF0\xEE\xEA\xE0")
                           : Printf("\xC5\xE4\xF3 \xE2 \xF2\xEE\xF7\xEA\xF3 #: [%d]", ai.routePoint);
                text += std::string(", \xFD\xF2\xEE ") +
                        (ai.emergencyPoint ? "\xE0\xE2\xE0\xF0\xE8\xE9\xED\xE0\xFF"
                                           : "\xEF\xF0\xEE\xF1\xF2\xE0\xFF") +
                        " \xF2\xEE\xF7\xEA\xE0";
            }
            colour = 0xFF00FFFFu;
        }
        if (ai.collecting)
            text +=
                ", \xED\xEE \xEF\xEE\xEA\xE0 \xEF\xFB\xF2\xE0\xFE\xF1\xFC \xF1\xEE\xE1\xE8\xF0\xE0\xF2\xFC "
                "\xF0\xE0\xF1\xF1\xFB\xEF\xE0\xED\xED\xFB\xE5 \xF2\xEE\xE2\xE0\xF0\xFB";
    }
    if (ai.state == 3 && ai.hasOpponent)
    {
        text = "\xCB\xEE\xEC\xEB\xFE\xF1\xFC \xEE\xF2 " + ai.opponent;
        colour = 0xFF689AFFu;
    }
    if (ai.state == 2)
    {
        colour = 0xFFFF0000u;
        if (!ai.hasOpponent)
            text =
                "\xCD\xE5\xF2 \xF6\xE5\xEB\xE8 \xE4\xEB\xFF \xE0\xF2\xE0\xEA\xE8. \xCE\xF8\xE8\xE1\xEA\xE0.";
        else
        {
            static const char* const kSides[4] = {", \xE7\xE0\xF5\xEE\xE6\xF3 \xF1\xEB\xE5\xE2\xE0",
                                                  ", \xE7\xE0\xF5\xEE\xE6\xF3 \xF1\xEF\xF0\xE0\xE2\xE0",
                                                  ", \xE7\xE0\xF5\xEE\xE6\xF3 \xF1\xE7\xE0\xE4\xE8",
                                                  ", \xE8\xE4\xF3 \xED\xE0 \xF2\xE0\xF0\xE0\xED"};
            text = "\xC0\xF2\xE0\xEA\xF3\xFE " + ai.opponent;
            if (ai.approachSide >= 0 && ai.approachSide < 4) text += kSides[ai.approachSide];
            text += Printf(", \xE4\xE8\xF1\xF2\xE0\xED\xF6\xE8\xFF \xE0\xF2\xE0\xEA\xE8: [%3.2f]",
                           double(ai.attackDistance));
        }
    }
    if (ai.state == 7) text = "\xCF\xE0\xEA\xF3\xFE\xF1\xFC \xE2 \xE7\xE4\xE0\xED\xE8\xE5";
    add(text, colour);

    const char* distance = "\xD0\xE0\xF1\xF1\xF2\xEE\xFF\xED\xE8\xE5 \xE4\xEE \xF2\xEE\xF7\xEA\xE8: [%3.1f]";
    if (ai.state == 7 && ai.hasBuilding) add(Printf(distance, double(ai.buildingDistance)), 0xFFFFFFFFu);
    if (ai.state == 4 || ai.state == 3)
    {
        add(Printf(distance, double(ai.goalDistance)), 0xFFFFFFFFu);
        if (ai.centreApart)
            add(Printf("\xD0\xE0\xF1\xF1\xF2\xEE\xFF\xED\xE8\xE5 \xEE\xF2 \xF2\xEE\xF7\xEA\xE8 \xE4\xEE "
                       "\xF6\xE5\xED\xF2\xF0\xE0 \xE3\xF0\xF3\xEF\xEF\xFB: [%3.1f]",
                       double(ai.goalToCentre)),
                0xFFFFFFFFu);
    }
    add(Printf("\xC3\xEB\xE0\xE9\xE4\xE5\xF0\xEE\xE2 \xE2 \xE3\xF0\xF3\xEF\xEF\xE5: [%d]", ai.memberCount),
        0xFFFFFFFFu);
    if (ai.memberCount > 1)
        add(Printf("\xD0\xE0\xF1\xF1\xF2\xEE\xFF\xED\xE8\xE5 \xE4\xEE \xF6\xE5\xED\xF2\xF0\xE0 "
                   "\xE3\xF0\xF3\xEF\xEF\xFB: [%3.1f]",
                   double(ai.centreDistance)),
            0xFFFFFFFFu);
    if (ai.groupClass == 0)
    {
        const std::string& first = ai.forward ? ai.placeFrom : ai.placeTo;
        const std::string& second = ai.forward ? ai.placeTo : ai.placeFrom;
        add(Printf("\xC5\xE4\xE5\xEC \xE8\xE7: [%s], \xE2 [%s]", first.c_str(), second.c_str()), 0xFF00FFFFu);
    }
    if (!ai.route.empty())
    {
        const std::uint32_t routeColour = ai.emergency ? 0x88888888u : 0xFF00E6C3u;
        const auto position = [](const std::vector<int>& route, int point)
        {
            const auto it = std::find(route.begin(), route.end(), point);
            return it == route.end() ? 0 : int(it - route.begin()) + 1;
        };
        add(Printf("\xC4\xEB\xE8\xED\xE0 \xEF\xF3\xF2\xE8: [%d] \xF2\xEE\xF7\xE5\xEA", int(ai.route.size())),
            routeColour);
        add(Printf("\xD2\xE5\xEA\xF3\xF9\xE0\xFF: [%d], \xEF\xF0\xE5\xE4\xFB\xE4\xF3\xF9\xE0\xFF: [%d], "
                   "\xED\xE0\xEF\xF0\xE0\xE2\xEB\xE5\xED\xE8\xE5 \xE4\xE2\xE8\xE6\xE5\xED\xE8\xFF: %s",
                   position(ai.route, ai.routePoint), position(ai.route, ai.previousPoint),
                   ai.forward ? "\xE2\xEF\xE5\xF0\xE5\xE4" : "\xED\xE0\xE7\xE0\xE4"),
            routeColour);
        if (ai.emergency)
            add(Printf("\xD2\xE5\xEA\xF3\xF9\xE0\xFF \xF2\xEE\xF7\xEA\xE0 "
                       "\xE0\xE2\xE0\xF0\xE8\xE9\xED\xEE\xE3\xEE "
                       "\xEF\xF3\xF2\xE8: [%d]",
                       position(ai.emergencyRoute, ai.routePoint)),
                0xFFFF0000u);
    }
    for (const SAIReport::SRelation& relation : ai.playerRelations)
    {
        add(Printf("\xC0\xE2\xF2\xEE\xF0\xE8\xF2\xE5\xF2 \xF1\xEC\xEE\xF2\xF0\xFF\xF9\xE5\xE3\xEE: [%5.2f]",
                   double(ai.authority)),
            0xFFFFFFFFu);
        std::string line = Printf("\xCE\xF2\xED\xEE\xF8\xE5\xED\xE8\xE5 \xEA \xF1\xEC\xEE\xF2\xF0\xFF\xF9\xE5"
                                  "\xEC\xF3: [%5.2f]",
                                  double(relation.value));
        if (!relation.correctable)
            line += ", \xED\xE5 \xEA\xEE\xF0\xF0\xE5\xEA\xF2\xE8\xF0\xF3\xE5\xEC\xEE\xE5";
        add(line, 0xFFFFFFFFu);
        add(Printf("\xC0\xE3\xF0\xE5\xF1\xE8\xE2\xED\xEE\xF1\xF2\xFC: [%5.2f]", double(ai.aggressiveness)),
            0xFFFFFFFFu);
    }
    // An empty hold space gives no ratio: shown as 0 rather than divided by zero.
    const float r = ai.maxGoodsWeight > 0.0f ? ai.goodsWeight / ai.maxGoodsWeight : 0.0f;
    const std::uint32_t load = r > 2.0f   ? 0xFFFF0000u
                               : r > 1.0f ? 0xFFFFFF00u
                               : r > 0.2f ? 0xFF00FF00u
                               : r > 0.0f ? 0xFF88FF88u
                                          : 0xFFFFFFFFu;
    add(Printf("\xC7\xE0\xE3\xF0\xF3\xE6\xE5\xED \xED\xE0: [%3.1f%%]", double(100.0f * r)), load);
    add(Printf("\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC: [%3.2f%%], \xF2\xEE\xF0\xEC\xEE\xE7: [%3.2f%%]",
               double(ai.speed * 100.0f), double(ai.brake * 100.0f)),
        0xFFFFFFFFu);
    add(Printf("\xC7\xE0\xF0\xFF\xE4 \xE0\xEA\xEA\xF3\xEC\xF3\xEB\xFF\xF2\xEE\xF0\xE0: [%3.2f%%]",
               double(100.0f * ai.energy)),
        0xFFFFFFFFu);
    if (ai.state != 2)
    {
        if (ai.route.empty())
            add("\xCD\xE5\xF2 \xED\xE8 \xEE\xE4\xED\xEE\xE9 \xF2\xEE\xF7\xEA\xE8 \xEF\xF3\xF2\xE8",
                0xFF00FF00u);
        if (!ai.emergencyRoute.empty())
            add(Printf("\xC4\xEB\xE8\xED\xE0 \xE0\xE2\xE0\xF0\xE8\xE9\xED\xEE\xE3\xEE \xEF\xF3\xF2\xE8: [%d] "
                       "\xF2\xEE\xF7\xE5\xEA",
                       int(ai.emergencyRoute.size())),
                0xFFFFFF00u);
        if (ai.emergency)
        {
            add("\xCA\xF0\xE8\xF2\xE8\xF7\xE5\xF1\xEA\xE0\xFF \xF1\xE8\xF2\xF3\xE0\xF6\xE8\xFF", 0xAAFF0000u);
            lines.back().shadowColour = 0xAA000000u;
        }
    }
    return lines;
}

std::vector<SInfoLine> TargetBoxLines(const STargetInfo& info, int left, int top, int h)
{
    std::vector<SInfoLine> lines;
    int y = top + 6;
    const auto add = [&](const std::string& text, std::uint32_t colour)
    {
        lines.push_back(SInfoLine{text, colour, left + 6, y, left + 7, y + 1});
        y += h;
    };
    add(info.gliderLine, 0xFFFFFFFFu);
    if (!info.lightGunLine.empty()) add(info.lightGunLine, 0xFFFFFFFFu);
    if (!info.heavyGunLine.empty()) add(info.heavyGunLine, 0xFFFFFFFFu);
    add(info.protectionLine, 0xFFFFFFFFu);
    add(info.damageLine, info.damaged ? 0xFFC4635Au : 0xFFFFFFFFu);
    add(info.holdLine, info.holdFull ? 0xFF4AC64Au : 0xFFFFFFFFu);
    return lines;
}

SMarkerPlace MarkerOnScreen(float x, float y, float w, float radius, int width, int height)
{
    SMarkerPlace place;
    if (std::fabs(w) < 0.001f) w = 0.001f;
    if (std::isnan(x) || std::isnan(y) || std::isnan(w)) return place;
    const float hw = float(width >> 1), hh = float(height >> 1);
    place.valid = true;
    place.sx = (x / w + 1.0f) * hw;
    place.sy = hh - hh * y / w;
    place.s = std::clamp(float(width) * (1.0f / w) * radius * 0.5f - 8.0f, -8.0f, 128.0f);
    return place;
}

SMarkerPlace MarkerArrow(float x, float y, float w, int width, int height)
{
    SMarkerPlace place;
    if (std::isnan(x) || std::isnan(y) || std::isnan(w)) return place;
    const float d = std::max(std::fabs(w), 50.0f);
    float nx = x / d;
    const float ny = y / d;
    if (nx == 0.0f) nx = 0.01f;
    const float ix = float(int(nx)), iy = float(int(ny));
    const float k = 1.0f / (1.3f * std::sqrt(ix * ix + iy * iy + 0.1f));
    const float px = k * nx, py = k * ny;
    const float hw = float(width >> 1), hh = float(height >> 1);
    place.valid = true;
    place.angle = std::atan2(py, px) + 3.14159265358979f;
    place.ax = (px + 1.0f) * hw;
    place.ay = hh - py * hh;
    return place;
}

bool FillAIReport(const CGliderObject& target, const CGliderObject* player, SAIReport* out)
{
    CMechanoid* mechanoid = target.m_pMechanoid;
    const auto* ai = dynamic_cast<const CBasicAI*>(target.m_pAI.get());
    if (!mechanoid || mechanoid->IsKilled() || !ai || !ai->m_lpMech) return false;
    CMechGroup2* group = GetMechGroup(ai->m_lpMech);
    const CGroupAI* groupAI = group ? group->GetGroupAI() : nullptr;
    if (!groupAI) return false;
    SAIReport r;
    r.groupClass = groupAI->m_bAssigned ? 4 : groupAI->m_nKind;
    r.state = ai->m_nMode;
    r.groupMode = groupAI->m_nMode;
    r.collecting = ai->m_bPickUp != 0;
    r.followsPlayer = groupAI->m_bAssigned && groupAI->m_bFollow;
    r.routePoint = groupAI->m_nCurrentRoad;
    r.previousPoint = groupAI->m_nPreviousRoad;
    if (ai->m_pTarget)
    {
        r.hasOpponent = true;
        r.opponent = ai->m_pTarget->m_szName[0] ? ai->m_pTarget->m_szName : ai->m_pTarget->m_szId;
    }
    r.approachSide = ai->m_nAttackStyle;
    r.attackDistance = ai->m_fAttackDistance;
    const CVector at = target.GetPosition();
    if (CBuildingObject* building = group->m_pBuilding)
    {
        r.hasBuilding = true;
        r.buildingDistance = (building->GetEntrancePoint(0) - at).Length();
        r.waitingToPark = building->m_Visitors.Find(group) >= 0;
    }
    r.goalDistance = (ai->m_vDestination - at).Length();
    r.centreApart = group->m_vCentre.x != at.x || group->m_vCentre.y != at.y || group->m_vCentre.z != at.z;
    r.goalToCentre = (ai->m_vDestination - group->m_vCentre).Length();
    r.memberCount = group->GetMemberCount();
    r.centreDistance = (group->m_vCentre - at).Length();
    r.placeFrom = std::string(groupAI->m_szRouteStart, strnlen(groupAI->m_szRouteStart, 32));
    r.placeTo = std::string(groupAI->m_szRouteEnd, strnlen(groupAI->m_szRouteEnd, 32));
    r.forward = groupAI->m_bForward != 0;
    r.route = groupAI->m_Route;
    r.emergencyRoute = groupAI->m_TroubleRoute;
    r.emergency = groupAI->m_bInTrouble != 0;
    const CMechGroup2* mine = player && player->m_pMech ? GetMechGroup(player->m_pMech) : nullptr;
    for (int i = 0; mine && i < groupAI->m_nRelations; ++i)
        if (groupAI->m_Relations[i].m_pGroup == mine)
            r.playerRelations.push_back(SAIReport::SRelation{groupAI->m_Relations[i].m_fRelation, true});
    r.aggressiveness = groupAI->m_fReaction;
    r.goodsWeight = mechanoid->GetGoodsWeight();
    r.maxGoodsWeight = mechanoid->GetMaxGoodsWeight();
    r.speed = ai->m_fSpeedMul;
    r.brake = target.m_fGrip;
    r.energy = mechanoid->GetEnergy(0);
    *out = std::move(r);
    return true;
}

void CRenderer::ShowInfo()
{
    XTRACE("CRenderer::ShowInfo");
    if (m_pPlayerGlider)
    {
        if (CMechanoid* mech = m_pPlayerGlider->m_pMechanoid)
        {
            SPlayerInfo info;
            info.configuration = NameOf(mech->m_gEqp.m_szName);
            info.lightGun = m_pPlayerGlider->m_Guns[0].m_bMounted != 0;
            info.heavyGun = m_pPlayerGlider->m_Guns[1].m_bMounted != 0;
            info.lightGunName =
                NameOf(g_GunManager.GetName(mech->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index()));
            info.heavyGunName =
                NameOf(g_GunManager.GetName(mech->m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index()));
            for (int i = 0; i < 28; ++i)
                info.equipment[i] = mech->IsFitted(kLabelDevices[i]);
            const CVector p = m_pPlayerGlider->GetPosition();
            info.height = p.z - (g_Location.m_nCellsX > 0 ? g_Location.GetHeight(p) : 0.0f);
            DrawLines(PlayerInfoLines(info));
        }
    }
    DrawLines(FlagInfoLines(m_bAlwaysRun, m_bCruise, m_bAntiRocket));
    SAIReport report;
    if (m_pTargetGlider && m_pTargetGlider->m_pMechanoid && !m_pTargetGlider->m_pMechanoid->IsKilled())
    {
        if (m_pTargetAI)
            DrawLines(TargetAIInfoLines(*m_pTargetAI));
        else if (FillAIReport(*m_pTargetGlider, m_pPlayerGlider, &report))
            DrawLines(TargetAIInfoLines(report));
    }
    CMesh::ResetCurrent();
}

void CRenderer::DrawTarget()
{
    XTRACE("CRenderer::DrawTarget");
    if (!m_pTargetGlider) return;
    // Grey unless the groups tell the relation; the group's other members
    // come with the groups (only the target is marked until then).
    const std::uint32_t colour = m_pfnTargetColour ? m_pfnTargetColour(m_pTargetGlider) : 0xFF808080u;
    const int width = graph.m_nScreenWidth, height = graph.m_nScreenHeight;
    CGliderObject* members[1] = {m_pTargetGlider};
    for (CGliderObject* glider : members)
    {
        const CVector p = glider->GetPosition();
        const CMatrix& m = g_ViewCamera.m_mViewProjection;
        const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
        const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
        const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
        const std::uint32_t tint = glider == m_pTargetGlider ? colour : colour & 0x7FFFFFFFu;
        if (g_ViewCamera.IsSphereVisible(p, glider->m_fRadius))
        {
            const SMarkerPlace place = MarkerOnScreen(x, y, w, glider->m_fRadius, width, height);
            if (!place.valid) continue;
            const int corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (const auto& c : corners)
            {
                const int cx = int(place.sx + float(c[0]) * place.s);
                const int cy = int(place.sy + float(c[1]) * (place.s + 31.0f));
                DrawQuad(plat::Rect{cx, cy, cx + 32 * c[0], cy - 32 * c[1]}, nullptr, m_iTexTargetCorner,
                         tint);
            }
            const float top = place.sy - (place.s + 31.0f);
            const int barX = int(place.sx - place.s - 16.0f);
            const float length = 2.0f * place.s + 32.0f;
            const int barY = int(top - 2.0f);
            FillQuad(plat::Rect{barX, barY, barX + int(length), barY + 6}, 0xA0404040u);
            if (CMechanoid* mech = glider->m_pMechanoid)
            {
                const SGliderParameters* type = glider->GetParams();
                const float hull = type ? type->m_fDamage : 0.0f;
                const float damage = mech->m_GliderData.m_fDamage;
                const float below = hull * 0.5f + mech->GetArmor(2);
                const float ratio =
                    below > 0.0f ? ((hull - damage) * 0.5f + mech->GetArmor(1)) / below : 0.0f;
                const int y2 = int(top + 1.0f);
                FillQuad(plat::Rect{barX, y2, barX + int(length * std::clamp(ratio, 0.0f, 1.0f)), y2 + 3},
                         hull > 0.0f && damage / hull < 0.25f ? 0xA000FF00u : 0xA0FF0000u);
                const float f = std::min(mech->GetShield(0), 1.0f);
                FillQuad(plat::Rect{barX, barY, barX + int(length * f), barY + 3}, 0xA04040FFu);
            }
            continue;
        }
        const SMarkerPlace arrow = MarkerArrow(x, y, w, width, height);
        if (!arrow.valid || !g_pModelManager || !g_pTexShaderManager || !g_pTextureManager) continue;
        const int rect[4] = {int(arrow.ax), int(arrow.ay - 16.0f), int(arrow.ax) + 32,
                             int(arrow.ay - 16.0f) + 32};
        CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(rect, nullptr, false);
        auto* v = reinterpret_cast<SQuadVertex*>(quad->m_pVertices);
        const float c = std::cos(arrow.angle), s = std::sin(arrow.angle);
        for (int i = 0; i < 4; ++i)
        {
            const float dx = v[i].x - arrow.ax, dy = v[i].y - arrow.ay;
            v[i].x = arrow.ax + dx * c + dy * s;
            v[i].y = arrow.ay - dx * s + dy * c;
        }
        SetTextureFactor(tint, kFactorRenderState | kFactorPixelShader);
        if (CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad))
            g_pTexShaderManager->ApplyStateBlock(kTechniqueScreenModulated, mesh,
                                                 g_pTextureManager->GetTexture(m_iTexTargetArrow));
    }
    CMesh::ResetCurrent();
}

void CRenderer::DrawTargetInfo()
{
    XTRACE("CRenderer::DrawTargetInfo");
    if (!m_pTargetGlider || !g_pFontSmall) return;
    CMechanoid* mech = m_pTargetGlider->m_pMechanoid;
    if (!mech) return;
    const int h = g_pFontSmall->GetHeight(1.0f);
    const int boxWidth = g_pFontSmall->TextWidth(std::string(54, 'X').c_str());
    const int top = graph.m_nScreenHeight - 6 * (h + 2) - 14;
    const int bottom = top + 6 * (h + 2);
    const int left = (graph.m_nScreenWidth - boxWidth) >> 1;
    const int right = left + boxWidth;
    SetTextureFactorAlpha(1.0f, kFactorRenderState | kFactorPixelShader);
    struct SPiece
    {
        plat::Rect screen, texture;
    };
    const SPiece pieces[8] = {
        {{right - 4, top - 4, right + 4, top + 4}, {108, 194, 620, 706}},
        {{right - 4, bottom + 4, right + 4, bottom - 4}, {108, -194, 620, -706}},
        {{left + 2, top - 4, left - 6, top + 4}, {-108, 194, -620, 706}},
        {{left + 2, bottom + 4, left - 6, bottom - 4}, {-108, -194, -620, -706}},
        {{left + 2, top - 4, right - 2, top - 1}, {218000, 204, 1242000, 716}},
        {{left + 2, bottom + 4, right - 2, bottom + 1}, {218000, -204, 1242000, -716}},
        {{left - 6, top + 4, left - 3, bottom - 4}, {114, 408000, 626, 1432000}},
        {{right + 4, top + 4, right + 1, bottom - 4}, {-114, 408000, -626, 1432000}},
    };
    for (const SPiece& piece : pieces)
        DrawQuad(piece.screen, &piece.texture, m_iTexAll, 0xFFFFFFFFu);
    if (g_pTextureManager)
    {
        const plat::Rect grid{0, 0, 16, 16};
        DrawQuad(plat::Rect{left - 2, top, right, bottom}, &grid, g_pTextureManager->FindName("TEX_KT_SETKA"),
                 0xFFFFFFFFu);
    }
    STargetInfo info;
    info.gliderLine = FormatText(TextOf("INT_INF_GLIDERS_IS", true),
                                 NameOf(g_GliderManager.GetName(m_pTargetGlider->m_Key.Index())).c_str());
    if (m_pTargetGlider->m_Guns[0].m_bMounted)
        info.lightGunLine = FormatText(
            TextOf("INT_INF_LIGHTGUN_IS", true),
            NameOf(g_GunManager.GetName(mech->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index())).c_str());
    if (m_pTargetGlider->m_Guns[1].m_bMounted)
        info.heavyGunLine = FormatText(
            TextOf("INT_INF_HEAVYGUN_IS", false),
            NameOf(g_GunManager.GetName(mech->m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index())).c_str());
    info.protectionLine = TextOf("INT_INF_SHIELD_IS", false) +
                          NameOf(g_EquipmentManager.GetName(mech->m_Armor.GetIndex())) + "; " +
                          NameOf(g_EquipmentManager.GetName(mech->m_Shield.GetIndex()));
    info.damaged = mech->m_Reactor.m_bDamaged || mech->m_Engine.m_bDamaged || mech->m_GliderData.m_bDamaged;
    if (!info.damaged)
        info.damageLine = TextOf("INT_INF_NO_DAMAGES", false);
    else
    {
        const auto state = [](const CMMEqp& item)
        {
            const float durability = item.GetDurability();
            return int(100.0f * (durability > 0.0f ? 1.0f - item.m_fDamage / durability : 0.0f));
        };
        const int values[3] = {state(mech->m_GliderData), state(mech->m_Reactor), state(mech->m_Engine)};
        info.damageLine = FormatNumbers(TextOf("INT_INF_DAMAGES_IS", false), values, 3);
    }
    const float goods = mech->GetGoodsWeight();
    info.holdFull = goods > 0.0f;
    if (info.holdFull)
    {
        const int weight = int(goods);
        info.holdLine = FormatNumbers(TextOf("INT_INF_HOLD_IS", false), &weight, 1);
    }
    else
        info.holdLine = TextOf("INT_INF_HOLD_EMPTY", false);
    DrawLines(TargetBoxLines(info, left, top, h));
    CMesh::ResetCurrent();
}
