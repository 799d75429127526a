// CGCMap: the map console of a building. The radar's big map of the
// location in a map view with a grid and the marks the radar keeps
// (buildings revealed, points marked, mechanoids with a bearing, the
// members of the player's organisation and of the clans whose page was
// bought), and beside it a list window that names them as links: a link
// centres the map on its thing, the right button also marks it.
//
// The grid is drawn only at a usable scale: a big-map scale of zero (or
// below, or not a number) would give grid lines no spacing.
//
// Ownership: the console owns its map view and list window; the mark
// arrays point into the world's objects and own nothing. Main thread only.
#pragma once

#include "foundation/Vector.h"
#include "menus/GMenu.h"

#include <memory>
#include <string>
#include <vector>

class CBigMapView;
class CHTMLScrollWnd;
class CMMObject;
class CMech;
class CSysObject;

class CGCMap : public CGMenu
{
public:
    static constexpr std::uint32_t kMarkedColour = 0xFF00FF00;
    static constexpr float kGridStep = 64.0f;

    // Where FindMech found a mechanoid.
    enum EFound
    {
        kInGroup = 0,
        kInBuilding = 1,
        kLying = 2,
        kCarried = 3,
    };

    CGCMap();
    ~CGCMap() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void Init(const plat::Rect& rect, IUI* screen) override;

    // Where the mechanoid of that id is; kind is left as it was when a
    // gatherer holds it.
    bool FindMech(const char* id, CVector* position, CVector* direction, int* kind);
    void DrawMapMarks();
    // The link's thing: right marks it first (not "PLAYER"), then the map
    // centres on it.
    void ClickLink(const std::string& name, bool right);
    // The grid lines' positions over the map view (x of the vertical lines,
    // y of the horizontal ones); none at an unusable scale.
    static void GridLines(const plat::Rect& map, float originX, float originY, float scale, std::vector<int>* xs,
                          std::vector<int>* ys);

    std::unique_ptr<CBigMapView> m_pMap;
    std::unique_ptr<CHTMLScrollWnd> m_pList;
    std::vector<CMMObject*> m_BuildingMarks;
    std::vector<CSysObject*> m_PointMarks;
    std::vector<const CVector*> m_RoadMarks;
    std::vector<CMech*> m_MechMarks;
    // Where the last centring asked the map to go.
    CVector m_vCentred;

private:
    void CentreOn(const CVector& position);
    std::string TakeLinkText();
    bool FindMechDepth(const char* id, CVector* position, CVector* direction, int* kind, int depth);
};
