// The scanner strip: a 225-column panorama around the camera, drawn on the
// CPU into a 16-bit system-memory texture each frame and copied to the
// texture the HUD draws. Each column is a bearing (the front gets more
// columns than the sides); bars mirrored about the middle row show what lies
// that way, how big and how near, by kind of object. The bars pulse in a
// wave along the strip and random jitter makes them shimmer.
#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "location/EffectRenderManager.h"
#include "location/ScannerSubjects.h"
#include "location/ViewCamera.h"
#include "world/MMObject.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

IScannerSubjects* g_pScannerSubjects = nullptr;

namespace
{
constexpr float kColumnsPerRadian = 35.969017f; // 226 / (2 pi)
constexpr float kPi = 3.14159265f;

// The seven bar arrays, in the order the pixel colours are tested.
enum EBar
{
    kG8,
    kG5,
    kFiring,
    kGlider,
    kBuilding,
    kThing,
    kAny,
    kBars
};
constexpr std::uint16_t kBarColour[kBars] = {0xF0FE, 0xFE0F, 0xFF01, 0xFFFF, 0xF0D3, 0xF85F, 0xFFE0};

std::uint16_t HalveAlpha(std::uint16_t c)
{
    return std::uint16_t((c & 0x0FFF) | (((c >> 12) / 2) << 12));
}

// Adds an object's bar of amplitude a spread over n columns on each side,
// with the game generator's jitter.
void AddBar(float* bar, int column, float a, int n)
{
    bar[column] += (0.8f + float(g_Random.Next() % 10000) * 0.00004f) * a;
    for (int k = 1; k <= n; ++k)
    {
        bar[(column + k) % CEffectRenderManager::kScannerColumns] +=
            (0.75f + float(g_Random.Next() % 10000) * 0.00005f) * a / float(k);
        const int left =
            ((column - k) % CEffectRenderManager::kScannerColumns + CEffectRenderManager::kScannerColumns) %
            CEffectRenderManager::kScannerColumns;
        bar[left] += (0.75f + float(g_Random.Next() % 10000) * 0.00005f) * a / float(k);
    }
}

// Writes rows 11..52 of columns 0..224 with a value.
bool FillStrip(Texture* texture, std::uint16_t value)
{
    SLockedRect locked{};
    if (!texture || texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) return false;
    for (int y = CEffectRenderManager::kScannerMiddle - 21; y <= CEffectRenderManager::kScannerMiddle + 20;
         ++y)
    {
        auto* row =
            reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch);
        std::fill(row, row + CEffectRenderManager::kScannerColumns, value);
    }
    texture->UnlockRect(0);
    return true;
}
} // namespace

float CEffectRenderManager::ScannerHeading(float fx, float fy)
{
    return (std::atan2(fx, fy) + kPi) * kColumnsPerRadian;
}

int CEffectRenderManager::ScannerColumn(float heading, float dx, float dy)
{
    float c = heading - std::atan2(dx, dy) * kColumnsPerRadian;
    while (c < 0.0f)
        c += 225.0f;
    while (c > 225.0f)
        c -= 225.0f;
    const float d = c - 113.0f;
    const float sign = d > 0.0f ? 1.0f : -1.0f;
    const int column = int(113.0f + sign * std::sqrt(std::fabs(d)) * std::sqrt(113.0f));
    return (column + 450) % kScannerColumns;
}

std::uint16_t CEffectRenderManager::ScannerPixel(const float heights[7], int column, int m)
{
    std::uint16_t colour = 0;
    for (int b = 0; b < kBars; ++b)
    {
        if (heights[b] > float(m))
        {
            colour = kBarColour[b];
            break;
        }
    }
    if (column % 3 == 0) colour = HalveAlpha(colour);
    if (m == int(heights[kGlider]) || m == int(heights[kBuilding]) || m == int(heights[kThing]))
        colour = HalveAlpha(colour);
    return colour;
}

void CEffectRenderManager::ClearScanner()
{
    Device* device = graph.m_lpDevice;
    if (!device || !m_pScanner[0] || !m_pScanner[1]) return;
    FillStrip(m_pScanner[1], kScannerClear);
    device->UpdateTexture(m_pScanner[1], m_pScanner[0]);
}

