// RENUM: new line numbers and the rewriting of every line-number reference
// in the program text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// The highest line number RENUM gives.
inline constexpr int32_t kRenumLimit = 65529;

struct RenumResult {
    enum Status {
        Done,
        NothingToDo,  // `old` lies after the last line
        TooHigh,      // a new number would pass kRenumLimit; nothing changed
        OutOfOrder,   // the first new number is not above the line before; nothing changed
    } status = Done;
    // A reference to a line that does not exist: the number of the line
    // that holds it (its number before renumbering) and the number itself.
    struct Undefined {
        int32_t line;
        int32_t target;
    };
    std::vector<Undefined> undefined;
};

// Renumbers the program (numbers ascending, texts "number blank
// statement") from the first line numbered `old` or higher (0: the first
// line) with `first`, first + step, ... Every reference to a renumbered
// line is rewritten in every line: after THEN, ELSE, GOTO, GO TO, GOSUB,
// RETURN, RUN, LIST, LLIST, RESTORE and RESUME (each with its blank), the
// lists of ON ... GOTO and ON ... GOSUB, the second bound of a LIST or
// LLIST range, and the number compared with ERL (=, <>, <, >, <=, >=).
// Quoted text and comments (' and REM) are never touched. A reference below
// `old` stays as it is; one to a missing line stays and is reported.
RenumResult renumber(std::vector<int32_t>& numbers, std::vector<std::string>& texts,
                     int64_t first, int64_t old, int64_t step);

}  // namespace tw
