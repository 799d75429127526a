// Replacing a whole file safely: the new content is written completely to
// a temporary file first, then renamed over the old one, so a crash or a
// full disk at any point leaves either the old file or the new one whole,
// never a half-written file.
//
// Threads: any thread, one writer per path.
#pragma once

#include <string>

// The name of the temporary file a writer of path fills first.
inline std::string TempFileFor(const std::string& path)
{
    return path + ".tmp";
}

// Puts the finished temporary file in place of path, in one step. With
// backup the old file goes aside first (and comes back if the rename
// fails) and is kept under that name. False (the temporary file
// deleted, the old file in place) on failure.
bool CommitTempFile(const std::string& temp, const std::string& path, const std::string* backup = nullptr);
