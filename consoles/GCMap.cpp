#include "consoles/GCMap.h"

#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "consoles/ConsoleServices.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/GraphicInterface.h"
#include "graphics/TextureManager.h"
#include "hud/radar/Radar.h"
#include "menus/BigMapView.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/UIMenu.h"
#include "script/game/TextDatabase.h"
#include "society/MechGroup.h"
#include "society/WorldMechanoid.h"
#include "ui/UI.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "units/GathererObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/SysObject.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <cmath>
#include <cstring>
#include <new>

using plat::Rect;
using menus::NameOf;
using menus::TextOf;

namespace
{
constexpr std::uint32_t kBar = 0x26FFFFFF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kTabColour = 0xFF32D6AE;
constexpr int kBuildingType = 11;
constexpr int kThingType = 21;
constexpr int kGathererType = 26;
// A mechmind carried by a carried mechanoid: the search follows carriers
// this deep at most.
constexpr int kMaxCarriers = 8;

std::string Name32(const char* field)
{
    return std::string(field, strnlen(field, 32));
}

// The third column of the object's rotation.
CVector ForwardAxis(const CMMObject* object)
{
    const CMatrix& m = object->m_Frame.m_Matrix;
    return CVector{m.m[0][2], m.m[1][2], m.m[2][2]};
}

std::string Section(const std::string& key)
{
    return "<icon:MINUS>" + TextOf(key.c_str());
}
} // namespace

CGCMap::CGCMap()
{
    m_ClassID = MakeClassKey("CGCMap", -1);
    m_BuildingMarks.reserve(16);
    m_PointMarks.reserve(16);
    m_RoadMarks.reserve(16);
    m_MechMarks.reserve(16);
}

CGCMap::~CGCMap()
{
    if (m_pMap) RemoveControl(m_pMap.get());
    if (m_pList) RemoveControl(m_pList.get());
    m_pHTML = nullptr;
}

CGuidKey CGCMap::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCMap");
}

void CGCMap::Init(const Rect& rect, IUI* screen)
{
    XTRACE("CGCMap::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCMap", -1);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    m_pMap = std::make_unique<CBigMapView>();
    m_pMap->Init(12, 29, W - 260, H - 29, screen);
    m_pList = std::make_unique<CHTMLScrollWnd>();
    m_pList->Init(W - 260 + 12, 29, W - 12, H - 29, screen);
    m_pList->SetTextDB(g_pTextDB);
    m_pList->HTMLClear();
    m_pHTML = m_pList.get();
    AddControl(m_pMap.get());
    AddControl(m_pList.get());
    Hide();
}

// ---- the lists ----------------------------------------------------------------------

