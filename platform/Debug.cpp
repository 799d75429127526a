#include "platform/Debug.h"

#include "platform/CodePage.h"

#include <cstdio>
#include <string>

namespace plat
{

void OutputDebugString(const char* text)
{
    if (!text || !*text) return;
    const std::string utf8 = Cp1251ToUtf8(text);
    // stderr is unbuffered; a single fwrite keeps a line whole under stdio's
    // stream lock.
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

} // namespace plat
