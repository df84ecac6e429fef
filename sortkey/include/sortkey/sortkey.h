#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sortkey {

// Largest number of keys a list can hold: the count is a signed 16-bit value.
inline constexpr std::int16_t kMaxCount = 32767;

// The record the routine works on. Both storages belong to the caller.
// list[0] is the request key; list[1] .. list[*count] are the keys, strictly ascending.
struct Record {
    std::int16_t* count;
    std::int16_t* list;
};

// Applies the request key k = list[0] to the list, updating the list and *count in place.
//   k > 0:  inserts k unless it is already present.
//   k <= 0: removes m = -k, negated in 16 bits (k = 0 removes 0, k = -32768 removes -32768).
// There is no bound check: for an insertion the caller must ensure the count stays within
// kMaxCount and that list has room for *count + 2 elements.
void apply(const Record* record);

// Parses a decimal key in -32768..32767: an optional '+' or '-' followed by one or more digits
// and nothing else. Returns nothing for any other text.
std::optional<std::int16_t> parse_key(std::string_view text);

// True when applying key would need a 32768th list element: the list is full and key is a
// positive key that is not in it yet. list uses the record layout (keys from element 1).
bool insert_would_overflow(std::int16_t count, const std::int16_t* list, std::int16_t key);

} // namespace sortkey