void CGCMap::OnActivated()
{
    XTRACE("CGCMap::OnActivated");
    CGMenu::OnActivated();
    if (!m_pList) return;
    m_pList->HTMLClear();
    m_PointMarks.clear();
    m_RoadMarks.clear();
    const auto add = [&](const std::string& text, const std::string& heading)
    { m_pList->AddEntry(text.c_str(), heading.c_str(), nullptr, std::uintptr_t(-1), nullptr, true, false); };

    // Marks: the target point first, then the marked points.
    std::string marks = "<icon=POINT><a href=POINTER>" + TextOf("INT_MAP_CAPTION5") + "</a><br>";
    if (g_pRadar)
        for (int i = 0; i < g_pRadar->m_PointMarks.GetCount(); ++i)
        {
            const std::string name = Name32(g_pRadar->m_PointMarks[i]);
            if (name.empty()) continue;
            if (CSysObject* point = g_ObjectList.FindSysObject(name.c_str(), 0))
                m_PointMarks.push_back(point);
            else
            {
                const std::int32_t node = g_RoadManager.FindRoadNode(name.c_str());
                if (node >= 0)
                {
                    const CRoadManager::SNode* road = g_RoadManager.GetRoad(node);
                    m_RoadMarks.push_back(road ? &road->position : nullptr);
                }
            }
            marks += "<icon=POINT><a href=" + name + ">" + NameOf(name.c_str()) + "</a><br>";
        }
    add(marks, Section("INT_MAP_CAPTION2"));

    // Buildings, with their owners (none for "ORG_FREE").
    m_BuildingMarks.clear();
    std::string buildings;
    if (g_pRadar)
        for (int i = 0; i < g_pRadar->m_BuildingMarks.GetCount(); ++i)
        {
            const std::string name = Name32(g_pRadar->m_BuildingMarks[i]);
            CMMObject* building = g_ObjectList.FindByGameId(name.c_str(), kBuildingType);
            if (!building) continue;
            m_BuildingMarks.push_back(building);
            std::string owner;
            if (const SBuildingRecord* record = g_pWorld ? g_pWorld->FindBuilding(name.c_str()) : nullptr)
            {
                const std::string org = Name32(record->owner);
                if (g_pWorld->FindOrganization(org.c_str()) && org != "ORG_FREE") owner = org;
            }
            buildings += "<icon=POINT><a href=" + name + ">" + NameOf(name.c_str());
            buildings += owner.empty() ? "</a><br>" : " (" + NameOf(owner.c_str()) + ")</a><br>";
        }
    if (!buildings.empty()) add(buildings, Section("INT_MAP_CAPTION3"));

    // The player and the mechanoids with a bearing.
    m_MechMarks.clear();
    std::string mechs = std::string("<icon=POINT><a href=PLAYER>") + g_GameData.m_PlayerName.GetText() + "</a><br>";
    if (g_pRadar && g_pWorld)
        for (int i = 0; i < g_pRadar->m_MechMarks.GetCount(); ++i)
        {
            const std::string id = Name32(g_pRadar->m_MechMarks[i]);
            CMech* mech = g_pWorld->FindMech(id.c_str());
            if (!mech) continue;
            m_MechMarks.push_back(mech);
            mechs += "<icon=POINT><a href=" + id + ">" + Name32(mech->m_szName) + "</a><br>";
        }
    add(mechs, Section("INT_MAP_CAPTION4"));
}

// ---- links --------------------------------------------------------------------------

std::string CGCMap::TakeLinkText()
{
    if (!m_pList) return {};
    std::string link = m_pList->m_sNotifyTarget;
    m_pList->m_sNotifyTarget.clear();
    return link;
}

void CGCMap::OnCommand(int code, int)
{
    XTRACE("CGCMap::OnCommand");
    if (code == CHTMLWnd::kNotifyLink || code == CHTMLWnd::kNotifyRightLink)
        ClickLink(TakeLinkText(), code == CHTMLWnd::kNotifyRightLink);
}

void CGCMap::CentreOn(const CVector& position)
{
    m_vCentred = position;
    if (!m_pMap) return;
    m_pMap->m_vGlideTarget = position;
    m_pMap->m_bGliding = 1;
}

void CGCMap::ClickLink(const std::string& nameText, bool right)
{
    const std::string name = nameText.substr(0, 31);
    if (name.empty()) return;
    if (right && name != "PLAYER" && g_pRadar)
    {
        g_pRadar->MarkObject(name.c_str(), true);
        if (m_pList && m_pList->GetDocument()) m_pList->GetDocument()->ReplaceBlockColor(name.c_str(), kMarkedColour);
    }
    if (name == "POINTER")
    {
        if (g_pRadar && g_pRadar->m_bTargetSet) CentreOn(g_pRadar->m_vTarget);
        return;
    }
    if (name == "PLAYER")
    {
        if (g_pPlayerGlider) CentreOn(g_pPlayerGlider->GetPosition());
        return;
    }
    if (CMMObject* building = g_ObjectList.FindByGameId(name.c_str(), kBuildingType))
    {
        CentreOn(building->GetPosition());
        return;
    }
    if (CSysObject* point = g_ObjectList.FindSysObject(name.c_str(), 0))
    {
        CentreOn(point->m_Frame.m_vPosition);
        return;
    }
    CVector position, direction;
    int kind = 0;
    if (FindMech(name.c_str(), &position, &direction, &kind)) CentreOn(position);
}

// ---- finding a mechanoid ------------------------------------------------------------

bool CGCMap::FindMech(const char* id, CVector* position, CVector* direction, int* kind)
{
    XTRACE("CGCMap::FindMech");
    return FindMechDepth(id, position, direction, kind, 0);
}

