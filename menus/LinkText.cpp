#include "menus/LinkText.h"

std::vector<std::string> SplitLinkText(std::string_view link)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t comma = link.find(',', start);
        parts.emplace_back(
            link.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

bool ParseLinkPart(std::string_view part, SLinkPart* out, std::string* error)
{
    *out = SLinkPart{};
    auto refuse = [error](const char* why)
    {
        if (error) *error = why;
        return false;
    };
    if (part.size() > SLinkPart::kMaxPart) return refuse("link part longer than 243 characters");
    const std::size_t hash = part.find('#');
    std::string_view word = part;
    if (hash != std::string_view::npos)
    {
        if (hash > SLinkPart::kMaxObject) return refuse("object name longer than 127 characters");
        out->hasObject = true;
        out->object = std::string(part.substr(0, hash));
        word = part.substr(hash + 1);
    }
    out->word = std::string(word);
    const std::size_t open = word.find('(');
    std::string_view procedure = word.substr(0, open);
    std::string_view argument;
    if (open != std::string_view::npos && word.size() >= open + 2)
        argument = word.substr(open + 1, word.size() - 1 - (open + 1));
    if (procedure.size() > SLinkPart::kMaxName) return refuse("procedure name longer than 31 characters");
    if (argument.size() > SLinkPart::kMaxName) return refuse("argument longer than 31 characters");
    out->procedure = std::string(procedure);
    out->argument = std::string(argument);
    return true;
}

bool SameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}
