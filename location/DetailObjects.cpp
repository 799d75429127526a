// Detail objects: small models strewn over the near ground by land type.
// A block scatters its objects once, from the generator state it keeps, so
// that it always gets the same ones; each frame the objects of the visible
// near blocks are picked by distance relative to their size, faded towards
// their kind's limit and drawn: opaque tinted ones at once, the rest through
// the effect queue, farthest first among the other transparent things.
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "graphics/ComplexObject.h"
#include "graphics/LandTypes.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

namespace
{
struct SFade
{
    float start, end, factor;
};
// By kind, in squared multiples of the object's radius.
constexpr SFade kFade[3] = {
    {900.0f, 2025.0f, 1.0f / 800.0f}, {3600.0f, 6400.0f, 1.0f / 2800.0f}, {100.0f, 400.0f, 1.0f / 300.0f}};

const SFade& FadeOf(int kind)
{
    return kFade[kind >= 0 && kind <= 2 ? kind : 0];
}

float Variation(int kind)
{
    switch (kind)
    {
    case 0:
        return 0.5f;
    case 1:
        return 0.25f;
    case 2:
        return 0.75f;
    default:
        return 1.0f;
    }
}

CComplexObject* DetailModel(std::int32_t id)
{
    if (id < 0 || !g_pModelManager) return nullptr;
    return dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id));
}

// The first part's model, or null.
CModel* FirstModel(CComplexObject* object)
{
    if (!object || object->GetPartCount() == 0) return nullptr;
    return object->GetPart(0).m_pModel.get();
}

// A model whose first part draws with the terrain-tint technique.
constexpr std::int32_t kTintTechnique = SHADER_MOD2X_DIFFUSE_BLEND;

float Now()
{
    return static_cast<float>(g_GameTime);
}

// "Превышено количество шумовых объектов на ячейку" / "... объектов".
const char* const kTooManyInBlock =
    "\xCF\xF0\xE5\xE2\xFB\xF8\xE5\xED\xEE \xEA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
    "\xF8\xF3\xEC\xEE\xE2\xFB\xF5 \xEE\xE1\xFA\xE5\xEA\xF2\xEE\xE2 \xED\xE0 "
    "\xFF\xF7\xE5\xE9\xEA\xF3";
const char* const kTooMany = "\xCF\xF0\xE5\xE2\xFB\xF8\xE5\xED\xEE \xEA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
                             "\xF8\xF3\xEC\xEE\xE2\xFB\xF5 \xEE\xE1\xFA\xE5\xEA\xF2\xEE\xE2";
} // namespace

