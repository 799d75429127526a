// The cockpit: the panels CRenderer::DrawKokpit draws in order over the
// scene while the player flies. Each panel reads the live game state and
// keeps nothing but the warning and equipment timers of CRenderer.
// The panels of the glider itself (sights, guns, speed, equipment) are in
// Cockpit_Glider.cpp.
#include "hud/CockpitMath.h"
#include "hud/Renderer.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "foundation/XString.h"
#include "graphics/Font.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"
#include "script/TextDB.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "units/GliderObject.h"
#include "units/HitIndicators.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace
{
using namespace plat::d3d;

// The sheet cell at texel (x, y) of the 1024 x 1024 cockpit sheet.
plat::Rect Cell(int x, int y)
{
    return plat::Rect{x, y, x + 1024, y + 1024};
}

std::string TextName(const char* key)
{
    if (!g_pTextDB) return key;
    CXAnsiString name;
    g_pTextDB->GetName(STextKey(key), name);
    return name.GetData() ? name.GetData() : key;
}

// Shadowed text: black one pixel right (and down when asked), then colour.
void ShadowText(CFont* font, float x, float y, const char* text, std::uint32_t colour, bool down)
{
    if (!font) return;
    font->RenderText(x + 1.0f, y + (down ? 1.0f : 0.0f), text, 0xFF000000u);
    font->RenderText(x, y, text, colour);
}

// The panel's name joins the call-path trace when an exception leaves it.
template <class F> void Guarded(const char* name, F&& draw)
{
    XTRACE(name);
    draw();
}
} // namespace

double CRenderer::CockpitClock()
{
    return double(g_fEngineTime);
}

CMechanoid* CRenderer::CockpitMechanoid() const
{
    return m_pPlayerGlider ? m_pPlayerGlider->m_pMechanoid : nullptr;
}

void CRenderer::DrawKokpit()
{
    Guarded("CRenderer::DrawKokpit",
            [this]
            {
                m_pSheet =
                    g_pTextureManager && m_iTexUI1 >= 0 ? g_pTextureManager->GetTexture(m_iTexUI1) : nullptr;
                if (m_pSheet && !m_pSheet->m_lpTexture) m_pSheet = nullptr;
                DrawCockpitCursor();
                DrawCockpitHP();
                DrawCockpitGuns();
                DrawCockpitMap();
                DrawCockpitEquipment();
                DrawCockpitSpeed();
                DrawCockpitTargetInfo();
                DrawCockpiTarget();
                DrawCockpitCommands();
                DrawCockpitDamage();
                DrawCockpitAnomaly();
                DrawCockpitInfo();
                DrawQuest();
                if (g_pMessager) g_pMessager->Draw();
                CMesh::ResetCurrent();
            });
}

void CRenderer::DrawBar(const plat::Rect& rect, std::uint32_t colour)
{
    if (rect.right <= rect.left) return;
    const plat::Rect cell = Cell(1, 1010);
    DrawQuad(rect, &cell, m_pSheet, colour);
}

void CRenderer::DrawSheet(const plat::Rect& screen, int x, int y, std::uint32_t colour)
{
    const plat::Rect cell = Cell(x, y);
    DrawQuad(screen, &cell, m_pSheet, colour);
}

void CRenderer::DrawCockpitHP()
{
    Guarded("CRenderer::DrawCockpitHP",
            [this]
            {
                CMechanoid* mech = CockpitMechanoid();
                if (!m_pSheet || !mech) return;
                DrawSheet(plat::Rect{0, 0, 190, 136}, 0, 103, 0);
                const double t = CockpitClock();
                struct SRow
                {
                    int y;
                    float v;
                    std::uint32_t colour;
                };
                const SRow rows[3] = {{30, mech->GetEnergy(0), cockpit::kEnergyColour},
                                      {72, mech->GetShield(0), cockpit::kShieldColour},
                                      {114, mech->GetArmor(0), cockpit::kArmourColour}};
                for (int i = 0; i < 3; ++i)
                {
                    const SRow& row = rows[i];
                    if (i == 1)
                    {
                        if (!mech->m_Shield.HasRecord()) continue;
                        if (!mech->m_Shield.m_bFlag)
                        {
                            DrawSheet(plat::Rect{34, 74, 171, 84}, 495, 1013, 0);
                            continue;
                        }
                    }
                    if (row.v < 0.25f)
                        FillQuad(plat::Rect{18, row.y, 187, row.y + 15}, cockpit::BlinkColour(t));
                    if (row.v > 0.0f)
                        DrawBar(plat::Rect{19, row.y + 1, 19 + cockpit::BarLength(row.v), row.y + 14},
                                row.colour);
                }
            });
}

