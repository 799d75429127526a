#include "script/game/TextDatabase.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "platform/Ini.h"

#include <cstdio>
#include <cstring>

ITextDB* g_pTextDB = nullptr;
std::uint32_t g_iITextDB = static_cast<std::uint32_t>(-1);

CTextDB::~CTextDB()
{
    Close();
}

CGuidKey CTextDB::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "ITextDB");
    return key;
}

void CTextDB::ClearCache()
{
    m_iUseCounter = 0;
    for (STextCacheEntry& entry : m_Cache)
    {
        entry.stamp = 0;
        entry.key[0] = '\0';
    }
}

bool CTextDB::Open()
{
    XTRACE("CTextDB::Open");
    Close();
    const std::string base = m_baseDir.empty() ? GetEngineBaseDirectory() : m_baseDir;
    char file[1024];
    plat::GetPrivateProfileString("PATH", "TextFile", "SCRIPT\\Quest.dat", file, sizeof(file),
                                  (base + "DATA\\CONFIG\\cfg.ini").c_str());
    const std::string path = file[0] == '/' ? std::string(file) : base + file;
    if (!m_DataBase.OpenDatabase(path.c_str(), false, false))
    {
        g_ErrorLog.LogError("CTextDB::Open cannot open the text file '%s'", path.c_str());
        return false;
    }
    m_DataBase.SelectTable("INFORMATION");
    ClearCache();
    m_bOpen = true;
    return true;
}

void CTextDB::Close()
{
    if (m_bOpen)
        m_DataBase.CloseDatabase();
    m_bOpen = false;
}

bool CTextDB::HasKey(STextKey key)
{
    key.name[31] = '\0';
    return m_bOpen && m_DataBase.FindRecord(key.name) >= 0;
}

bool CTextDB::GetText(STextKey key, CXAnsiString& text)
{
    CXAnsiString name;
    const bool found = Lookup(key, text, name);
    if (found && text.IsEmpty())
        text = name;
    return found;
}

bool CTextDB::GetName(STextKey key, CXAnsiString& name)
{
    CXAnsiString text;
    const bool found = Lookup(key, text, name);
    if (!found)
    {
        key.name[31] = '\0';
        name = key.name;
    }
    return found;
}

bool CTextDB::Lookup(STextKey key, CXAnsiString& text, CXAnsiString& name)
{
    key.name[31] = '\0';
    if (!HasKey(key))
    {
        text = key.name;
        name = "";
        return false;
    }
    // The key and its usable variants are equally likely.
    const std::string base = key.name;
    auto variant = [&base](int i) { return base + "." + std::to_string(i); };
    int n = 1;
    for (;; ++n)
    {
        const std::string candidate = variant(n);
        if (candidate.size() >= sizeof(key.name) || m_DataBase.FindRecord(candidate.c_str()) < 0 ||
            !m_DataBase.Get(candidate.c_str()) || m_DataBase.GetIntegerField("DELETED") != 0)
            break;
    }
    // The shared generator is drawn only when there is a choice: drawing the
    // cockpit's texts each frame leaves the game's sequence alone.
    const int r = n > 1 ? g_Random.RandomInt(n) : 0;
    if (r != 0)
        std::memcpy(key.name, variant(r).c_str(), variant(r).size() + 1);

    const std::uint32_t stamp = ++m_iUseCounter;
    int freeEntry = -1;
    int oldest = -1;
    int hit = -1;
    for (int i = 0; i < kCacheSize && hit < 0; ++i)
    {
        const STextCacheEntry& entry = m_Cache[i];
        if (!entry.stamp)
            freeEntry = i;
        else if (std::strcmp(entry.key, key.name) == 0)
            hit = i;
        else if (oldest < 0 || entry.stamp < m_Cache[oldest].stamp)
            oldest = i;
    }
    STextCacheEntry& entry = m_Cache[hit >= 0 ? hit : freeEntry >= 0 ? freeEntry : oldest];
    entry.stamp = stamp;
    if (hit < 0)
    {
        std::memcpy(entry.key, key.name, sizeof(entry.key));
        static char buffer[DataBase::kMaxValue + 1];
        entry.text = "";
        entry.name = "";
        if (m_DataBase.Get(key.name))
        {
            m_DataBase.GetStringField("TEXT", buffer, sizeof(buffer));
            entry.text = buffer;
            m_DataBase.GetStringField("NAME", buffer, sizeof(buffer));
            entry.name = buffer;
        }
    }
    // Also on a hit: a clan named after the entry was cached shows at once.
    if (std::strcmp(key.name, "ORG_PLAYER") == 0 && m_fnClanName)
    {
        const std::string clan = m_fnClanName();
        if (!clan.empty())
            entry.name = clan.c_str();
    }
    text = entry.text;
    name = entry.name;
    return true;
}

namespace
{
IBaseInterface* CreateTextDB()
{
    return new CTextDB();
}
} // namespace

void RegisterTextDBClass()
{
    RegisterClassFactory(&g_iITextDB, CreateTextDB, "IGUID_ITextDB");
}
