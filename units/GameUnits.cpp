#include "units/GameUnits.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "location/Location.h"
#include "units/GathererObject.h"
#include "units/KindManagers.h"
#include "world/RoadManager.h"

namespace
{
constexpr int kBigMap = 1024;
constexpr int kObserverRoads = 100;
constexpr float kObserverHeight = 25.0f;

CMMObject* Observer(const CVector& at)
{
    CMatrix m(1.0f);
    m.SetTranslation(at);
    return g_FlyTehManager.CreateObject("FTO_OBSERVER", &m, nullptr);
}
} // namespace

void CreateUnitsForGame()
{
    XTRACE("CreateUnitsForGame");
    const int width = g_Location.m_nWidth, height = g_Location.m_nHeight;
    if (width >= kBigMap || height >= kBigMap)
    {
        if (g_RoadManager.GetNodeCount() > kObserverRoads)
        {
            const int n = int(float(width) * float(height) * 0.000005f + 15.0f);
            for (int i = 0; i < n; ++i)
            {
                const float r1 = float(g_Random.Next() % 10000), r2 = float(g_Random.Next() % 10000);
                CVector at{5000.0f + r1 * 0.0001f * (10.0f * float(width) - 5000.0f),
                           5000.0f + r2 * 0.0001f * (10.0f * float(height) - 5000.0f), 0.0f};
                at.z = g_Location.GetRoughHeight(at) + kObserverHeight;
                Observer(at);
            }
        }
        CGathererManager::CreateForGame();
    }
    CCapsuleManager::CreateForGame();
}

CMMObject* CreateObserverOnRoad(const CVector& near)
{
    CRoadManager::SRadiusNodes nodes;
    g_RoadManager.GetNodesInRadius(near, 1000.0f, nodes);
    if (nodes.count == 0) return nullptr;
    CVector at = g_RoadManager.m_Nodes[std::size_t(nodes.index[0])].position;
    at.z = (g_Location.m_nCellsX > 0 ? g_Location.GetRoughHeight(at) : at.z) + kObserverHeight;
    return Observer(at);
}
