#include "world/LocObjectRecord.h"

#include "foundation/MemStream.h"
#include "world/ObjectTypes.h"

#include <cstdio>
#include <cmath>
#include <cstring>

SLocObjectRecord MakeLocObjectRecord(const CMatrix& placement, const char* typeName, const char* gameId)
{
    SLocObjectRecord r{};
    std::memcpy(r.matrix, &placement, sizeof r.matrix);
    std::snprintf(r.typeName, sizeof r.typeName, "%s", typeName ? typeName : "");
    std::snprintf(r.gameId, sizeof r.gameId, "%s", gameId ? gameId : "");
    return r;
}

bool IsRecordPlacementUsable(const SLocObjectRecord& record)
{
    for (float v : record.matrix)
        if (!std::isfinite(v)) return false;
    for (int i = 12; i < 15; ++i)
        if (std::fabs(record.matrix[i]) > kMaxRecordCoordinate) return false;
    return true;
}

CMatrix GetRecordMatrix(const SLocObjectRecord& record)
{
    CMatrix m;
    std::memcpy(&m, record.matrix, sizeof m);
    return m;
}

void WriteObjectSection(CMemStream& out, std::int32_t typeCode, const std::vector<SLocObjectRecord>& records)
{
    const SLocObjectBlockHeader header{0, std::int32_t(records.size())};
    out.Write(&typeCode, 4);
    out.Write(&header, sizeof header);
    for (const SLocObjectRecord& r : records)
        out.Write(&r, sizeof r);
}

void WriteBoundarySection(CMemStream& out, const std::vector<SBoundaryEntry>& entries)
{
    const std::int32_t typeCode = OBJ_BOUND;
    const SLocObjectBlockHeader header{0, std::int32_t(entries.size())};
    out.Write(&typeCode, 4);
    out.Write(&header, sizeof header);
    for (const SBoundaryEntry& e : entries)
    {
        out.Write(&e.record, sizeof e.record);
        const std::int32_t k = std::int32_t(e.links.size()) + 1;
        out.Write(&k, 4);
        out.Write(&e.number, 4);
        for (std::int32_t link : e.links)
            out.Write(&link, 4);
    }
}