void CRenderer::DrawCockpitMap()
{
    Guarded("CRenderer::DrawCockpitMap",
            [this]
            {
                if (!m_pSheet) return;
                const int w = graph.m_nScreenWidth;
                if (g_pRadar)
                {
                    if (m_pPlayerGlider)
                    {
                        g_pRadar->m_vPlayer = m_pPlayerGlider->GetPosition();
                        g_pRadar->m_fPlayerHeading = RadarHeadingOf(m_pPlayerGlider->m_Frame.m_vForward);
                        g_pRadar->m_pPlayerObject = m_pPlayerGlider;
                    }
                    g_pRadar->DrawMinimap();
                }
                DrawSheet(plat::Rect{w - 192, 0, w + 2, 198}, 1, 812, 0);
                if (g_pRadar) g_pRadar->RenderObjects();
                for (int i = 0; i < cockpit::kRingCells; ++i)
                {
                    const std::uint32_t colour = cockpit::RingColour(g_PlayerHitRing[i]);
                    if (colour) FillQuad(cockpit::RingCell(i, w), colour);
                }
                if (g_pRadar && g_pRadar->m_bTargetSet && m_pPlayerGlider)
                {
                    DrawSheet(plat::Rect{w - 180, 195, w - 117, 215}, 3, 285, 0);
                    const CVector d = g_pRadar->m_vTarget - m_pPlayerGlider->GetPosition();
                    char text[32];
                    std::snprintf(text, sizeof(text), "%4d",
                                  int(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z)));
                    if (g_pFontSmall)
                        g_pFontSmall->RenderText(float(w - 120 - g_pFontSmall->TextWidth(text)), 198.0f, text,
                                                 0xFFFFFFFFu);
                }
            });
}

void CRenderer::DrawCockpitTargetInfo()
{
    Guarded("CRenderer::DrawCockpitTargetInfo",
            [this]
            {
                if (!m_pSheet) return;
                const int w = graph.m_nScreenWidth, h = graph.m_nScreenHeight;
                DrawSheet(plat::Rect{w - 228, h - 195, w - 1, h - 1}, 264, 158, 0);
                CMechanoid* target = m_pTargetGlider ? m_pTargetGlider->m_pMechanoid : nullptr;
                CMechanoid* player = CockpitMechanoid();
                if (!target || !player) return;
                // Shield and armour of the target, 80 pixels at full.
                const float shield = target->GetShield(0), armour = target->GetArmor(0);
                const int x = w - 157;
                FillQuad(plat::Rect{x, h - 60, x + 80, h - 54}, 0xFF394854u);
                FillQuad(plat::Rect{x, h - 52, x + 80, h - 46}, 0xFF394854u);
                FillQuad(plat::Rect{x, h - 60, x + int(80.0f * std::clamp(shield, 0.0f, 1.0f)), h - 54},
                         0xFF58F6FFu);
                FillQuad(plat::Rect{x, h - 52, x + int(80.0f * std::clamp(armour, 0.0f, 1.0f)), h - 46},
                         armour < 0.25f ? 0xFFEE6881u : 0xFF40FFCCu);
                ShadowText(g_pFontSmall, float(x), float(h - 40), target->m_szName, 0xFFFFFFFFu, false);
                // The war-power gauge: segments 11 pixels wide from the centre.
                const float g = cockpit::WarPowerGauge(player->GetWarPower(), target->GetWarPower());
                static const std::uint32_t kStronger[3] = {0xFF99FF00u, 0xFF00FFCCu, 0xFF0099FFu};
                static const std::uint32_t kWeaker[3] = {0xFFFFFF00u, 0xFFFF9900u, 0xFFF00101u};
                for (int s = 0; s < cockpit::GaugeSegments(g); ++s)
                {
                    const int top = g >= 0.0f ? h - 61 + 15 * s : h - 76 - 15 * s;
                    DrawSheet(plat::Rect{w - 29, top, w - 18, top + 14}, 179, 600 + 15 * s,
                              g >= 0.0f ? kStronger[s] : kWeaker[s]);
                }
            });
}

