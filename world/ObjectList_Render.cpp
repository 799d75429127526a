// The object list's visibility pass and its draw passes.

#include "world/ObjectList.h"

#include "world/DynamicObject.h"
#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "world/ObjectFrame.h"
#include "world/ObjectScene.h"

#include <algorithm>
#include <cmath>

using namespace plat::d3d;

namespace
{

// The pre-draw keys: pairs of (key, spare word) for SortByKey, and the
// sorted order.
float s_PreDrawKeys[CObjectList::kPreDrawSlots * 2];
int s_PreDrawOrder[CObjectList::kPreDrawSlots];

bool SphereVisible(const CVector& centre, float radius)
{
    return !g_pObjectView || g_pObjectView->IsSphereVisible(&centre, radius);
}

bool ObjectVisible(const CMMObject* o)
{
    if (SphereVisible(o->GetPosition(), o->m_fRadius)) return true;
    for (int i = 0; i < o->m_nPartSpheres && i < CMMObject::kMaxPartSpheres; ++i)
    {
        const SPartSphere& part = o->m_PartSpheres[i];
        if (part.m_bUsed && part.m_fRadius != 0.0f && SphereVisible(part.m_vCentre, part.m_fRadius))
            return true;
    }
    return false;
}

void SetObjectPassState()
{
    if (graph.m_lpDevice) graph.m_lpDevice->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    if (g_pObjectView) g_pObjectView->SetFog(true);
}

// A zero scale would turn every distance into infinity or NaN.
float ViewScale(float listScale, const CMMObject* o)
{
    const float s = listScale * o->m_fScale;
    return s > 0.0f ? s : 1.0f;
}

CMMObject* PlayerGlider()
{
    return g_pPlayerGlider.Object();
}

} // namespace

float CObjectList::GetDetailLevel(float x)
{
    const float y = float(g_Settings.ModelQuality) * x;
    if (y > 10000.0f) return -1.0f;
    if (y > 400.0f) return 3.0f;
    if (y > 100.0f) return 2.0f;
    if (y > 25.0f) return 1.0f;
    return 0.0f;
}

void CObjectList::AddVisible(CMMObject* object, float key)
{
    if (m_nVisible >= kVisibleSlots - 1) return;
    object->m_nSeenPass = m_nVisibilityPass;
    m_Visible[m_nVisible++] = object;
    if (object->m_bPreDrawVisible && m_nPreDraw < kPreDrawSlots - 1)
    {
        s_PreDrawKeys[2 * m_nPreDraw] = key;
        m_PreDraw[m_nPreDraw++] = object;
    }
}

void CObjectList::AddNearInvisible(CMMObject* object, float key, bool preDraw)
{
    if (m_nNearInvisible >= kNearInvisibleSlots - 1) return;
    object->m_nSeenPass = m_nVisibilityPass;
    m_NearInvisible[m_nNearInvisible++] = object;
    if (preDraw && object->m_bPreDrawInvisible && m_nPreDraw < kPreDrawSlots - 1)
    {
        s_PreDrawKeys[2 * m_nPreDraw] = key;
        m_PreDraw[m_nPreDraw++] = object;
    }
}

void CObjectList::SortVisibleFarFirst()
{
    // Farthest first, equal distances in their order: the order repeated
    // neighbour swaps give, reached by a bottom-up merge sort through a
    // fixed scratch table (no allocation, n log n for full tables).
    static CMMObject* scratch[kVisibleSlots];
    CMMObject** from = m_Visible;
    CMMObject** to = scratch;
    const int n = m_nVisible;
    for (int width = 1; width < n; width *= 2)
    {
        for (int lo = 0; lo < n; lo += 2 * width)
        {
            const int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            int a = lo, b = mid, k = lo;
            while (a < mid && b < hi)
                to[k++] = from[b]->m_fDistance > from[a]->m_fDistance ? from[b++] : from[a++];
            while (a < mid)
                to[k++] = from[a++];
            while (b < hi)
                to[k++] = from[b++];
        }
        std::swap(from, to);
    }
    if (from != m_Visible) std::copy(from, from + n, m_Visible);
}

