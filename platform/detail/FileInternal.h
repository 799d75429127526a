// Inside the platform layer only: the name mapping shared by the path
// resolver and the file search.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace plat::detail
{

// The engine's view of a disk name: 1251 when the UTF-8 name converts
// completely, else the bytes as they are.
std::string DiskNameTo1251(std::string_view diskName);

// Joins a directory as the resolver writes it ("" for the current
// directory, "/" for the root) and a disk name.
std::string JoinPath(const std::string& dir, std::string_view name);

// Whether a file or directory with this modification time can no longer
// change without its time stamp changing too. Time stamps are taken from a
// coarse clock (a tick of a few milliseconds; whole seconds on some file
// systems, recognisable by their zero nanoseconds), so a change made in the
// same tick as an earlier look goes unseen. What was read of a file before its
// time stamp settled must be read again on the next use.
bool IsTimeStampSettled(const timespec& mtime);

} // namespace plat::detail
