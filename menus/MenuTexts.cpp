#include "menus/MenuTexts.h"

#include "script/TextDB.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "ui/markup/HTMLWnd.h"

#include <string.h> // strnlen

namespace menus
{
namespace
{
void ReplaceAll(std::string& text, const std::string& what, const std::string& with)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}
} // namespace

std::string TextOf(const char* key)
{
    if (!g_pTextDB) return key ? key : "";
    CXAnsiString text;
    g_pTextDB->GetText(STextKey(key), text);
    return text.GetText();
}

std::string NameOf(const char* key)
{
    if (!g_pTextDB) return "";
    CXAnsiString text, name;
    g_pTextDB->Lookup(STextKey(key), text, name);
    return name.GetText();
}

std::string DisplayName(const char* key)
{
    const std::string name = NameOf(key);
    return name.empty() ? std::string(key ? key : "") : name;
}

bool HasTextKey(const char* key)
{
    return g_pTextDB && key && g_pTextDB->HasKey(STextKey(key));
}

std::string JournalUpdatedLine()
{
    return TextOf("INT_JOURNAL_UPDATED");
}

std::string ObjectLine(bool received, const char* key, std::int32_t count)
{
    const bool many = count > 1;
    const char* templateKey = received ? (many ? "INT_PLAYER_GOT_OBJECT_MULTY" : "INT_PLAYER_GOT_OBJECT")
                                       : (many ? "INT_PLAYER_GAVE_OBJECT_MULTY" : "INT_PLAYER_GAVE_OBJECT");
    std::string name = NameOf(key);
    if (name.empty()) name = TextOf(key);
    std::string line = TextOf(templateKey);
    // The id before the name: a name that holds "%OBJECTID" shows it.
    ReplaceAll(line, "%OBJECTID", key ? key : "");
    ReplaceAll(line, "%OBJECTCOUNT", std::to_string(count));
    ReplaceAll(line, "%OBJECTNAME", name);
    return line;
}

std::string BalanceLine(std::int32_t amount)
{
    std::string line = TextOf("INT_PLAYER_ADD_BALANCE");
    ReplaceAll(line, "%COUNT", std::to_string(amount));
    return line;
}

void AddNotice(CHTMLWnd* window, const std::string& text)
{
    if (window && !text.empty())
        window->AddEntry(text.c_str(), "", nullptr, CHTMLWnd::kNoUserValue, nullptr, true, false);
}

bool ShowCommonResult(CHTMLWnd* window, const SScriptResult& r)
{
    const std::string key(r.text, strnlen(r.text, sizeof r.text));
    switch (r.type)
    {
    case 4:
        AddNotice(window, JournalUpdatedLine());
        return true;
    case 5:
        if (!window) return true;
        // Exactly "ALL": link words ignore case, this does not.
        if (key == "ALL")
            window->HTMLClear();
        else
            window->DeleteBlock(key.c_str());
        return true;
    case 6:
        if (window) window->CollapseBlock(key.c_str(), true);
        return true;
    case 7:
    case 8:
        AddNotice(window, ObjectLine(r.type == 7, key.c_str(), r.value));
        return true;
    case 9:
        AddNotice(window, BalanceLine(r.value));
        return true;
    default:
        return false;
    }
}
} // namespace menus
