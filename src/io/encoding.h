// Text conversion between the interpreter's CP932 bytes and UTF-8 at the
// edges (terminal, file names, window text).
#pragma once

#include <string>
#include <string_view>

namespace tw {

// Unconvertible characters become '?'.
std::string cp932ToUtf8(std::string_view s);
std::string utf8ToCp932(std::string_view s);
// True when the bytes are strict UTF-8 and hold at least one non-ASCII
// character (a CP932 file almost never passes this test).
bool looksLikeUtf8(std::string_view s);

}  // namespace tw
