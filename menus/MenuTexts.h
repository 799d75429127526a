// The text-database lookups the menus make, and the notice lines that the
// console base and the script message box show for script results.
//
// Every lookup goes to g_pTextDB; without one a text is its key and a name
// is empty. Placeholders of the notice templates ("%OBJECTNAME",
// "%OBJECTID", "%OBJECTCOUNT", "%COUNT") are replaced as plain text: a
// template is never a printf format.
//
// Main thread only.
#pragma once

#include <cstdint>
#include <string>

class CHTMLWnd;
struct SScriptResult;

namespace menus
{
// The entry's text (its name when the text is empty, the key when there is
// no entry).
std::string TextOf(const char* key);
// The entry's name (empty when there is none).
std::string NameOf(const char* key);
// The name to show for a key: the entry's name, else the key itself.
std::string DisplayName(const char* key);
// Whether the database has the key (false without a database).
bool HasTextKey(const char* key);

// "INT_JOURNAL_UPDATED".
std::string JournalUpdatedLine();
// An object received (received) or given: the "_MULTY" template when the
// count is above 1; the object's name is the key's name, or its text when
// the name is empty.
std::string ObjectLine(bool received, const char* key, std::int32_t count);
// "INT_PLAYER_ADD_BALANCE" with the amount.
std::string BalanceLine(std::int32_t amount);

// The script results that the console base and the script box show alike,
// into the window (which may be null): 4 the journal notice, 5 the whole
// window emptied (a key of exactly "ALL") or the key's block deleted, 6 the
// key's block collapsed, 7 and 8 objects received and given, 9 money.
// False for the other types, which each reader shows its own way.
bool ShowCommonResult(CHTMLWnd* window, const SScriptResult& result);
// A notice as a plain block: no heading, no block id.
void AddNotice(CHTMLWnd* window, const std::string& text);
} // namespace menus
