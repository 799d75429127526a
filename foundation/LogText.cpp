#include "foundation/LogText.h"

#include <algorithm>

std::string EscapeForLog(std::string_view bytes, std::size_t limit)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    const std::size_t n = std::min(bytes.size(), limit);
    for (std::size_t i = 0; i < n; ++i)
    {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\\' || c == '"')
        {
            shown += '\\';
            shown += char(c);
        }
        else if (c >= 0x20 && c < 0x7F)
            shown += char(c);
        else
        {
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 15];
        }
    }
    if (bytes.size() > limit) shown += "...";
    return shown;
}
