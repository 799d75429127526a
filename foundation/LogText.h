// How messages show what came from outside the program.
//
// Bytes taken from a file (a damaged line, a wrong magic, a key name) go
// into a message through EscapeForLog: printable ASCII as it is, '\' and '"'
// with a backslash before them, every other byte as \xNN, cut to `limit`
// bytes of input with "..." after it. A damaged file holds control
// characters and stray bytes that must never reach the log raw.
//
// Paths: the engine joins the working directory, which the platform gives
// with '/', to its own data paths, written with '\'. The error log shows a
// word of a message that starts with '/' and holds a '\' with '/'
// throughout (unless the word holds an escaped byte), so that every path in
// the log has one separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::string EscapeForLog(std::string_view bytes, std::size_t limit = 64);