void CLocation::GenerateDetails(int cellX, int cellY, int block)
{
    XTRACE("CLocation::GenerateDetails");
    if (!IsInside(cellX, cellY) || block < 0 || block > 3) return;
    SNearSlot* near = GetCell(cellX, cellY).m_pNear;
    if (!near) return;
    near->m_fLastUse = Now();
    MapQuad& quad = near->m_Quads[block];

    // The block always starts from the state it first saw.
    const bool hadState = quad.m_bRandomCaptured != 0;
    std::uint32_t pushed = 0;
    if (!hadState)
    {
        quad.m_uRandomState = g_Random.GetState();
        quad.m_fRandomLast = g_Random.GetLast();
        quad.m_bRandomCaptured = 1;
    }
    else
    {
        pushed = g_Random.GetState();
        g_Random.SetState(quad.m_uRandomState);
    }

    SDetailSlot* set = quad.m_pDetail ? quad.m_pDetail : GetDetailSlot();
    if (!set)
    {
        if (hadState) g_Random.SetState(pushed);
        return;
    }
    if (!set->m_pObjects)
    {
        set->m_pObjects = std::make_unique<SDetailObject[]>(SDetailSlot::kMaxObjects);
        set->m_pOrder = std::make_unique<std::uint16_t[]>(SDetailSlot::kMaxObjects);
    }
    quad.m_pDetail = set;
    set->m_ppOwner = &quad.m_pDetail;
    set->m_pOwnerGenerated = &quad.m_bDetail;
    set->m_bUsed = 1;
    set->m_fTime = float(g_FrameTimer.GetElapsed());
    set->m_nCount = 0;

    const int n = std::max(near->m_nBlocksPerSide, 1);
    const int row0 = (block / n) * 32, column0 = (block % n) * 32;

    // Up to 16 land types of the block, in order of first appearance.
    std::uint16_t types[16];
    int typeCount = 0;
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 32; ++c)
        {
            const std::uint16_t t = near->At(row0 + r, column0 + c).landType;
            if (std::find(types, types + typeCount, t) != types + typeCount) continue;
            if (typeCount < 16) types[typeCount++] = t;
        }

    bool full = false;
    for (int ti = 0; ti < typeCount && !full; ++ti)
    {
        const std::uint16_t t = types[ti];
        const int landId = t == 0 ? m_nDefaultLandType : int(t);
        bool flag = false;
        const int index = g_pLandTypeManager ? g_pLandTypeManager->FindTypeIndex(landId, &flag) : -1;
        const SLandType* type = g_pLandTypeManager ? g_pLandTypeManager->GetType(index) : nullptr;
        if (!type) continue;
        for (int j = 0; j < CLandTypeManager::kDetailCount && !full; ++j)
        {
            const SLandDetail& entry = type->details[j];
            if (entry.model == -1) break;
            const std::uint32_t state = g_Random.Next();
            const int count = int(float(((state >> 8) % 66) + 33) * entry.frequency);
            CModel* first = FirstModel(DetailModel(entry.model));
            const bool tinted = first && first->m_iTechnique == kTintTechnique;
            if (set->m_nCount >= SDetailSlot::kMaxObjects)
            {
                g_ErrorLog.LogError("%s", kTooManyInBlock);
                full = true;
                break;
            }
            float modelScale = 1.0f;
            if (g_pModelManager)
                if (const SModelRecord* record = g_pModelManager->GetRecord(entry.model))
                    modelScale = record->m_fRadius > 0.0f ? record->m_fRadius : 1.0f;
            for (int k = 0; k < count; ++k)
            {
                const float x =
                    float(cellX * 64 + column0) + float(g_Random.Next() % 10000) * 32.0f * 0.0001f;
                const float y = float(cellY * 64 + row0) + float(g_Random.Next() % 10000) * 32.0f * 0.0001f;
                const int qx = std::clamp(int(x) - cellX * 64, 0, 63),
                          qy = std::clamp(int(y) - cellY * 64, 0, 63);
                if (near->At(qy, qx).landType != t) continue;
                SDetailObject& o = set->m_pObjects[set->m_nCount];
                o.kind = entry.kind;
                o.model = entry.model;
                o.position = CVector{x * 10.0f, y * 10.0f, 0.0f};
                std::uint8_t onWater = 0;
                o.position.z = GetHeight(o.position, !tinted, false, &onWater);
                o.onWater = onWater;
                const float angle = float(g_Random.Next() % 10000) * 0.0006283185f;
                o.sine = std::sin(angle);
                o.cosine = std::cos(angle);
                const float v = float(g_Random.Next() % 10000) * 0.0002f - 1.0f;
                o.scale = (std::fabs(v) * v * Variation(entry.kind) + 1.0f) * entry.scale;
                o.radius = o.scale * modelScale;
                o.tinted = tinted ? 1 : 0;
                o.color = GetLightColor(o.position.x, o.position.y);
                if (++set->m_nCount >= SDetailSlot::kMaxObjects) break;
            }
        }
    }

    // The index list by radius, ascending (stable for equal radii).
    for (int i = 0; i < set->m_nCount; ++i)
        set->m_pOrder[i] = std::uint16_t(i);
    const SDetailObject* objects = set->m_pObjects.get();
    std::stable_sort(set->m_pOrder.get(), set->m_pOrder.get() + set->m_nCount,
                     [objects](std::uint16_t a, std::uint16_t b)
                     { return objects[a].radius < objects[b].radius; });
    quad.m_bDetail = 1;
    if (hadState) g_Random.SetState(pushed);
}

