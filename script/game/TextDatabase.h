// CTextDB: the text database, the one implementation of ITextDB (factory id
// "IGUID_ITextDB", global g_pTextDB from start-up to shutdown).
//
// The file is a DataBase file set (foundation/DataBase.h) named by cfg.ini
// [PATH] "TextFile" (default "SCRIPT\Quest.dat"), relative to the working
// directory; its table "INFORMATION" has one record per key with the string
// fields "TEXT" and "NAME" and the integer field "DELETED". A key may have
// variants "KEY.1", "KEY.2", ... (numbered without gaps; a variant whose
// name would have 32 characters or more, or that is marked DELETED, ends the
// list). Each lookup picks the key or one of its variants with equal chance
// from the program's random generator.
//
// The last 50 answers are cached (least recently used replaced). A missing
// key is no error: its text is the key itself.
//
// Ownership: owns its database object. Threads: main thread only.
#pragma once

#include "foundation/DataBase.h"
#include "script/TextDB.h"

#include <cstdint>
#include <functional>
#include <string>

struct STextCacheEntry
{
    char key[32] = {};
    CXAnsiString text;
    CXAnsiString name;
    std::uint32_t stamp = 0; // 0: free
};

class CTextDB : public ITextDB
{
public:
    static constexpr int kCacheSize = 50;

    CTextDB() = default;
    ~CTextDB() override;
    CTextDB(const CTextDB&) = delete;
    CTextDB& operator=(const CTextDB&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Open() override;
    void Close() override;
    bool HasKey(STextKey key) override;
    bool GetText(STextKey key, CXAnsiString& text) override;
    bool Lookup(STextKey key, CXAnsiString& text, CXAnsiString& name) override;
    bool GetName(STextKey key, CXAnsiString& name) override;

    // The directory (with its trailing '\') in front of "DATA\CONFIG\cfg.ini"
    // and the text file; by default the engine's.
    void SetBaseDirectory(const char* directory) { m_baseDir = directory ? directory : ""; }
    // The player's clan name (progress data), which replaces the NAME of
    // "ORG_PLAYER" once the player has named the clan; none by default.
    void SetClanNameSource(std::function<std::string()> source) { m_fnClanName = std::move(source); }

    const STextCacheEntry& GetCacheEntry(int i) const { return m_Cache[i]; }
    std::uint32_t GetUseCounter() const { return m_iUseCounter; }

private:
    void ClearCache();

    std::uint32_t m_iUseCounter = 0;
    DataBase m_DataBase;
    STextCacheEntry m_Cache[kCacheSize];
    bool m_bOpen = false;
    std::string m_baseDir;
    std::function<std::string()> m_fnClanName;
};

extern ITextDB* g_pTextDB;
extern std::uint32_t g_iITextDB;

// Registers "IGUID_ITextDB".
void RegisterTextDBClass();
