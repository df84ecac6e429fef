// The program as text for the clipboard and the list-editing dialog, and
// the way text comes back: line by line, as typed numbered lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

class Interpreter;

// The lines whose numbers lie in from..to, in program order, each ending
// in `eol`. Bytes are CP932 as stored.
std::string listingText(const Interpreter& in, int32_t from = 1, int32_t to = 65536,
                        std::string_view eol = "\r\n");

// The number a line starts with (after leading blanks), 0 when it starts
// with no digit. Large numbers are capped at 999999.
int32_t leadingLineNumber(std::string_view line);

struct EnterResult {
    int entered = 0;    // lines stored (or deleted by a bare number)
    std::string error;  // message of the first error, empty when none
};

// Enters every line of `text` that starts with a line number 1..65536 as a
// typed numbered line: each line cut to 1024 bytes, trimmed and upper-cased
// outside quotes, comments and DATA; "?" outside quotes becomes "PRINT ".
// Lines without a number are ignored. A number above 65536 is ignored too,
// unless `bigIsError`: then it stops the entry with "Out of memory".
EnterResult enterLines(Interpreter& in, std::string_view text, bool bigIsError);

// Deletes the lines numbered from..to; returns how many went.
int deleteLines(Interpreter& in, int32_t from, int32_t to);

}  // namespace tw
