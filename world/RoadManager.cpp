#include "world/RoadManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/PakFileSystem.h"
#include "world/ObjectFrame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

bool HasLink(const CRoadManager::SNode& n, std::int32_t target)
{
    return std::find(n.links, n.links + n.linkCount, target) != n.links + n.linkCount;
}

} // namespace

void CRoadManager::LoadObjects()
{
    LoadObjectsFrom(GetPakFileSystem().GetCurrent());
    CreateRoadObjects();
}

void CRoadManager::LoadObjectsFrom(CPakStream& stream)
{
    XTRACE("CRoadManager::LoadObjects");
    m_Nodes.clear();
    const std::uint32_t start = stream.Tell();
    auto fail = [&](const char* reason, std::int32_t entry)
    {
        g_ErrorLog.LogError("%s: road block at offset %u, entry %d: %s", GetFileName(stream), start, entry,
                            reason);
    };
    SLocObjectBlockHeader header{};
    if (stream.ReadBytes(&header, sizeof header) != sizeof header) return fail("header cut short", -1);
    // Each entry takes at least a record, its count and its own id.
    const std::uint32_t length = stream.GetLength();
    const std::uint32_t left = length > stream.Tell() ? length - stream.Tell() : 0;
    if (header.count < 0 || std::uint64_t(header.count) * (sizeof(SLocObjectRecord) + 8) > left)
        fail(("node count " + std::to_string(header.count) + " does not fit the file").c_str(), -1);
    if (header.count < 0) return;

    for (std::int32_t e = 0; e < header.count; ++e)
    {
        SLocObjectRecord r{};
        std::int32_t k = 0;
        if (stream.ReadBytes(&r, sizeof r) != sizeof r || stream.ReadBytes(&k, 4) != 4)
        {
            fail("record cut short", e);
            break;
        }
        const std::uint32_t rest = length > stream.Tell() ? length - stream.Tell() : 0;
        if (k < 1 || std::uint64_t(k) * 4 > rest)
        {
            fail(("link count " + std::to_string(k) + (k < 1 ? " below 1" : " past the end of the file"))
                     .c_str(),
                 e);
            break;
        }
        std::vector<std::int32_t> values(std::size_t(k), 0);
        if (stream.ReadBytes(values.data(), std::uint32_t(k) * 4) != std::uint32_t(k) * 4)
        {
            fail("link ids cut short", e);
            break;
        }
        if (!IsRecordPlacementUsable(r))
        {
            fail("placement out of range", e);
            continue;
        }
        SNode node;
        node.id = values[0];
        node.type = FindName(std::string(r.typeName, strnlen(r.typeName, 32)).c_str());
        for (std::int32_t i = 1; i < k; ++i)
        {
            if (values[std::size_t(i)] == -1)
            {
                g_ErrorLog.LogError("Found unlinked road link");
                continue;
            }
            if (node.linkCount == kMaxLinks)
            {
                fail("more than ten links; the surplus is dropped", e);
                break;
            }
            node.links[node.linkCount++] = values[std::size_t(i)];
        }
        CopyName(node.name, r.gameId);
        const CMatrix m = GetRecordMatrix(r);
        node.position = CVector{m.m[3][0], m.m[3][1], m.m[3][2]};
        m_Nodes.push_back(node);
    }

    // Ids to indexes. An id that names no node is dropped, not kept as -1:
    // every later walk indexes the node array with the links.
    for (SNode& n : m_Nodes)
    {
        std::int32_t kept = 0;
        for (std::int32_t i = 0; i < n.linkCount; ++i)
        {
            const std::int32_t index = FindRoadNodeById(n.links[i]);
            if (index < 0)
            {
                g_ErrorLog.LogError("Error while converting road links");
                continue;
            }
            n.links[kept++] = index;
        }
        n.linkCount = kept;
        if (char* colon = std::strchr(n.name, ':')) *colon = 0;
    }

    for (std::int32_t i = 0; i < GetNodeCount(); ++i)
        for (std::int32_t l = 0; l < m_Nodes[std::size_t(i)].linkCount; ++l)
        {
            SNode& t = m_Nodes[std::size_t(m_Nodes[std::size_t(i)].links[l])];
            if (HasLink(t, i)) continue;
            if (t.linkCount == kMaxLinks)
            {
                g_ErrorLog.LogError("%s: road node '%s' has ten links; the link back to '%s' is dropped",
                                    GetFileName(stream), t.name, m_Nodes[std::size_t(i)].name);
                continue;
            }
            t.links[t.linkCount++] = i;
        }
}

std::int32_t CRoadManager::FindRoadNode(const char* name) const
{
    if (!name) return -1;
    for (std::size_t i = 0; i < m_Nodes.size(); ++i)
        if (m_Nodes[i].name[0] && SameName(m_Nodes[i].name, name)) return std::int32_t(i);
    return -1;
}

std::int32_t CRoadManager::FindRoadNodeById(std::int32_t id) const
{
    for (std::size_t i = 0; i < m_Nodes.size(); ++i)
        if (m_Nodes[i].id == id) return std::int32_t(i);
    return -1;
}

void CRoadManager::FindRoadsByMask(char* mask, std::vector<std::int32_t>& out) const
{
    out.clear();
    if (!mask) return;
    if (char* star = std::strchr(mask, '*')) *star = 0;
    const std::size_t n = std::strlen(mask);
    for (std::size_t i = 0; i < m_Nodes.size(); ++i)
        if (m_Nodes[i].name[0] && std::strncmp(m_Nodes[i].name, mask, n) == 0) out.push_back(std::int32_t(i));
}

