#include "world/PathFinder.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "world/RoadManager.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

CPathFinder::CPathFinder(CRoadManager* graph)
{
    Init(graph);
}

void CPathFinder::Init(CRoadManager* graph)
{
    XTRACE("CPathFinder::Init");
    m_pGraph = graph;
    m_Nodes.assign(graph ? std::size_t(graph->GetNodeCount()) : 0, SNodeState{});
    m_nStamp = 0;
    for (SCacheEntry& e : m_Cache)
        e = SCacheEntry{};
    m_nMostRecent = -1;
    m_nCacheCount = 0;
    m_nCacheHits = 0;
}

bool CPathFinder::Admitted(std::int32_t node, std::uint8_t mask) const
{
    const std::int32_t type = m_pGraph->m_Nodes[std::size_t(node)].type;
    return type >= 0 && type <= 2 && (mask & (1u << type)) != 0;
}

void CPathFinder::MakeMostRecent(std::int32_t entry)
{
    if (m_nMostRecent == entry) return;
    // Unlink, then put in front.
    for (std::int32_t i = m_nMostRecent; i >= 0; i = m_Cache[i].next)
        if (m_Cache[i].next == entry)
        {
            m_Cache[i].next = m_Cache[entry].next;
            break;
        }
    m_Cache[entry].next = m_nMostRecent;
    m_nMostRecent = entry;
}

bool CPathFinder::FindInCache(std::int32_t start, std::int32_t end, std::uint8_t mask, SPathRoute* route,
                              float* length)
{
    XTRACE("Find cache values");
    for (std::int32_t i = m_nMostRecent; i >= 0; i = m_Cache[i].next)
    {
        const SCacheEntry& e = m_Cache[i];
        if (e.start != start || e.end != end || e.mask != mask) continue;
        if (length) *length = e.length;
        if (route) route->Assign(e.route);
        MakeMostRecent(i);
        ++m_nCacheHits;
        return true;
    }
    return false;
}

void CPathFinder::StoreInCache(std::int32_t start, std::int32_t end, std::uint8_t mask,
                               const SPathRoute& route, float length)
{
    XTRACE("Save values in to cache");
    std::int32_t entry;
    if (m_nCacheCount < kCacheSize)
    {
        entry = m_nCacheCount++;
        m_Cache[entry].next = m_nMostRecent;
        m_nMostRecent = entry;
    }
    else
    {
        // The least recently used is the last of the recency chain.
        entry = m_nMostRecent;
        while (m_Cache[entry].next >= 0)
            entry = m_Cache[entry].next;
        MakeMostRecent(entry);
    }
    SCacheEntry& e = m_Cache[entry];
    e.start = start;
    e.end = end;
    e.mask = mask;
    e.length = length;
    e.route.Assign(route);
}

