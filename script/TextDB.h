// ITextDB: the text database's interface (factory id "IGUID_ITextDB").
//
// Every text the game shows is looked up by a 32-character key; each key
// has a TEXT and a NAME. The implementation is CTextDB
// (script/game/TextDatabase.h: the "INFORMATION" table of the text file,
// its variant choice and its 50-entry cache). Callers that need one are
// handed a pointer by their owner; tests use a fake.
//
// Keys are passed as 32-character fixed names by value: a longer key is cut
// to 31 characters.
// Threads: main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/XString.h"

#include <cstring>
#include <string.h> // strnlen

// A 32-character fixed name, passed by value.
struct STextKey
{
    char name[32] = {};

    STextKey() = default;
    STextKey(const char* key)
    {
        if (key) std::memcpy(name, key, strnlen(key, sizeof name - 1));
    }
};
static_assert(sizeof(STextKey) == 32);

class ITextDB : public IBaseInterface
{
public:
    // GetGUID gives "IGUID_ITextDB"; GetSize the object's size.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // Whether the table has a record with that name (case-insensitive).
    virtual bool HasKey(STextKey key) = 0;
    // Lookup; when found and the TEXT is empty, the NAME is the text.
    virtual bool GetText(STextKey key, CXAnsiString& text) = 0;
    // Text and name of the key; when missing: text = the key, name = "",
    // false.
    virtual bool Lookup(STextKey key, CXAnsiString& text, CXAnsiString& name) = 0;
    // Lookup; when not found the name is the key itself.
    virtual bool GetName(STextKey key, CXAnsiString& name) = 0;
};