void CRoadManager::GetNodesInRadius(const CVector& p, float r, SRadiusNodes& out) const
{
    constexpr int kScratch = 52;
    float keys[2 * kScratch] = {};
    int found = 0;
    for (std::size_t i = 0; i < m_Nodes.size() && found < kScratch; ++i)
    {
        const float d = (m_Nodes[i].position - p).LengthSq();
        if (d >= r * r) continue;
        keys[2 * found] = d;
        keys[2 * found + 1] = float(i);
        ++found;
    }
    int order[kScratch];
    SortByKey(keys, found, order);
    out.count = std::min(found, int(kMaxRadiusNodes));
    for (int j = 0; j < out.count; ++j)
        out.index[j] = std::int32_t(keys[2 * order[j] + 1]);
}

void CRoadManager::GetRoadNodesInRadius(const CVector& p, float r, std::vector<std::int32_t>& out) const
{
    out.clear();
    for (std::size_t i = 0; i < m_Nodes.size(); ++i)
        if ((m_Nodes[i].type == 0 || m_Nodes[i].type == 1) && (m_Nodes[i].position - p).LengthSq() < r * r)
            out.push_back(std::int32_t(i));
}

bool CRoadManager::GetNearestPath(std::int32_t from, std::int32_t to, std::vector<std::int32_t>& out)
{
    const std::int32_t count = GetNodeCount();
    if (from < 0 || from >= count || to < 0 || to >= count)
    {
        g_ErrorLog.LogError("CRoadManager::GetNearestPath dead end of the road");
        return false;
    }
    for (SNode& n : m_Nodes)
        n.pathDistance = 0.0f;
    m_Nodes[std::size_t(from)].pathDistance = 0.00001f;
    std::vector<std::int32_t> frontier{from}, next;
    float best = 1e11f;
    int bestStep = 0;
    int step = 0;
    bool overflow = false;
    for (;;)
    {
        ++step;
        float minimum = 1e10f;
        next.clear();
        for (std::int32_t i : frontier)
        {
            const SNode& ni = m_Nodes[std::size_t(i)];
            minimum = std::min(minimum, ni.pathDistance);
            for (std::int32_t l = 0; l < ni.linkCount; ++l)
            {
                const std::int32_t j = ni.links[l];
                SNode& nj = m_Nodes[std::size_t(j)];
                const float d = ni.pathDistance + (ni.position - nj.position).Length();
                if (nj.pathDistance != 0.0f && !(d < nj.pathDistance)) continue;
                nj.pathDistance = d;
                if (j == to && d < best)
                {
                    best = d;
                    bestStep = step;
                }
                if (int(next.size()) == kMaxFrontier)
                {
                    // The wave is not kept whole: the search ends after it
                    // with what it has reached.
                    if (!overflow)
                        g_ErrorLog.LogError("CRoadManager::GetNearestPath more than %d nodes in one wave",
                                            kMaxFrontier);
                    overflow = true;
                    continue;
                }
                next.push_back(j);
            }
        }
        if (next.empty() || overflow) break;
        frontier.swap(next);
        if (!(minimum < 1.5f * best)) break;
    }
    if (bestStep == 0)
    {
        g_ErrorLog.LogError("CRoadManager::GetNearestPath dead end of the road");
        return false;
    }
    std::vector<std::int32_t> buffer(std::size_t(bestStep + 11));
    std::size_t slot = buffer.size() - 1;
    buffer[slot] = to;
    std::int32_t current = to;
    while (current != from)
    {
        const SNode& n = m_Nodes[std::size_t(current)];
        std::int32_t choice = -1;
        for (std::int32_t l = 0; l < n.linkCount; ++l)
        {
            const float d = m_Nodes[std::size_t(n.links[l])].pathDistance;
            if (d > 0.0f && d < n.pathDistance &&
                (choice < 0 || d < m_Nodes[std::size_t(choice)].pathDistance))
                choice = n.links[l];
        }
        if (choice < 0)
        {
            g_ErrorLog.LogError("CRoadManager::GetNearestPath second path fail");
            return false;
        }
        if (slot == 0)
        {
            g_ErrorLog.LogError("CRoadManager::GetNearestPath second path fail2");
            return false;
        }
        buffer[--slot] = choice;
        current = choice;
    }
    out.assign(buffer.begin() + std::ptrdiff_t(slot), buffer.end());
    return true;
}

bool CRoadManager::FindNode(const char* name, CVector* position) const
{
    const std::int32_t i = FindRoadNode(name);
    if (i < 0) return false;
    *position = m_Nodes[std::size_t(i)].position;
    return true;
}

void WriteRoadSection(CMemStream& out, const std::vector<SRoadEntry>& entries)
{
    const std::int32_t typeCode = OBJ_ROAD;
    const SLocObjectBlockHeader header{0, std::int32_t(entries.size())};
    out.Write(&typeCode, 4);
    out.Write(&header, sizeof header);
    for (const SRoadEntry& e : entries)
    {
        out.Write(&e.record, sizeof e.record);
        const std::int32_t k = std::int32_t(e.links.size()) + 1;
        out.Write(&k, 4);
        out.Write(&e.id, 4);
        for (std::int32_t link : e.links)
            out.Write(&link, 4);
    }
}
