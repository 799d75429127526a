// DefaultManager: the base of the resource-list managers (textures, models,
// images, land types, sounds, music, object kinds, ...).
//
// Init(section) lists the names of the section's records that are not
// marked deleted ("Deleted" = 1), in section order, in a name pool: resource
// i is the i-th listed record, and names become ids once through the pool.
// It reads through g_ResourceDB and selects the section there.
//
// Ownership: the manager owns its name pool and, when a derived manager
// creates one after Init, its log writer (LogWriter.h); Init and the
// destructor close and free an existing log writer. Threads: as
// g_ResourceDB, one at a time.
#pragma once

#include "foundation/StringPool.h"

#include <cstdint>
#include <memory>

class CLogWriter;

class DefaultManager
{
public:
    DefaultManager();
    virtual ~DefaultManager();
    DefaultManager(const DefaultManager&) = delete;
    DefaultManager& operator=(const DefaultManager&) = delete;

    // False when the section cannot be selected (the list is then empty).
    virtual bool Init(const char* section);

    // "x,y,z" of a record's text field; a missing comma gives 0 for the rest.
    void GetVectorField(float out[3], std::int32_t index, const char* field);
    // A record's text field read as hexadecimal.
    std::uint32_t GetHexField(std::int32_t index, const char* field);

    std::int32_t GetCount() const { return m_nCount; }
    // The name of resource index, or null outside 0..count-1.
    const char* GetName(std::int32_t index) const;
    // The name, or kDefaultName for -1 and any index outside 0..count-1
    // (what a saved name slot holds for "none").
    const char* GetNameOrDefault(std::int32_t index) const;
    static constexpr char kDefaultName[] = "_DEFAULT_";
    // The id of a name, or -1.
    std::int32_t FindName(const char* name) const { return name ? m_Names.Find(name) : -1; }
    const char* GetSection() const { return m_szSection; }

    std::unique_ptr<CLogWriter> m_pLogWriter;
    std::uint8_t m_bLogging = 0;
    std::int32_t m_nCount = 0;
    char m_szSection[36] = {};
    CStringPool m_Names;
};
