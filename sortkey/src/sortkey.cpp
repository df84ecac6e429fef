#include "sortkey/sortkey.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace sortkey {

namespace {

void insert(const Record* record, std::int16_t k, std::int16_t n)
{
    std::int16_t* const a = record->list;
    if (n < 1) {
        a[n + 1] = k;
        *record->count = static_cast<std::int16_t>(n + 1);
        return;
    }
    for (int j = 1; j <= n; ++j) {
        if (a[j] == k) {
            // Already present: the list stays as it is, the count is written back unchanged.
            *record->count = n;
            return;
        }
        if (a[j] > k) {
            // Open a gap at j, moving the tail up from the last element downwards.
            for (int i = n; i >= j; --i) {
                a[i + 1] = a[i];
            }
            a[j] = k;
            *record->count = static_cast<std::int16_t>(n + 1);
            return;
        }
    }
    a[n + 1] = k;
    *record->count = static_cast<std::int16_t>(n + 1);
}

void remove(const Record* record, std::int16_t m, std::int16_t n)
{
    std::int16_t* const a = record->list;
    for (int j = 1; j <= n; ++j) {
        if (a[j] > m) {
            return; // passed the place where m would be: not in the list
        }
        if (a[j] == m) {
            // Close the gap, moving the tail down from element j + 1 upwards.
            for (int i = j; i < n; ++i) {
                a[i] = a[i + 1];
            }
            *record->count = static_cast<std::int16_t>(n - 1);
            return;
        }
    }
}

} // namespace

void apply(const Record* record)
{
    const std::int16_t k = record->list[0];
    const std::int16_t n = *record->count;
    if (k > 0) {
        insert(record, k, n);
    } else {
        // Negation wraps in 16 bits: -(-32768) is -32768 again.
        remove(record, static_cast<std::int16_t>(-k), n);
    }
}

std::optional<std::int16_t> parse_key(std::string_view text)
{
    const bool has_sign = !text.empty() && (text.front() == '+' || text.front() == '-');
    const std::string_view digits = text.substr(has_sign ? 1 : 0);
    const auto is_digit = [](unsigned char c) { return std::isdigit(c) != 0; };
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), is_digit)) {
        return std::nullopt;
    }
    if (text.front() == '+') {
        text.remove_prefix(1); // std::from_chars takes a '-' sign only
    }
    std::int16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool insert_would_overflow(std::int16_t count, const std::int16_t* list, std::int16_t key)
{
    return key > 0 && count >= kMaxCount && !std::binary_search(list + 1, list + 1 + count, key);
}

} // namespace sortkey