void CRenderer::DrawCockpiTarget()
{
    Guarded("CRenderer::DrawCockpiTarget",
            [this]
            {
                if (!m_pSheet || !m_pTargetGlider) return;
                const int w = graph.m_nScreenWidth, h = graph.m_nScreenHeight;
                const CVector p = m_pTargetGlider->GetPosition();
                const float radius = m_pTargetGlider->m_fRadius;
                const CMatrix& m = g_ViewCamera.m_mViewProjection;
                const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
                const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
                float pw = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
                if (!g_ViewCamera.IsSphereVisible(p, radius))
                {
                    // The side where the target lies.
                    const float depth = std::fabs(pw) < 50.0f ? (pw < 0.0f ? -50.0f : 50.0f) : pw;
                    const bool left = x / depth < 0.0f;
                    const plat::Rect arrow = left ? plat::Rect{84, h / 2 - 24, 100, h / 2 + 24}
                                                  : plat::Rect{w - 100, h / 2 - 24, w - 84, h / 2 + 24};
                    DrawSheet(arrow, left ? 310 : 326, 8, 0xFFFFFFFFu);
                    return;
                }
                if (std::fabs(pw) < 0.001f) pw = 0.001f;
                const int sx = int((x / pw + 1.0f) * float(w) / 2.0f);
                const int sy = int(float(h) / 2.0f - float(h) / 2.0f * y / pw);
                const int s = std::clamp(int(float(w) * radius / pw * 0.5f + 16.0f), 16, 152);
                const std::uint32_t colour =
                    m_pfnTargetColour ? m_pfnTargetColour(m_pTargetGlider) : 0xFFFFFFFFu;
                const plat::Point origin{s, s};
                const int scales[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
                for (const auto& scale : scales)
                    DrawSprite(plat::Rect{sx, sy, sx + 8, sy + 8}, &origin, Cell(310, 0), m_iTexUI1, scale[0],
                               scale[1], colour);
                if (CMechanoid* target = m_pTargetGlider->m_pMechanoid)
                {
                    const float shield = target->GetShield(0), armour = target->GetArmor(0);
                    FillQuad(plat::Rect{sx - 40, sy - s - 12, sx + 40, sy - s - 7}, 0xFF394854u);
                    FillQuad(plat::Rect{sx - 40, sy - s - 12,
                                        sx - 40 + int(80.0f * std::clamp(shield, 0.0f, 1.0f)), sy - s - 7},
                             0xFF58F6FFu);
                    FillQuad(plat::Rect{sx - 40, sy - s - 6, sx + 40, sy - s - 1}, 0xFF394854u);
                    FillQuad(plat::Rect{sx - 40, sy - s - 6,
                                        sx - 40 + int(80.0f * std::clamp(armour, 0.0f, 1.0f)), sy - s - 1},
                             armour < 0.25f ? 0xFFEE6881u : 0xFF40FFCCu);
                }
            });
}

void CRenderer::DrawCockpitCommands()
{
    if (m_nCommandLevel < 0 || m_nCommandLevel > 3 || !g_pFontSmall) return;
    static const char* const kLevel0[] = {"MSG_PLAYER_COMMAND_1", "MSG_PLAYER_COMMAND_2",
                                          "MSG_PLAYER_COMMAND_3"};
    static const char* const kLevel1[] = {"MSG_PLAYER_COMMAND_11", "MSG_PLAYER_COMMAND_12",
                                          "MSG_PLAYER_COMMAND_13", "MSG_PLAYER_COMMAND_14",
                                          "MSG_PLAYER_COMMAND_15", "MSG_PLAYER_COMMAND_16"};
    static const char* const kLevel2[] = {"MSG_PLAYER_COMMAND_21", "MSG_PLAYER_COMMAND_22",
                                          "MSG_PLAYER_COMMAND_23"};
    static const char* const kLevel3[] = {"MSG_PLAYER_COMMAND_31", "MSG_PLAYER_COMMAND_32",
                                          "MSG_PLAYER_COMMAND_33", "MSG_PLAYER_COMMAND_34",
                                          "MSG_PLAYER_COMMAND_35"};
    struct SList
    {
        const char* const* keys;
        int count;
    };
    const SList lists[4] = {{kLevel0, 3}, {kLevel1, 6}, {kLevel2, 3}, {kLevel3, 5}};
    const SList& list = lists[m_nCommandLevel];
    const CMech* targetMech = m_pTargetGlider ? m_pTargetGlider->m_pMech : nullptr;
    const CMech* playerMech = m_pPlayerGlider ? m_pPlayerGlider->m_pMech : nullptr;
    const bool sameOrg =
        targetMech && playerMech && std::strncmp(targetMech->m_szOrg, playerMech->m_szOrg, 32) == 0;
    const int line = g_pFontSmall->GetHeight(1.0f);
    for (int i = 0; i < list.count; ++i)
    {
        bool enabled = true;
        std::string text = TextName(list.keys[i]);
        switch (m_nCommandLevel)
        {
        case 0:
            enabled = i != 1 || m_bGroupCommandAvailable;
            break;
        case 2:
            enabled = i != 2 || m_pTargetGlider != nullptr;
            break;
        case 3:
            if (!targetMech)
                enabled = false;
            else if (i == 0)
                enabled = sameOrg && m_bPlayerMechQuery;
            else if (i == 1)
            {
                const float price = const_cast<CMech*>(targetMech)->GetConvictPrice(0, true);
                enabled = !sameOrg && price <= m_fPlayerMoney;
                char suffix[32];
                std::snprintf(suffix, sizeof(suffix), ": (%d)", int(price));
                text += suffix;
            }
            else
                enabled = !sameOrg;
            break;
        default:
            break;
        }
        ShadowText(g_pFontSmall, 120.0f, float(156 + i * line), text.c_str(),
                   enabled ? 0xFF00FF00u : 0xFF808080u, false);
    }
}

void CRenderer::DrawCockpitDamage()
{
    CMechanoid* mech = CockpitMechanoid();
    if (!m_pSheet || !mech) return;
    const int w = graph.m_nScreenWidth, h = graph.m_nScreenHeight;
    const int x0 = std::max(300, w / 2 - 195);
    int x = x0, base = h - 14;
    const CEquipment* items[4] = {&mech->m_Reactor, &mech->m_Reactor2, &mech->m_Engine, &mech->m_Engine2};
    const double t = CockpitClock();
    for (const CEquipment* item : items)
    {
        if (!item->HasRecord() || !item->m_bDamaged) continue;
        DrawSheet(plat::Rect{x, base - 86, x + 87, base + 3}, 772, 434, 0);
        FillQuad(plat::Rect{x + 4, base - 14, x + 84, base - 1}, cockpit::BlinkColour(t));
        const float durability = item->GetDurability();
        const float share = durability > 0.0f ? std::clamp(item->m_fDamage / durability, 0.0f, 1.0f) : 1.0f;
        DrawBar(plat::Rect{x + 4, base - 14, x + 4 + int(80.0f * share), base - 1}, cockpit::kEnergyColour);
        x += 100;
        if (x > w - 350)
        {
            x = x0;
            base -= 100;
        }
    }
}

void CRenderer::DrawCockpitAnomaly()
{
    const float m = std::min(1.0f, std::max({m_fAnomalyLevel[0], m_fAnomalyLevel[1], m_fAnomalyLevel[2]}));
    if (!(m > 0.0f) || !g_pTextureManager || m_iTexAnomaly < 0) return;
    CTexture* texture = g_pTextureManager->GetTexture(m_iTexAnomaly);
    if (!texture || !texture->m_lpTexture) return;
    const double t = CockpitClock();
    const float alpha = float(((1.0f - m) + std::sin(4.0 * 3.14159265358979 * t) * m) * 0.25 + 0.75);
    const int w = graph.m_nScreenWidth, h = graph.m_nScreenHeight;
    const auto quad = [&](const plat::Rect& screen, int u, int v)
    {
        const plat::Rect cell{u, v, u + 512, v + 512};
        SetTextureFactorAlpha(alpha, kFactorRenderState | kFactorPixelShader);
        DrawQuad(screen, &cell, texture, 0xFFFFFFFFu | (std::uint32_t(alpha * 255.0f) << 24));
    };
    quad(plat::Rect{w / 2 - 96, 3 * h / 4 - 32, w / 2 + 97, 3 * h / 4 + 34}, 319, 367);
    quad(plat::Rect{w / 2 - 96, h / 4 + 32, w / 2 + 97, h / 4 - 34}, 319, 367);
    quad(plat::Rect{3 * w / 4 - 32, h / 2 - 96, 3 * w / 4 + 34, h / 2 + 97}, 448, 174);
    quad(plat::Rect{w / 4 + 32, h / 2 - 96, w / 4 - 34, h / 2 + 97}, 448, 174);
}

void CRenderer::DrawCockpitInfo()
{
    Guarded("CRenderer::DrawCockpitInfo",
            [this]
            {
                const int w = graph.m_nScreenWidth, h = graph.m_nScreenHeight;
                const double t = CockpitClock();
                const float p = cockpit::Pulse(t);
                if (m_iWarning >= 0 && m_iWarning <= 3 && m_fWarningTime[m_iWarning] > 5.0f) m_iWarning = -1;
                const int screen = std::min(h, 768);
                const float k = float(screen) / 1024.0f;
                if (m_iWarning != -1 && g_pFontBig)
                {
                    const std::uint32_t colour = cockpit::WarningColour(m_iWarning, p, m_bPaused);
                    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
                    const std::string text = TextName(cockpit::WarningKey(m_iWarning, m_bPaused));
                    const int left = int(float(w) / 2.0f - 256.0f * k),
                              right = int(float(w) / 2.0f + 256.0f * k);
                    const int width = g_pFontBig->TextWidth(text.c_str());
                    const float x = float(left + (right - left - width) / 2);
                    ShadowText(g_pFontBig, x, float(int(220.0f * k)), text.c_str(), colour, true);
                }
                // The warning icons: the set flags in a row, each timed.
                static const int kColumn[4] = {0, 3, 1, 2};
                const float frame = m_fFrameTime;
                int count = 0;
                for (int i = 0; i < 4; ++i)
                {
                    if (m_bWarningFlags[i])
                    {
                        m_fWarningTime[i] += frame;
                        ++count;
                    }
                    else
                        m_fWarningTime[i] = 0.0f;
                }
                if (!m_pSheet || count == 0) return;
                int x = (w - 32 * count) / 2;
                const int y = int(0.16796875f * float(screen));
                const std::uint32_t tint = BlendColorARGB(0xFFFF0000u, 0xFFFFFFFFu, p, 1.0f);
                for (int i = 0; i < 4; ++i)
                {
                    if (!m_bWarningFlags[i]) continue;
                    DrawSheet(plat::Rect{x, y, x + 32, y + 32}, 236 + 33 * kColumn[i], 816, tint);
                    x += 32;
                }
            });
}

void CRenderer::DrawQuest()
{
    Guarded("CRenderer::DrawQuest",
            [this]
            {
                if (!g_pQuestLog || !g_pScriptManager || !g_pFontSmall) return;
                auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
                if (!scripts) return;
                CTexture* icon =
                    g_pTextureManager && m_iTexUII >= 0 ? g_pTextureManager->GetTexture(m_iTexUII) : nullptr;
                const int line = g_pFontSmall->GetHeight(1.0f);
                const int x = 30;
                int y = graph.m_nScreenHeight - line - 140;
                const float p = cockpit::Pulse(CockpitClock());
                const auto& quests = g_pQuestLog->GetQuests();
                for (std::uint32_t i = 0; i < quests.count; ++i)
                {
                    const SQuestRecord& quest = quests[i];
                    if (!quest.IsOpen() || !quest.timer[0]) continue;
                    const SScriptTimer* timer = scripts->FindTimer(quest.timer);
                    if (!timer) continue;
                    float hours = 0.0f;
                    const std::string text =
                        TextName(quest.titleKey) +
                        cockpit::QuestTimeText(timer->fireDay, g_Environment.m_fDays, &hours);
                    const std::uint32_t colour =
                        hours >= 1.0f ? 0xFFFFFFFFu : cockpit::WarningColour(6, p, false);
                    ShadowText(g_pFontSmall, float(x), float(y), text.c_str(), colour, false);
                    if (icon && icon->m_lpTexture)
                    {
                        SetTextureFactorAlpha(1.0f, kFactorRenderState | kFactorPixelShader);
                        const int top = y - (25 - line) / 2;
                        DrawQuad(plat::Rect{x - 24, top, x - 3, top + 21}, nullptr, icon, 0xFFFFFFFFu);
                    }
                    y -= line;
                }
            });
}
