#include "foundation/Name32.h"

#include <cstring>

bool SameName(const char* a, const char* b)
{
    return a && b && std::strncmp(a, b, 32) == 0;
}

void CopyName(char* out, const char* in)
{
    const std::size_t n = in ? strnlen(in, 31) : 0;
    // memmove: a field copied onto itself stays whole.
    if (n) std::memmove(out, in, n);
    std::memset(out + n, 0, 32 - n);
}

bool IsNameSet(const char* name)
{
    std::int32_t first = 0;
    std::memcpy(&first, name, 4);
    return first != -1 && name[0] != 0;
}

void ClearName(char* name)
{
    std::memset(name, 0, 32);
    std::memset(name, 0xFF, 4);
}

CName32* CName32::Set(const char* s)
{
    if (!s) s = "";
    const std::size_t n = strnlen(s, 31);
    std::memmove(name, s, n);
    name[n] = 0;
    return this;
}

CName32 MakeName32(const char* s)
{
    CName32 result;
    result.Set(s);
    return result;
}

std::int32_t CNameArray::Find(const char* name) const
{
    for (std::uint32_t i = 0; i < count; ++i)
        if (data[i].IsEqual(name)) return static_cast<std::int32_t>(i);
    return -1;
}

void CNameArray::AddUnique(const char* name)
{
    if (!Contains(name)) Add(MakeName32(name));
}

void CNameArray::Remove(const char* name)
{
    for (std::uint32_t i = count; i-- > 0;)
        if (data[i].IsEqual(name)) RemoveAt(i);
}

bool CNameArray::operator==(const CNameArray& other) const
{
    if (count != other.count) return false;
    for (std::uint32_t i = 0; i < count; ++i)
        if (!data[i].IsEqual(other.data[i].name)) return false;
    return true;
}

void CNameArray::LoadFromStream(CStreamReader& in)
{
    std::vector<CName32> names = Read(in, "name array");
    for (CName32& n : names)
        n.name[31] = 0;
    Assign(names);
}