void CEffectRenderManager::RenderScanner()
{
    XTRACE("CEffectRenderManager::RenderScanner");
    Device* device = graph.m_lpDevice;
    if (!device || !m_pScanner[0] || !m_pScanner[1]) return;
    float bars[kBars][kScannerColumns] = {};
    const CVector eye = g_ViewCamera.m_vPosition;
    const CMatrix& frame = g_ViewCamera.m_Matrix;
    const float heading = ScannerHeading(frame.m[0][2], frame.m[1][2]);
    IScannerSubjects* subjects = g_pScannerSubjects;
    const CMMObject* player = subjects ? subjects->GetPlayerGlider() : nullptr;
    auto place = [&](const CMMObject* o, float* d)
    {
        const CVector v = o->GetPosition() - eye;
        *d = v.Length();
        return ScannerColumn(heading, v.x, v.y);
    };

    SRadiusResult found;
    CObjectList::GetObjectsInRadius(&eye, 3000.0f, OBJ_BUILDING, &found);
    for (int i = 0; i < found.count; ++i)
    {
        const CMMObject* o = found.objects[i];
        if (!subjects || !subjects->HasScannerFlag(o)) continue;
        float d;
        const int column = place(o, &d);
        const float a = std::min(10.0f, o->m_fRadius * 20.0f / (d + 500.0f) + 1.0f);
        AddBar(bars[kBuilding], column, a, int(0.5f * a));
    }
    found = SRadiusResult{};
    CObjectList::GetObjectsInRadius(&eye, 2000.0f, OBJ_GLIDER, &found);
    for (int i = 0; i < found.count; ++i)
    {
        const CMMObject* o = found.objects[i];
        if (o == player) continue;
        float d;
        const int column = place(o, &d);
        const int pilot = subjects ? subjects->GetPilotValue(o) : 0;
        float a = std::min(20.0f, o->m_fRadius * 100.0f / (d + 100.0f) + 3.0f);
        if (pilot >= 5) a *= 4.0f;
        const EBar bar = pilot == 8                          ? kG8
                         : pilot == 5                        ? kG5
                         : subjects && subjects->IsFiring(o) ? kFiring
                                                             : kGlider;
        AddBar(bars[bar], column, a, int(0.75f * a));
    }
    for (CMMObject* o : g_ObjectList.m_Objects)
    {
        const CVector v = o->GetPosition() - eye;
        if (!(v.LengthSq() < 1000000.0f)) continue;
        float d;
        const int column = place(o, &d);
        const float a = std::min(10.0f, 2000.0f / d);
        AddBar(bars[kAny], column, a, int(0.25f * a));
    }
    found = SRadiusResult{};
    CObjectList::GetObjectsInRadius(&eye, 1000.0f, OBJ_THING, &found);
    for (int i = 0; i < found.count; ++i)
    {
        const CMMObject* o = found.objects[i];
        if (subjects && !subjects->IsShownThing(o)) continue;
        float d;
        const int column = place(o, &d);
        const float a = std::min(20.0f, 300.0f / (d + 20.0f) + 3.0f);
        AddBar(bars[kThing], column, a, int(0.75f * a));
    }

    SLockedRect locked{};
    if (m_pScanner[1]->LockRect(0, &locked, nullptr, 0) == D3D_OK)
    {
        const float t = float(g_GameTime);
        for (int c = 0; c < kScannerColumns; ++c)
        {
            const float pulse = std::fabs(std::sin(t * 10.0f + float(c) * 0.3f)) * 0.75f + 0.25f;
            float heights[kBars];
            for (int b = 0; b < kBars; ++b)
                heights[b] = pulse * bars[b][c];
            for (int y = -21; y <= 20; ++y)
            {
                auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                             (kScannerMiddle + y) * locked.Pitch);
                row[c] = ScannerPixel(heights, c, std::abs(y));
            }
        }
        m_pScanner[1]->UnlockRect(0);
    }
    device->UpdateTexture(m_pScanner[1], m_pScanner[0]);
}
