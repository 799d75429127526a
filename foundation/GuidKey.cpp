#include "foundation/GuidKey.h"

#include <cstring>
#include <initializer_list>

CGuidKey::CGuidKey() : id(kNone)
{
    std::memset(name, 0, sizeof(name));
}

bool CGuidKey::operator==(const CGuidKey& other) const
{
    if (id != kUnresolved && other.id != kUnresolved)
        return id == other.id;
    return std::strncmp(name, other.name, kNameSize) == 0;
}

CGuidKey* MakeGuidKey(CGuidKey* out, const char* name)
{
    return MakeGuidKeyConcat(out, "", name);
}

CGuidKey* MakeGuidKeyConcat(CGuidKey* out, const char* prefix, const char* name)
{
    std::memset(out->name, 0, sizeof(out->name));
    std::size_t used = 0;
    for (const char* part : {prefix, name})
    {
        for (const char* c = part ? part : ""; *c && used < CGuidKey::kNameSize - 1; ++c)
            out->name[used++] = *c;
    }
    out->id = CGuidKey::kUnresolved;
    return out;
}