bool CPathFinder::FindPathByIndex(std::int32_t start, std::int32_t end, SPathRoute* route, float* length,
                                  std::uint8_t typeMask, bool exact)
{
    if (start == end)
    {
        if (route) route->nodes.clear();
        if (length) *length = 0.0f;
        return true;
    }
    if (!m_pGraph || typeMask == 0 || typeMask > 7) return false;
    const std::int32_t count = m_pGraph->GetNodeCount();
    if (start < 0 || end < 0 || start >= count || end >= count) return false;
    // The graph may have been reloaded since Init.
    if (m_Nodes.size() != std::size_t(count)) m_Nodes.assign(std::size_t(count), SNodeState{});
    const std::vector<CRoadManager::SNode>& graph = m_pGraph->m_Nodes;
    if (!Admitted(start, typeMask) || !Admitted(end, typeMask)) return false;
    if (exact && FindInCache(start, end, typeMask, route, length)) return true;

    std::vector<std::int32_t>& first = m_Queue[0];
    std::vector<std::int32_t>& second = m_Queue[1];
    {
        XTRACE("Begin initialization");
        for (SNodeState& s : m_Nodes)
        {
            s.distance = FLT_MAX;
            s.previous = -1;
        }
        first.clear();
        second.clear();
        const CRoadManager::SNode& s = graph[std::size_t(start)];
        for (std::int32_t l = 0; l < s.linkCount; ++l)
        {
            const std::int32_t v = s.links[l];
            if (!Admitted(v, typeMask)) continue;
            m_Nodes[std::size_t(v)].distance = (graph[std::size_t(v)].position - s.position).Length();
            m_Nodes[std::size_t(v)].previous = start;
            first.push_back(v);
        }
        m_Nodes[std::size_t(start)].distance = 0.0f;
        m_Nodes[std::size_t(start)].previous = -1;
    }
    {
        XTRACE("Processing all node");
        while (!first.empty())
        {
            // A new stamp per pass: "already in the second queue" in O(1).
            if (++m_nStamp == 0)
            {
                for (SNodeState& s : m_Nodes)
                    s.queued = 0;
                m_nStamp = 1;
            }
            for (const std::int32_t u : first)
            {
                const CRoadManager::SNode& nu = graph[std::size_t(u)];
                const SNodeState su = m_Nodes[std::size_t(u)];
                for (std::int32_t l = 0; l < nu.linkCount; ++l)
                {
                    const float factor = exact ? 1.0f : float(g_Random.Next() % 10000) * 0.0001f + 0.5f;
                    const std::int32_t v = nu.links[l];
                    if (v == su.previous || !Admitted(v, typeMask)) continue;
                    SNodeState& sv = m_Nodes[std::size_t(v)];
                    const float d =
                        (graph[std::size_t(v)].position - nu.position).Length() * factor + su.distance;
                    if (!(d < sv.distance)) continue;
                    sv.distance = d;
                    sv.previous = u;
                    if (!(sv.distance < m_Nodes[std::size_t(end)].distance) || v == end ||
                        sv.queued == m_nStamp)
                        continue;
                    sv.queued = m_nStamp;
                    second.push_back(v);
                }
            }
            first.swap(second);
            second.clear();
        }
    }
    if (m_Nodes[std::size_t(end)].distance == FLT_MAX) return false;

    SPathRoute found;
    for (std::int32_t n = end; n >= 0; n = m_Nodes[std::size_t(n)].previous)
    {
        found.nodes.push_back(n);
        if (n == start) break;
        if (found.Count() > count) return false; // a broken chain, never a loop
    }
    if (found.nodes.back() != start) return false;
    std::reverse(found.nodes.begin(), found.nodes.end());
    float total = m_Nodes[std::size_t(end)].distance;
    if (!exact)
    {
        total = 0.0f;
        for (std::size_t i = 1; i < found.nodes.size(); ++i)
            total += (graph[std::size_t(found.nodes[i])].position -
                      graph[std::size_t(found.nodes[i - 1])].position)
                         .Length();
    }
    if (exact) StoreInCache(start, end, typeMask, found, total);
    if (length) *length = total;
    if (route) route->Assign(found);
    return true;
}

bool CPathFinder::FindPath(const char* startName, const char* endName, SPathRoute* route, float* length,
                           std::uint8_t typeMask)
{
    XTRACE("CPathFinder::FindPath");
    if (!m_pGraph || !startName || !endName) return false;
    std::int32_t start = -1, end = -1;
    for (std::int32_t i = 0; i < m_pGraph->GetNodeCount(); ++i)
    {
        const char* name = m_pGraph->m_Nodes[std::size_t(i)].name;
        if (SameName(name, startName)) start = i;
        if (SameName(name, endName)) end = i;
    }
    if (start < 0 || end < 0) return false;
    if (!Admitted(start, typeMask) && typeMask && typeMask <= 7 && start != end)
        g_ErrorLog.LogError("CPathFinder::FindPath Start road node is other type, node ID: [%s]", startName);
    else if (!Admitted(end, typeMask) && typeMask && typeMask <= 7 && start != end)
        g_ErrorLog.LogError("CPathFinder::FindPath End road node is other type, node ID: [%s]", endName);
    return FindPathByIndex(start, end, route, length, typeMask, true);
}

bool CPathFinder::GetZone(const char* name, float radius, std::vector<std::int32_t>& out)
{
    XTRACE("CPathFinder::GetZone");
    out.clear();
    if (!m_pGraph) return false;
    const std::int32_t home = m_pGraph->FindRoadNode(name);
    if (home < 0) return false;
    const std::vector<CRoadManager::SNode>& graph = m_pGraph->m_Nodes;
    const std::int32_t type = graph[std::size_t(home)].type;
    if (type < 0 || type > 2) return false;
    std::vector<std::int32_t>& first = m_Queue[0];
    std::vector<std::int32_t>& second = m_Queue[1];
    first.assign(1, home);
    second.clear();
    out.push_back(home);
    const CVector centre = graph[std::size_t(home)].position;
    while (!first.empty())
    {
        for (const std::int32_t u : first)
            for (std::int32_t l = 0; l < graph[std::size_t(u)].linkCount; ++l)
            {
                const std::int32_t v = graph[std::size_t(u)].links[l];
                if (graph[std::size_t(v)].type != 0) continue;
                if (std::find(out.begin(), out.end(), v) != out.end()) continue;
                if (!((graph[std::size_t(v)].position - centre).Length() < radius)) continue;
                out.push_back(v);
                second.push_back(v);
            }
        first.swap(second);
        second.clear();
    }
    return !out.empty();
}
