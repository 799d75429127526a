// The cockpit panels of the player's glider itself: the sights and the
// centre reticle, the guns column, the special-equipment column and the
// speed and clock panel.
#include "hud/CockpitMath.h"
#include "hud/Renderer.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/Font.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "location/ViewCamera.h"
#include "units/GliderObject.h"
#include "units/Gun.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/Mech.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr double kPi = 3.14159265358979;

// The view-projection of a world point: x, y, w.
void Project(const CVector& p, float* x, float* y, float* w)
{
    const CMatrix& m = g_ViewCamera.m_mViewProjection;
    *x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    *y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    *w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
}

int RoundAway(float v)
{
    return int(v > 0.0f ? v + 0.5f : v - 0.5f);
}

// Whether additional item i (0-based) is a device that is switched on.
bool IsItemOn(const CMechanoid& mech, int i)
{
    for (const SDeviceState& device : mech.m_Devices)
        if (device.m_nIndex == std::uint32_t(i + 1)) return device.m_bOn != 0;
    return false;
}

// The scanner strip's texture, lent to the drawing operations for a frame.
class CBorrowedTexture : public CTexture
{
public:
    ~CBorrowedTexture() override { m_lpTexture = nullptr; }
};

plat::Rect IconCell(int n)
{
    const int x = (n / 16) * 64, y = (n % 16) * 32;
    return plat::Rect{x, y, x + 256, y + 512};
}
} // namespace