void CObjectList::CheckVisibility(bool preDraw)
{
    XTRACE("CObjectList::CheckVisibility");
    m_nVisible = m_nNearInvisible = m_nPreDraw = 0;
    // Zero is the stamp of objects never seen.
    if (++m_nVisibilityPass == 0) ++m_nVisibilityPass;
    const CVector eye = GetViewerPosition();
    const float R = GetViewRange();
    const float rangeSq = R * R;

    for (int i = 0; i < m_nLargeObjects; ++i)
    {
        CMMObject* o = m_LargeObjects[i];
        const float scale = ViewScale(m_fViewScale, o);
        const float d2 = (o->GetPosition() - eye).LengthSq() / (scale * scale);
        if (d2 > 2.5f * rangeSq) continue;
        const float ratio = o->m_fRadius > 0.0f ? std::sqrt(d2) / o->m_fRadius : 0.0f;
        const float level = GetDetailLevel(ratio * ratio);
        if (level < 0.0f) continue;
        o->m_nDetailLevel = int(level);
        o->m_fDistance = (o->GetPosition() - eye).Length();
        if (ObjectVisible(o)) AddVisible(o, o->m_fDistance);
    }

    const int* cells = nullptr;
    const int cellCount = g_pObjectCells ? g_pObjectCells->GetVisibleCells(&cells) : 0;
    for (int c = 0; c < cellCount; ++c)
    {
        CLinkedList<CMMObject>* list = g_pObjectCells->GetCellObjects(cells[c]);
        if (!list) continue;
        for (CMMObject* o : *list)
        {
            if (!o->m_bAlive || o->m_bFarDrawn) continue;
            if (!o->m_bShown)
            {
                if (!IsSeen(o)) AddNearInvisible(o, 0.0f, false);
                continue;
            }
            const float scale = ViewScale(m_fViewScale, o);
            const float d2 = (o->GetPosition() - eye).LengthSq() / (scale * scale);
            if (d2 > rangeSq) continue;
            const float d = std::sqrt(d2);
            float levelRadius = o->m_fRadius;
            if (o->m_nPartSpheres > 0)
                levelRadius = std::max(levelRadius, o->m_PartSpheres[0].m_fRadius / scale);
            const float ratio = o->m_fRadius > 0.0f ? d / o->m_fRadius : 0.0f;
            float level = GetDetailLevel(ratio * ratio);
            if (level < 0.0f)
            {
                const float r2 = levelRadius > 0.0f ? d / levelRadius : 0.0f;
                if (GetDetailLevel(r2 * r2) < 0.0f) continue;
            }
            if (IsSeen(o)) continue;
            o->m_nDetailLevel = int(level);
            o->m_fDistance = d;
            if (ObjectVisible(o))
                AddVisible(o, d);
            else
                AddNearInvisible(o, 3.0f * d, true);
        }
    }

    if (preDraw)
    {
        SortByKey(s_PreDrawKeys, m_nPreDraw, s_PreDrawOrder);
        CMMObject* player = PlayerGlider();
        if (player) player->PreDraw();
        for (int i = 0; i < m_nPreDraw; ++i)
        {
            CMMObject* o = m_PreDraw[s_PreDrawOrder[i]];
            if (o != player) o->PreDraw();
        }
    }
    SortVisibleFarFirst();
}

void CObjectList::Render(bool all)
{
    XTRACE("CObjectList::Render");
    SetObjectPassState();
    const float far = GetViewRange() * 0.75f;
    for (int i = 0; i < m_nVisible; ++i)
    {
        CMMObject* o = m_Visible[i];
        if (all || !o->m_bFarDrawn || o->m_fDistance < far) o->Draw();
    }
    for (int i = 0; i < m_nNearInvisible; ++i)
        if (m_NearInvisible[i]->m_bDrawInvisible) m_NearInvisible[i]->DrawNVisible();
    for (int i = 0; i < m_nVisible; ++i)
        if (m_Visible[i]->m_bPostDrawVisible) m_Visible[i]->PostDraw();
    for (int i = 0; i < m_nNearInvisible; ++i)
        if (m_NearInvisible[i]->m_bPostDrawInvisible) m_NearInvisible[i]->PostDraw();
}

void CObjectList::RenderFly()
{
    XTRACE("CObjectList::RenderFly");
    SetObjectPassState();
    const float far = GetViewRange() * 0.75f;
    for (int i = 0; i < m_nVisible; ++i)
    {
        CMMObject* o = m_Visible[i];
        if (o->m_bFarDrawn && o->m_fDistance >= far) o->Draw();
    }
}

void CObjectList::RenderForWater()
{
    XTRACE("CObjectList::RenderForWater");
    m_bWaterPass = 1;
    CMMObject* player = PlayerGlider();
    const std::uint8_t shown = player ? player->m_bShown : 0;
    if (player) player->m_bShown = 1;
    try
    {
        CheckVisibility(true);
        Render(true);
    }
    catch (...)
    {
        if (player) player->m_bShown = shown;
        m_bWaterPass = 0;
        throw;
    }
    if (player) player->m_bShown = shown;
    m_bWaterPass = 0;
}
