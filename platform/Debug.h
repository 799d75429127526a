// Debugger output: standard error here.
//
// OutputDebugString writes the text, given in code page 1251, converted to
// UTF-8 and adds nothing (callers end their lines themselves). Safe from any
// thread; one call is one write, so lines of different threads do not mix.
#pragma once

namespace plat
{

void OutputDebugString(const char* text);

} // namespace plat
