// CPathFinder: routes over the road graph (CRoadManager's nodes) for the
// group AI and the world, and the zones of type-0 nodes around a node.
//
// A search is a label-correcting shortest-path search over two alternating
// frontier queues. An exact search finds the shortest route and keeps it in
// a five-entry least-recently-used cache; a varied search scales each link's
// length by a random factor in [0.5, 1.5) from the shared generator so that
// groups take different roads, and reports the route's true length.
//
// Type mask: bit 1 admits nodes of type 0, bit 2 type 1, bit 4 type 2; a
// mask of 0 or above 7 fails every search. The cache keys on start, end and
// mask, so a route found under one mask is never handed out under another.
//
// Ownership: the graph is not owned; the per-node array, the queues and the
// cache are, and are reused between searches. Threads: main thread.
#pragma once

#include <cstdint>
#include <vector>

class CRoadManager;

struct SPathRoute
{
    std::vector<std::int32_t> nodes; // start first, end last

    std::int32_t Count() const { return std::int32_t(nodes.size()); }
    void Assign(const SPathRoute& other) { nodes = other.nodes; }
};

class CPathFinder
{
public:
    static constexpr int kCacheSize = 5;

    explicit CPathFinder(CRoadManager* graph = nullptr);
    virtual ~CPathFinder() = default;

    // Keeps the graph, sizes the per-node array and empties the cache.
    void Init(CRoadManager* graph);
    bool FindPathByIndex(std::int32_t start, std::int32_t end, SPathRoute* route, float* length,
                         std::uint8_t typeMask, bool exact);
    // By node names (for each, the last node bearing it); always exact.
    bool FindPath(const char* startName, const char* endName, SPathRoute* route, float* length,
                  std::uint8_t typeMask);
    // The named node and the type-0 nodes reachable from it over type-0
    // links within radius of it, breadth first. out is emptied first.
    bool GetZone(const char* name, float radius, std::vector<std::int32_t>& out);

    // Cache entries in use (0-5).
    int GetCacheCount() const { return m_nCacheCount; }
    // Exact searches answered from the cache since Init.
    int GetCacheHits() const { return m_nCacheHits; }

private:
    struct SNodeState
    {
        std::int32_t previous = -1;
        float distance = 0.0f;
        std::uint32_t queued = 0; // stamp of the pass whose second queue holds it
    };
    struct SCacheEntry
    {
        std::int32_t start = -1;
        std::int32_t end = -1;
        std::uint8_t mask = 0;
        SPathRoute route;
        float length = 0.0f;
        std::int32_t next = -1; // next entry in recency order
    };

    bool Admitted(std::int32_t node, std::uint8_t mask) const;
    bool FindInCache(std::int32_t start, std::int32_t end, std::uint8_t mask, SPathRoute* route,
                     float* length);
    void StoreInCache(std::int32_t start, std::int32_t end, std::uint8_t mask, const SPathRoute& route,
                      float length);
    void MakeMostRecent(std::int32_t entry);

    CRoadManager* m_pGraph = nullptr;
    std::vector<SNodeState> m_Nodes;
    std::vector<std::int32_t> m_Queue[2];
    std::uint32_t m_nStamp = 0;
    SCacheEntry m_Cache[kCacheSize];
    std::int32_t m_nMostRecent = -1;
    std::int32_t m_nCacheCount = 0;
    int m_nCacheHits = 0;
};
