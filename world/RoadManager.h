// CRoadManager: the road graph's manager ("Дороги", object type 8). It keeps
// the road types of its database section and, for the loaded location, the
// node array read from the road block of the objects file; it answers name,
// mask and radius lookups and a shortest-path query (CPathFinder builds the
// group routes on the same nodes).
//
// Road block (after the section's type code; little-endian):
//   offset size field
//        0    4 not read (written as 0)
//        4    4 n, number of nodes (i32)
//        8    . n entries, each: a 128-byte location object record, an i32
//               count k, then k i32 values: the node's own id, then the ids
//               of the (at most 10) nodes it links to
// A node's name is the record's game id cut at its first ":" ("GATE:2" is
// the node GATE); its type is the index of the record's type name among the
// road types (-1 when unknown). Links are made symmetric after loading.
//
// Limits: a node holds at most kMaxLinks links; surplus links (from the file
// or from the symmetric pass) are dropped with an error line. A frontier of
// GetNearestPath holds at most kMaxFrontier nodes; a wider wave is logged
// and ends the search with the nodes reached so far.
//
// Ownership: the manager owns its nodes. Threads: main thread (Init on the
// start-up loader thread).
#pragma once

#include "world/ObjectManager.h"

#include <cstdint>
#include <vector>

class CPakStream;
class CMemStream;

class CRoadManager : public CMMObjectManager
{
public:
    static constexpr int kMaxLinks = 10;
    static constexpr int kMaxFrontier = 256;
    static constexpr int kMaxRadiusNodes = 20;

    struct SNode
    {
        char name[32] = {};
        CVector position;
        std::int32_t links[kMaxLinks] = {};
        std::int32_t linkCount = 0;
        float pathDistance = 0.0f; // working value of GetNearestPath
        std::int32_t type = 0;
        std::int32_t id = 0;
    };

    // The up to 20 nodes nearest to a point, nearest first.
    struct SRadiusNodes
    {
        std::int32_t index[kMaxRadiusNodes] = {};
        std::int32_t count = 0;
    };

    CRoadManager() : CMMObjectManager(OBJ_ROAD) {}

    // The road block, then one road object per node (CreateRoadObjects).
    void LoadObjects() override;
    void LoadObjectsFrom(CPakStream& stream);
    // Adds a road object per node to the object list, each linked to the
    // nodes after it that it links to, so every pair has one band
    // (world/SceneryObjects.cpp).
    void CreateRoadObjects();
    // Roads are not objects of the list.
    CMMObject* CreateObject(const char*, const CMatrix*, const char*) override { return nullptr; }

    // The first node whose non-empty name is name, or -1.
    std::int32_t FindRoadNode(const char* name) const;
    std::int32_t FindRoadNodeById(std::int32_t id) const;
    // The nodes whose non-empty name begins with the mask's part before its
    // first "*" (the mask is cut there in place), in node order.
    void FindRoadsByMask(char* mask, std::vector<std::int32_t>& out) const;
    void GetNodesInRadius(const CVector& p, float r, SRadiusNodes& out) const;
    // Every node of type 0 or 1 strictly within r, in node order.
    void GetRoadNodesInRadius(const CVector& p, float r, std::vector<std::int32_t>& out) const;
    // A short path from `from` to `to`, both included; false (out untouched)
    // on a dead end.
    bool GetNearestPath(std::int32_t from, std::int32_t to, std::vector<std::int32_t>& out);

    // The position of the node named name; false when there is none.
    bool FindNode(const char* name, CVector* position) const;

    std::int32_t GetNodeCount() const { return std::int32_t(m_Nodes.size()); }
    // Node index, null for any index outside the nodes (negative included).
    const SNode* GetRoad(std::int32_t index) const
    {
        return index >= 0 && index < GetNodeCount() ? &m_Nodes[std::size_t(index)] : nullptr;
    }

    std::vector<SNode> m_Nodes;
};

extern CRoadManager g_RoadManager;

// A road entry as the file holds it (the tests and mksample write with it).
struct SRoadEntry
{
    SLocObjectRecord record;
    std::int32_t id;
    std::vector<std::int32_t> links; // ids of linked nodes
};

// The road section (type 8): type code, block header, entries.
void WriteRoadSection(CMemStream& out, const std::vector<SRoadEntry>& entries);