bool CLocation::AddDetailEntry(const SDetailEntry& entry)
{
    if (m_nDetailEntries >= kDetailList - 1)
    {
        g_ErrorLog.LogError("%s", kTooMany);
        return false;
    }
    m_DetailEntries[m_nDetailEntries++] = entry;
    return true;
}

void MapQuad::RenderDetails(CLocation& location)
{
    XTRACE("MapQuad::RenderDetails");
    if (!m_pOwner) return;
    if (!m_bDetail || !m_pDetail) location.GenerateDetails(m_pOwner->m_nCellX, m_pOwner->m_nCellY, m_nBlock);
    if (!m_pDetail) return;
    m_pDetail->m_fTime = float(g_FrameTimer.GetElapsed());
    const CVector& eye = g_ViewCamera.m_vPosition;
    const SDetailObject* objects = m_pDetail->m_pObjects.get();
    for (int i = m_pDetail->m_nCount - 1; i >= 0; --i)
    {
        const SDetailObject& o = objects[m_pDetail->m_pOrder[i]];
        const float r = std::max(o.radius, 2.0f);
        const float d2 = (o.position - eye).LengthSq();
        const float d2n = d2 / (r * r);
        // Sorted by radius: every later object is smaller and further out.
        if ((m_nLevel == 2 || m_nLevel == 3) && d2n > 12800.0f) return;
        const SFade& fade = FadeOf(o.kind);
        if (d2n > fade.end) continue;
        const float level = CObjectList::GetDetailLevel((d2n * 0.01f) * (d2n * 0.01f));
        if (level < 0.0f) continue;
        if (!g_ViewCamera.IsSphereVisible(o.position, r)) continue;
        CLocation::SDetailEntry entry{};
        entry.distance2 = d2;
        entry.object = &o;
        entry.alpha = d2n < fade.start ? 1.0f : (fade.end - d2n) * fade.factor;
        entry.level = int(level);
        CModel* first = FirstModel(DetailModel(o.model));
        const bool plain = g_pModelManager && DetailModel(o.model) &&
                           DetailModel(o.model)->GetPart(0).Type() == 0 && first &&
                           first->m_iTechnique == kTintTechnique;
        entry.tint = plain ? 0 : 1;
        entry.color = plain ? (o.color & 0xFFFFFF) | 0xFF000000u : 0xFF000000u;
        if (!location.AddDetailEntry(entry)) return;
    }
}

void CLocation::RenderDetailObjects()
{
    XTRACE("CLocation::RenderDetailObjects");
    m_nDetailEntries = 0;
    if (!m_bDetailObjects) return;
    for (int i = 0; i < m_nVisible; ++i)
    {
        const SVisibleCell& v = m_Visible[i];
        MapCell& cell = GetCell(v.drawX, v.drawY);
        if (cell.m_nLevel != kLevelNear || !(v.distance2 < kDetailCellDistance2)) continue;
        SNearSlot* near = cell.m_pNear;
        if (!near) continue;
        near->m_fLastUse = Now();
        for (int b = 0; b < near->m_nBlocksPerSide * near->m_nBlocksPerSide; ++b)
        {
            MapQuad& quad = near->m_Quads[b];
            if (quad.m_bVisible && (quad.m_nLevel == 1 || quad.m_nLevel == 2)) quad.RenderDetails(*this);
        }
    }
    if (!graph.m_lpDevice || !g_pTexShaderManager) return;
    g_pTexShaderManager->InvalidateState();
    m_nLastDetailModel = -1;
    g_EffectRenderManager.m_pDetailLocation = this;
    for (int i = 0; i < m_nDetailEntries; ++i)
    {
        const SDetailEntry& e = m_DetailEntries[i];
        if (e.tint == 0 && e.alpha > 0.95f)
            DrawDetail(e, false);
        else if (g_EffectRenderManager.m_bDeferred)
            g_EffectRenderManager.AddObject(e.distance2, reinterpret_cast<CMMObject*>(std::intptr_t(i)),
                                            CEffectRenderManager::kDetailPass);
    }
    g_pTexShaderManager->RestoreState();
}

