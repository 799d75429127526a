#include "ui/SmallOps.h"

#include "foundation/ErrorLog.h"

#include <cstring>

plat::d3d::SColorValue SetColorValue(float red, float green, float blue, float alpha)
{
    return plat::d3d::SColorValue{red, green, blue, alpha};
}

int Vector3NotEqual(const CVector& a, const CVector& b)
{
    if (a.x != b.x) return 1;
    if (a.y != b.y) return 1;
    if (a.z != b.z) return 1;
    return 0;
}

bool CThingContents::AddContent(std::uint32_t kind, const char (&name)[32], std::uint32_t number)
{
    if (count >= kMaxEntries)
    {
        g_ErrorLog.LogError("CTheThing::AddContent: the contents are full (%u entries), '%.31s' refused",
                            kMaxEntries, name);
        return false;
    }
    SThingContent& entry = entries[count];
    entry.kind = kind;
    std::memcpy(entry.name, name, sizeof(entry.name));
    entry.count = number;
    ++count;
    return true;
}