void CRenderer::DrawCockpitCursor()
{
    XTRACE("CRenderer::DrawCockpitCursor");
    if (!m_pSheet || !m_pPlayerGlider) return;
    const int w = graph.m_nScreenWidth, h = graph.m_nScreenHeight;
    const CVector origin = m_pPlayerGlider->GetPosition();
    // The passes: along the glider's heading when that sight is wanted,
    // then along the guns' sighting direction.
    struct SPass
    {
        CVector direction;
        bool heading;
    };
    SPass passes[2];
    int count = 0;
    if (m_bHeadingSight) passes[count++] = SPass{m_pPlayerGlider->ForwardAxis(), true};
    passes[count++] = SPass{m_pPlayerGlider->m_vSight, false};
    for (int pass = 0; pass < count; ++pass)
    {
        CVector direction = passes[pass].direction;
        const float length = direction.Length();
        if (length <= 0.0f) continue;
        direction = direction * (1.0f / length);
        // The nearer of the ground and the objects within 1000 units.
        float d = 10000.0f;
        bool hostile = false;
        CVector hit;
        if (g_Location.m_nCellsX > 0 && g_Location.GetRayIntersection(origin, direction, 1000.0f, &hit))
            d = std::min(d, (hit - origin).Length());
        CMMObject* object = nullptr;
        if (g_ObjectList.GetRayIntersection(&origin, &direction, 1000.0f, &hit, m_pPlayerGlider, &object))
        {
            const float distance = (hit - origin).Length();
            if (distance < d)
            {
                d = distance;
                if (object && object->m_nType == OBJ_GLIDER)
                {
                    const CMech* them = static_cast<CGliderObject*>(object)->m_pMech;
                    const CMech* us = m_pPlayerGlider->m_pMech;
                    hostile = them && us && std::strncmp(them->m_szOrg, us->m_szOrg, 32) != 0;
                }
            }
        }
        if (g_CameraMode != 1 || passes[pass].heading) d = 10000.0f;
        float x, y, pw;
        Project(origin + direction * d, &x, &y, &pw);
        if (pw <= 0.0f) continue;
        // A point far off the screen (or nearly in the eye's plane) has no
        // cursor, and its screen position would not fit the pixel type.
        if (std::fabs(x / pw) > 2.0f || std::fabs(y / pw) > 2.0f) continue;
        const int sx = RoundAway((x / pw + 1.0f) * 0.5f * float(w));
        const int sy = RoundAway((0.5f - 0.5f * y / pw) * float(h));
        DrawSheet(plat::Rect{sx - 17, sy - 17, sx + 16, sy + 16}, 72, 324, 0);
        if (pass == 0)
            DrawSheet(plat::Rect{sx - 17, sy - 18, sx + 18, sy + 16}, 106, 323,
                      hostile ? 0xFFEE6881u : 0xFFABD1DBu);
    }
    float x, y, pw;
    // The centre reticle: the inner and outer frames close in on a target
    // near the screen's centre.
    int inner = 0, outer = 0;
    bool insideInner = false, insideOuter = false;
    if (m_pTargetGlider)
    {
        Project(m_pTargetGlider->GetPosition(), &x, &y, &pw);
        float depth = pw;
        if (std::fabs(depth) < 50.0f) depth = int(pw) == 0 ? 0.0f : (pw < 0.0f ? -50.0f : 50.0f);
        if (depth > 0.0f)
        {
            const float ox = std::fabs(x / depth), oy = std::fabs(y / depth);
            insideInner = ox < 0.15f && oy < 0.15f;
            insideOuter = ox < 0.3f && oy < 0.3f;
            const CMech* a = m_pTargetGlider->m_pMech;
            const CMech* b = m_pPlayerGlider->m_pMech;
            const int r = a && b && std::strncmp(a->m_szOrg, b->m_szOrg, 32) == 0 ? 2 : 1;
            inner = insideInner ? 3 - r : 0;
            outer = insideOuter ? r : 0;
        }
    }
    const plat::Point centre{w / 2, h / 2};
    const int scales[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    const plat::Point innerOrigin{std::max(73, w / 10), std::max(73, 4 * h / 30)};
    const plat::Point outerOrigin{std::max(111, w / 6), std::max(111, 4 * h / 18)};
    for (const auto& scale : scales)
    {
        DrawSprite(plat::Rect{centre.x, centre.y, centre.x + 73, centre.y + 73}, &innerOrigin,
                   plat::Rect{191, 249 - 73 * inner, 191 + 1024, 249 - 73 * inner + 1024}, m_iTexUI1,
                   scale[0], scale[1], insideInner ? 0 : 0x40FFFFFFu);
        DrawSprite(plat::Rect{centre.x, centre.y, centre.x + 38, centre.y + 38}, &outerOrigin,
                   plat::Rect{273, 38 * outer, 273 + 1024, 38 * outer + 1024}, m_iTexUI1, scale[0], scale[1],
                   insideOuter ? 0 : 0x40FFFFFFu);
    }
}

void CRenderer::DrawCockpitGuns()
{
    XTRACE("CRenderer::DrawCockpitGuns");
    if (!m_pSheet || !m_pPlayerGlider) return;
    CTexture* icons = g_pTextureManager && m_iTexWeaponIcons >= 0
                          ? g_pTextureManager->GetTexture(m_iTexWeaponIcons)
                          : nullptr;
    const double t = CockpitClock();
    static const int kOrder[4] = {0, 1, 3, 2};
    int k = 0;
    for (int slot : kOrder)
    {
        if (slot >= CGliderObject::kGunCount) continue;
        const CGun& gun = m_pPlayerGlider->m_Guns[slot];
        const SGunParameters* type = gun.GetGunDesc();
        if (!gun.m_bMounted || !type) continue;
        // The gun's roles: ammunition (A), charge (B: a continuous gun's
        // heat up to its firing time), reload counter and rate.
        const bool a = type->m_bTypeArms != 0, b = type->m_bVType != 0;
        const int n = int(gun.m_fAmmo);
        const bool charged = gun.m_bOverheated != 0;
        bool low = a && (type->m_nType == 0 || type->m_nType == 1) && float(n) < 0.05f * type->m_fSpare;
        float f = 1.0f;
        if (b && !a)
        {
            low = charged;
            f = type->m_fFireTime > 0.0f ? 1.0f - gun.m_fHeat / type->m_fFireTime : 1.0f;
        }
        else if (!b && type->m_fRateOfFire < 0.5f)
            f = 1.0f - gun.m_fReload * type->m_fRateOfFire;
        const bool active1 = gun.m_bFiring != 0, active2 = gun.m_fShotFlash > 0.0f;
        const bool cannotFire = (a && n == 0) || (b && !a && charged) || (!b && f != 1.0f);

        const int top = 62 * k;
        DrawSheet(plat::Rect{10, 137 + top, 103, 199 + top}, 70, 239, 0);
        std::uint32_t tint = 0;
        if (cannotFire)
            tint = 0x40FFFFFFu;
        else if (active1 || low || active2)
            tint = std::uint32_t(255.0 * (0.25 * std::sin(4.0 * kPi * t) + 0.75)) << 24 | 0xFFFFFFu;
        if (icons && icons->m_lpTexture)
        {
            const plat::Rect cell = IconCell(type->m_nIcon);
            DrawQuad(plat::Rect{14, 144 + top, 78, 176 + top}, &cell, icons, tint);
        }
        if (active1 && ((a && n < 10) || (b && !a && f < 0.1f)))
            FillQuad(plat::Rect{42, 181 + top, 100, 197 + top}, cockpit::BlinkColour(t));
        if (!b && f < 1.0f && type->m_fRateOfFire < 120.0f)
        {
            const int offset = int(56.0f * std::max(0.0f, 2.0f * f - 1.0f));
            const int length = int(std::min(float(56 - offset), 112.0f * f));
            DrawBar(plat::Rect{43 + offset, 182 + top, 43 + offset + length, 196 + top},
                    cockpit::kEnergyColour);
        }
        if (b && !a)
            DrawBar(plat::Rect{43, 182 + top, 43 + int(56.0f * std::clamp(f, 0.0f, 1.0f)), 196 + top},
                    charged ? cockpit::kEnergyColour : cockpit::kArmourColour);
        if (a && g_pFontSmall)
        {
            char text[16];
            std::snprintf(text, sizeof(text), "%d", n);
            g_pFontSmall->RenderText(float(71 - g_pFontSmall->TextWidth(text) / 2), float(180 + top), text,
                                     n == 0 ? 0xFFFF0000u : 0xFFFFFFFFu);
        }
        if (++k == 4) break;
    }
}

void CRenderer::DrawCockpitEquipment()
{
    if (!m_pSheet || !m_pPlayerGlider) return;
    CMechanoid* mech = CockpitMechanoid();
    CTexture* icons = g_pTextureManager && m_iTexWeaponIcons >= 0
                          ? g_pTextureManager->GetTexture(m_iTexWeaponIcons)
                          : nullptr;
    const int w = graph.m_nScreenWidth;
    const double t = CockpitClock();
    struct SEntry
    {
        int icon;
        bool active;
    };
    SEntry entries[4];
    int count = 0;
    entries[count++] = SEntry{14, m_pPlayerGlider->m_fJumpCharge > 1.1f};
    if (mech)
        for (int i = 0; i < mech->m_nAddCount && count < 4; ++i)
        {
            const CEquipment* item = mech->GetAddEquipment(i);
            const SEquipmentParameters* type = item ? item->GetParams() : nullptr;
            if (!type || !type->m_bShowOnCockpit) continue;
            entries[count++] = SEntry{type->m_nIcon, IsItemOn(*mech, i)};
        }
    // Only four entries have timers: the column shows no more than that.
    for (int k = 0; k < count; ++k)
    {
        const SEntry& e = entries[k];
        const int top = 47 * k;
        DrawSheet(plat::Rect{w - 78, 199 + top, w - 8, 244 + top}, 0, 239, 0);
        float alpha = 0.25f;
        if (e.active)
        {
            m_fEquipTime[k] += m_fFrameTime;
            alpha = float(0.25 * std::sin(4.0 * kPi * t) + 0.75);
        }
        else
            m_fEquipTime[k] = 0.0f;
        if (icons && icons->m_lpTexture)
        {
            const plat::Rect cell = IconCell(e.icon);
            DrawQuad(plat::Rect{w - 70, 207 + top, w - 6, 239 + top}, &cell, icons,
                     std::uint32_t(255.0f * alpha) << 24 | 0xFFFFFFu);
        }
        if (m_fEquipTime[k] > 0.0f && m_fEquipTime[k] < 2.0f)
            DrawSheet(plat::Rect{w - 75, 202 + top, w - 11, 241 + top}, 196, 983, cockpit::EquipHighlight(t));
    }
    if (count < 4) m_fEquipTime[count] = 0.0f;
    m_nEquipEntries = count;
}

void CRenderer::DrawCockpitSpeed()
{
    if (!m_pSheet || !m_pPlayerGlider) return;
    const int h = graph.m_nScreenHeight;
    DrawSheet(plat::Rect{0, h - 104, 238, h - 1}, 34, 0, 0);
    if (plat::d3d::Texture* strip = g_EffectRenderManager.GetScannerTexture())
    {
        CBorrowedTexture scanner;
        scanner.m_lpTexture = strip;
        scanner.m_nWidth = CEffectRenderManager::kScannerWidth;
        scanner.m_nHeight = CEffectRenderManager::kScannerHeight;
        const plat::Rect cell{0, 0, 256, 64};
        DrawQuad(plat::Rect{10, h - 75, 235, h - 11}, &cell, &scanner, 0);
    }
    if (!g_pFontSmall) return;
    const CVector& v = m_pPlayerGlider->m_vVelocity;
    const float speed = m_bMiddleSpeedKey ? m_pPlayerGlider->GetMiddleSpeed(1.0f, true)
                                          : std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    char text[16];
    std::snprintf(text, sizeof(text), "%4d", int(speed * 0.27777779f));
    g_pFontSmall->RenderText(float(108 - g_pFontSmall->TextWidth(text)), float(h - 98), text, 0xFFFFFFFFu);
    const std::string clock = cockpit::ClockText(g_Environment.m_fTime);
    g_pFontSmall->RenderText(float(55 - g_pFontSmall->TextWidth(clock.c_str())), float(h - 98), clock.c_str(),
                             0xFFFFFFFFu);
}
