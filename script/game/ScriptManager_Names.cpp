// The "%" placeholders of texts shown to the player.
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"

#include "foundation/ErrorLog.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
std::string Call(const std::function<std::string()>& source)
{
    return source ? source() : std::string();
}

// Every occurrence of what in text becomes with; the count.
int ReplaceAll(std::string& text, const std::string& what, const std::string& with)
{
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    {
        text.replace(at, what.size(), with);
        ++count;
    }
    return count;
}

// Replaces every form with value. The value's own copies of the form are
// written with '^' first, which turns back into '%' at the end: they show as
// written instead of being replaced again for ever.
void Substitute(std::string& text, const std::string& form, std::string value)
{
    std::string shown = form;
    shown[0] = '^';
    ReplaceAll(value, form, shown);
    ReplaceAll(text, form, value);
}

std::string Number(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%d", value);
    return buffer;
}
} // namespace

void CScriptManager::UpdateStringWithNames(CXAnsiString& xtext)
{
    ITextDB* db = m_pTextDB ? m_pTextDB : g_pTextDB;
    // A failed lookup gives "".
    auto name = [db](const std::string& key) {
        CXAnsiString text, value;
        return db && db->Lookup(STextKey(key.c_str()), text, value) ? std::string(value.GetText()) : std::string();
    };
    auto text = [db](const std::string& key) {
        CXAnsiString value;
        return db && db->GetText(STextKey(key.c_str()), value) ? std::string(value.GetText()) : std::string();
    };
    auto link = [&name](const std::string& key) { return "<a href=" + key + ">" + name(key) + "</a>"; };
    auto var = [this](const char* variable) { return Number(GetVar(variable)); };

    struct SKeyword
    {
        const char* word;
        int kind; // 0 plain, 1 function form with a string variable, 2 with an integer variable
    };
    static const SKeyword kKeywords[] = {
        {"MYCLANNAME", 0}, {"CLANNAME", 0}, {"BUILDINGNAME", 0}, {"NAME", 0},      {"RATINGNAME", 0},
        {"ORGMEMBER", 0},  {"BUILDTARGET", 0}, {"RETURN", 0},     {"BUILDRETURN", 0}, {"TARGET", 0},
        {"GLIDERTARGET", 0}, {"ITEMREST", 0}, {"ITEM", 0},         {"COUNT", 0},      {"AWARD", 0},
        {"TIMELEFT", 0},   {"TIME", 0},       {"GetVarChar", 1},   {"GetVar", 2},     {"GETVAR", 2},
    };

    std::string s = xtext.GetText();
    int rounds = 0;
    for (std::size_t at = s.find('%'); at != std::string::npos; at = s.find('%'))
    {
        const SKeyword* match = nullptr;
        for (const SKeyword& keyword : kKeywords)
            if (s.compare(at + 1, std::strlen(keyword.word), keyword.word) == 0)
            {
                match = &keyword;
                break;
            }
        if (!match || ++rounds > kMaxNameRounds)
        {
            if (match && rounds == kMaxNameRounds + 1)
                g_ErrorLog.LogError("CScriptManager::UpdateStringWithNames placeholders refer to each other "
                                    "in '%.80s', the rest stays as written",
                                    s.c_str());
            s[at] = '^';
            continue;
        }
        const std::string word = match->word;
        const std::string form = "%" + word;
        if (match->kind != 0)
        {
            const std::size_t open = at + form.size();
            std::string whole, variable;
            if (s.compare(open, 1, "(") != 0)
            {
                // No parenthesis: nothing to read; the word stays as written.
                s[at] = '^';
                continue;
            }
            const std::size_t close = s.find(')', open + 1);
            variable = s.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
            // Without ")" the form runs to the end of the text.
            whole = s.substr(at, close == std::string::npos ? std::string::npos : close + 1 - at);
            Substitute(s, whole, match->kind == 1 ? std::string(GetVarChar(variable.c_str())) : var(variable.c_str()));
            continue;
        }
        std::string value;
        if (word == "MYCLANNAME")
        {
            value = Call(m_Names.clanName);
            if (value.empty())
                value = name("ORG_PLAYER");
        }
        else if (word == "CLANNAME")
        {
            std::string owner;
            const std::string building = Call(m_Names.buildingName);
            if (m_Names.buildingOwner && m_Names.buildingOwner(building.c_str(), owner))
                value = link(owner);
            else
                value = "NONE";
        }
        else if (word == "BUILDINGNAME")
            value = name(Call(m_Names.buildingName));
        else if (word == "NAME")
            value = Call(m_Names.playerName);
        else if (word == "RATINGNAME")
        {
            const int rating = m_Names.ratingLevel ? m_Names.ratingLevel() : 1;
            value = name("RATING." + Number(rating < 1 ? 1 : rating));
        }
        else if (word == "ORGMEMBER")
            value = name("ORG_PLAYER_MEMBER");
        else if (word == "BUILDTARGET")
            value = name(GetVarChar("g_buildtarget"));
        else if (word == "RETURN")
            value = text(GetVarChar("g_targetend"));
        else if (word == "BUILDRETURN")
            value = name(GetVarChar("g_buildreturn"));
        else if (word == "TARGET")
            value = text(GetVarChar("g_target"));
        else if (word == "GLIDERTARGET")
        {
            const std::string glider = GetVarChar("g_glidertarget");
            value = db && db->HasKey(STextKey(glider.c_str())) ? link(glider) : glider;
        }
        else if (word == "ITEMREST")
            value = var("g_itemrest");
        else if (word == "ITEM")
        {
            Substitute(s, "%ITEMREST", var("g_itemrest"));
            value = link(GetVarChar("g_itemid"));
        }
        else if (word == "COUNT")
            value = var("g_itemcount");
        else if (word == "AWARD")
            value = var("g_award");
        else if (word == "TIMELEFT")
            value = var("g_timeleft");
        else if (word == "TIME")
        {
            Substitute(s, "%TIMELEFT", var("g_timeleft"));
            value = var("g_time");
        }
        Substitute(s, form, value);
    }
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c == '^')
            out += '%';
        else if (c != '\n' && c != '\r')
            out += c;
    xtext = out.c_str();
}