void CLocation::DrawDetailObject(int entry)
{
    XTRACE("CLocation::DrawDetailObject");
    if (entry < 0 || entry >= m_nDetailEntries) return;
    DrawDetail(m_DetailEntries[entry], true);
}

void CLocation::DrawDetail(const SDetailEntry& e, bool deferred)
{
    Device* d = graph.m_lpDevice;
    CComplexObject* model = DetailModel(e.object->model);
    CModel* first = FirstModel(model);
    if (!d || !model || !first) return; // still loading: next frame
    const SDetailObject& o = *e.object;
    if (o.model != m_nLastDetailModel)
    {
        model->ResetColor();
        m_nLastDetailModel = o.model;
    }
    SMaterial material = first->m_Material;
    const float tint[3] = {float((o.color >> 16) & 0xFF) / 255.0f, float((o.color >> 8) & 0xFF) / 255.0f,
                           float(o.color & 0xFF) / 255.0f};
    float* diffuse[3] = {&material.Diffuse.r, &material.Diffuse.g, &material.Diffuse.b};
    if (!deferred || e.tint == 0)
        for (int c = 0; c < 3; ++c)
            *diffuse[c] = *diffuse[c] * 0.75f + tint[c] * 0.5f;
    if (!deferred || e.tint == 0)
        material.Ambient =
            SColorValue{float((e.color >> 16) & 0xFF) / 255.0f, float((e.color >> 8) & 0xFF) / 255.0f,
                        float(e.color & 0xFF) / 255.0f, float(e.color >> 24) / 255.0f};
    const float s =
        g_Environment.GetShadowLevel(GetShadowTexel(int(o.position.x * 0.1f), int(o.position.y * 0.1f))[3]);
    const float ambient = ((1.0f - s) * 192.0f + 63.0f) / 255.0f;
    const float light = ((1.0f - s) * 103.0f + 152.0f) / 255.0f;
    material.Ambient.r *= ambient;
    material.Ambient.g *= ambient;
    material.Ambient.b *= ambient;
    for (float* c : diffuse)
        *c *= light;
    material.Diffuse.a = e.alpha;
    d->SetMaterial(&material);

    CVector p = o.position;
    if (deferred && o.onWater) p.z += 0.5f * std::sin(float(g_GameTime) + p.x);
    CMatrix world(1.0f);
    world.m[0][0] = o.cosine * o.scale;
    world.m[0][1] = -o.sine * o.scale;
    world.m[1][0] = o.sine * o.scale;
    world.m[1][1] = o.cosine * o.scale;
    world.m[2][2] = o.scale;
    world.SetTranslation(p);
    d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&world));
    d->SetTransform(D3DTS_WORLD1, reinterpret_cast<const SMatrix*>(&world));
    g_ModelWorldMatrix = world;
    if (deferred)
    {
        g_LightWare.SetLights(p, 1.0f);
        if (model->m_bSorted)
        {
            const CVector eye = g_ViewCamera.m_vPosition;
            model->SetSortingByView(Normalize(p - eye), false);
        }
    }
    // The model draws with the material set here, not its own.
    const std::int32_t own = first->m_iMaterial;
    first->m_iMaterial = -1;
    model->Update(g_FrameTimer.GetFrameTime());
    model->Render(nullptr, 0, -1);
    first->m_iMaterial = own;
    ++m_nDetailDraws;
}
