// Debugger output: standard error here (text converted from code page 1251).
#pragma once

namespace plat
{

void OutputDebugString(const char* text);

} // namespace plat
