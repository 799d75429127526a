// Id keys: a 32-character name and a cached class index.
//
// A key built from a name has id -2 (not resolved yet); resolving stores the
// class index (or -1: not registered). Two keys are equal when both are
// resolved and their ids are equal, otherwise when their names are equal.
// The record is 36 bytes and is stored as such in saved games and archives.
#pragma once

#include <cstdint>

struct CGuidKey
{
    static constexpr int kNameSize = 32;
    static constexpr std::int32_t kUnresolved = -2;
    static constexpr std::int32_t kNone = -1;

    char name[kNameSize];
    std::int32_t id;

    // Id -1; the name is left empty.
    CGuidKey();

    bool operator==(const CGuidKey& other) const;
    bool operator!=(const CGuidKey& other) const { return !(*this == other); }
};
static_assert(sizeof(CGuidKey) == 36, "id keys are 36 bytes on disk");

// A key of the name (cut to 31 characters), id -2.
CGuidKey* MakeGuidKey(CGuidKey* out, const char* name);
// A key of prefix + name joined and cut to 31 characters, id -2.
CGuidKey* MakeGuidKeyConcat(CGuidKey* out, const char* prefix, const char* name);