bool CGCMap::FindMechDepth(const char* id, CVector* position, CVector* direction, int* kind, int depth)
{
    if (!g_pWorld || !id || depth > kMaxCarriers) return false;
    CMech* mech = g_pWorld->FindMech(id);
    if (!mech) return false;
    if (mech->m_bInBuilding)
    {
        CMMObject* building = g_ObjectList.FindByGameId(Name32(mech->m_szBuilding).c_str(), kBuildingType);
        if (!building) return false;
        *position = building->GetPosition();
        *kind = kInBuilding;
        return true;
    }
    if (const CMechGroup2* group = GetMechGroup(mech))
    {
        *kind = kInGroup;
        if (group->m_bAssembled)
        {
            *position = group->m_vCentre;
            *direction = GetGroupHeading(group);
            return true;
        }
        if (mech->m_pObject)
        {
            *position = mech->m_pObject->GetPosition();
            *direction = ForwardAxis(mech->m_pObject);
            return true;
        }
        return false;
    }
    if (CMMObject* thing = g_ObjectList.FindByGameId(id, kThingType))
    {
        *position = thing->GetPosition();
        *kind = kLying;
        return true;
    }
    for (const auto& other : g_pWorld->m_Mechs)
    {
        CMech* carrier = other;
        if (!carrier || carrier == mech || !carrier->m_pGroup) continue;
        const auto* mechanoid = dynamic_cast<const CWorldMechanoid*>(carrier->m_pMechanoid);
        if (!mechanoid || !mechanoid->m_Mechanoid.m_Garbage.HasGoods(id, 2, 1)) continue;
        FindMechDepth(carrier->m_szId, position, direction, kind, depth + 1);
        *kind = kCarried;
        return true;
    }
    SPointerArray<CMMObject> gatherers;
    g_ObjectList.GetObjectList(kGathererType, gatherers);
    for (std::int32_t i = 0; i < gatherers.count; ++i)
    {
        const auto* gatherer = dynamic_cast<const CGathererObject*>(gatherers.items[i]);
        if (!gatherer || !gatherer->FindByName(id)) continue;
        *position = gatherer->GetPosition();
        *direction = ForwardAxis(gatherer);
        return true;
    }
    return false;
}

// ---- drawing ------------------------------------------------------------------------

void CGCMap::GridLines(const Rect& map, float originX, float originY, float scale, std::vector<int>* xs,
                       std::vector<int>* ys)
{
    xs->clear();
    ys->clear();
    const float step = kGridStep * scale;
    // A step below a pixel would draw a line on every pixel (or, at zero,
    // never end): no grid then.
    if (!std::isfinite(step) || step < 1.0f || !std::isfinite(originX) || !std::isfinite(originY)) return;
    for (float x = map.left + (kGridStep - originX) * scale; x < map.right; x += step)
        if (x >= map.left) xs->push_back(int(x));
    for (float y = map.top + (kGridStep - originY) * scale; y < map.bottom; y += step)
        if (y >= map.top) ys->push_back(int(y));
}

void CGCMap::Render()
{
    XTRACE("CGCMap::Render");
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_bVisible || !g || !m_pMap || !m_pList)
    {
        CGMenu::Render();
        return;
    }
    const Rect& map = m_pMap->m_Rect;
    const Rect& list = m_pList->m_Rect;
    const int W = Width();
    menus::FillRect(g, Rect{map.right, map.top, list.left, map.bottom}, kBar);
    menus::FillRect(g, Rect{map.left, m_Rect.top + 12, map.left + W - 24, map.top}, kBar);
    menus::FillRect(g, Rect{map.left, map.bottom, map.left + W - 24, m_Rect.bottom - 12}, kBar);
    g->SelectFont(1);
    const std::string location = NameOf(g_pWorld ? g_pWorld->m_szLocationName : "");
    g->RenderText(location.c_str(), (map.left + map.right - g->TextWidth(location.c_str())) / 2, m_Rect.top + 5,
                  kWhite);
    const std::string caption = TextOf("INT_MAP_CAPTION");
    g->RenderText(caption.c_str(), (list.left + list.right - g->TextWidth(caption.c_str())) / 2, m_Rect.top + 5,
                  kWhite);
    g->SelectFont(0);
    CGuidKey sheet = menus::TextureKey(menus::kUII);
    menus::DrawSprite(g, sheet, Rect{m_Rect.right - 260, m_Rect.bottom - 326, m_Rect.right - 1, m_Rect.bottom - 6},
                      765, 461);
    if (auto* host = dynamic_cast<CUIMenu*>(m_pScreen))
        if (CMenuButton* tab = host->GetTab(CUIMenu::kTabMap))
            menus::FillRect(g, Rect{tab->m_Rect.left + 1, m_Rect.top - 3, tab->m_Rect.right - 1, m_Rect.top + 1},
                            kTabColour);
    menus::FillRect(g, Rect{m_Rect.left + 24, m_Rect.bottom - 5, m_Rect.right - 24, m_Rect.bottom - 2}, kTabColour);
    CGMenu::Render();

    if (g_pRadar)
    {
        std::vector<int> xs, ys;
        GridLines(map, g_pRadar->m_vViewOffset.x, g_pRadar->m_vViewOffset.y, g_pRadar->m_fZoom, &xs, &ys);
        for (int x : xs)
            menus::FillRect(g, Rect{x, map.top, x + 1, map.bottom - 17}, kBar);
        for (int y : ys)
            menus::FillRect(g, Rect{map.left, y, map.right - 17, y + 1}, kBar);
    }
    DrawMapMarks();
}

