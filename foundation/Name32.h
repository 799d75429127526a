// Fixed 32-byte names and the one set of helpers every folder uses on a
// 32-byte name field.
//
// Objects, buildings, organisations, goods, resources and text keys are
// passed and stored as a 32-byte field: at most 31 characters and a
// terminator, compared exactly (case-sensitive, byte by byte up to the
// terminator, never past the 32 bytes). A field whose first word is -1
// (0xFFFFFFFF) holds no name. Some callers carry a 32-bit value (a model
// index) in the first word of a name slot; the other 28 bytes then mean
// nothing.
//
// CName32 is such a field as a value type; CNameArray a growable array of
// them (GrowArray.h) with the stream form u32 count, count x 32 bytes.
//
// Pure value types and free functions; any thread, one owner per object.
#pragma once

#include "foundation/GrowArray.h"

#include <cstdint>

class CMemStream;
class CStreamReader;

// Two name fields (or a field and a text) equal within their 32 bytes; a
// null side is equal to nothing.
bool SameName(const char* a, const char* b);
// out (32 bytes) = in cut to 31 characters, the rest of the field zeros; a
// null in gives an empty name. in may be out.
void CopyName(char* out, const char* in);
// A field that holds a name: not empty and its first word not -1.
bool IsNameSet(const char* name);
// The field holds no name: first word -1, the rest zeros.
void ClearName(char* name);

struct CName32
{
    char name[32] = {};

    // Copies s: 31 characters or more give exactly 31 and a terminator in
    // byte 31; a shorter s is copied with its terminator and the bytes after
    // it keep what they held. A null s is "". Returns this.
    CName32* Set(const char* s);
    // Equality with SameName.
    bool IsEqual(const char* other) const { return SameName(name, other); }
};
static_assert(sizeof(CName32) == 32);

// A CName32 made from s by the rule of Set (the bytes after the terminator
// are zeros).
CName32 MakeName32(const char* s);

// {capacity, growth step, names, count}; names compare exactly. A default
// array grows by 8.
class CNameArray : public SGrowArray<CName32>
{
public:
    CNameArray() { step = 8; }
    CNameArray(std::uint32_t initialCapacity, std::uint32_t growth) { Init(initialCapacity, growth); }

    int GetCount() const { return static_cast<int>(count); }
    const char* operator[](std::uint32_t i) const { return data[i].name; }
    // The index of the first name equal to name; -1 when absent (or the
    // array is empty).
    std::int32_t Find(const char* name) const;
    bool Contains(const char* name) const { return Find(name) >= 0; }
    void Add(const CName32& name) { Append(name); }
    // Appends the name (cut to 31 characters) when it is not there yet.
    void AddUnique(const char* name);
    // Removes every name equal to name.
    void Remove(const char* name);
    // The same names in the same order.
    bool operator==(const CNameArray& other) const;
    // u32 count, then the names of 32 bytes.
    void SaveToStream(CMemStream& stream) const { Write(stream); }
    // The capacity becomes the count, the step stays; each name is
    // terminated within its 32 bytes. A count the stream cannot hold throws
    // CStreamError and leaves the array as it was.
    void LoadFromStream(CStreamReader& in);
};
