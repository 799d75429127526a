// A text database held in a map: key -> {text, name}.
#pragma once

#include "script/TextDB.h"

#include <map>
#include <string>
#include <utility>

namespace uitest
{

class CFakeTextDB : public ITextDB
{
public:
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        return *MakeGuidKey(&key, "IGUID_ITextDB");
    }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Open() override { return true; }
    void Close() override {}
    bool HasKey(STextKey key) override { return m_Entries.count(key.name) != 0; }
    bool GetText(STextKey key, CXAnsiString& text) override
    {
        CXAnsiString name;
        const bool found = Lookup(key, text, name);
        if (found && text.IsEmpty()) text = name;
        return found;
    }
    bool Lookup(STextKey key, CXAnsiString& text, CXAnsiString& name) override
    {
        const auto it = m_Entries.find(key.name);
        if (it == m_Entries.end())
        {
            text = key.name;
            name = "";
            return false;
        }
        text = it->second.first.c_str();
        name = it->second.second.c_str();
        return true;
    }
    bool GetName(STextKey key, CXAnsiString& name) override
    {
        CXAnsiString text;
        const bool found = Lookup(key, text, name);
        if (!found) name = key.name;
        return found;
    }

    // key -> {text, name}
    std::map<std::string, std::pair<std::string, std::string>> m_Entries;
};

} // namespace uitest