void CGCMap::DrawMapMarks()
{
    XTRACE("CGCMap::DrawMapMarks");
    if (!g_pRadar || !m_pMap || !g_pTextureManager) return;
    const int texture = g_pTextureManager->FindName("TEX_INT_UI1");
    if (texture < 0) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const Rect& map = m_pMap->m_Rect;
    const int viewport[4] = {map.left + 2, map.top + 2, map.left + 2 + map.right - map.left - 21,
                             map.top + 2 + map.bottom - map.top - 21};
    if (g) g->SetViewport(viewport);
    const int x0 = map.left + 2, y0 = map.top + 2;
    for (const CMMObject* building : m_BuildingMarks)
        g_pRadar->DrawBigMapBuilding(x0, y0, building, 1, texture);
    for (const CSysObject* point : m_PointMarks)
        g_pRadar->DrawBigMapPoint(x0, y0, &point->m_Frame.m_vPosition);
    for (const CVector* road : m_RoadMarks)
        if (road) g_pRadar->DrawBigMapPoint(x0, y0, road);

    if (g_pWorld)
    {
        const CMech* player = g_pWorld->GetPlayerMech();
        const int clans = g_pRadar->m_ShownClans.GetCount();
        for (int i = 0; i <= clans; ++i)
        {
            const std::string org = i == 0 ? std::string("ORG_PLAYER") : Name32(g_pRadar->m_ShownClans[i - 1]);
            IWorldOrganization* organisation = g_pWorld->FindOrganization(org.c_str());
            if (!organisation) continue;
            const std::uint32_t colour = organisation->GetColour() ? organisation->GetColour() : 0xFFFFFFFFu;
            for (const auto& record : g_pWorld->m_Mechs)
            {
                const CMech* m = record;
                if (!m || m == player || m->m_bDead || m->m_bInBuilding || Name32(m->m_szOrg) != org) continue;
                const CMechGroup2* group = GetMechGroup(m);
                if (!group || !group->m_bAssembled)
                {
                    if (m->m_pMechanoid && m->m_pObject)
                    {
                        const CVector forward = ForwardAxis(m->m_pObject);
                        g_pRadar->DrawBigMapArrow(x0, y0, &m->m_pObject->GetPosition(), &forward, texture, 0.75f,
                                                  colour);
                    }
                }
                else if (!group->m_bInBuilding)
                {
                    const CVector heading = GetGroupHeading(group);
                    g_pRadar->DrawBigMapArrow(x0, y0, &group->m_vCentre, &heading, texture, 0.75f, colour);
                }
            }
        }
    }
    for (int i = 0; i < g_pRadar->m_MechMarks.GetCount(); ++i)
    {
        CVector position, direction{1.0f, 0.0f, 0.0f};
        int kind = 0;
        if (FindMech(Name32(g_pRadar->m_MechMarks[i]).c_str(), &position, &direction, &kind))
            g_pRadar->DrawBigMapArrow(x0, y0, &position, &direction, texture, 1.0f, kWhite);
    }
    if (g) g->SetFullViewport();
}
