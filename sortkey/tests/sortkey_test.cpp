#include "sortkey/sortkey.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Keys = std::vector<std::int16_t>;

constexpr std::int16_t kGuard = 0x5a5a;
constexpr int kGuardCount = 4;

// Runs the routine on a record built from keys and returns the resulting list. The array has
// exactly the room the routine may use plus guard elements, which must stay untouched.
Keys run(const Keys& keys, std::int16_t key)
{
    auto count = static_cast<std::int16_t>(keys.size());
    std::vector<std::int16_t> array{key};
    array.insert(array.end(), keys.begin(), keys.end());
    array.resize(keys.size() + 2 + kGuardCount, kGuard);
    array[keys.size() + 1] = 0;
    const sortkey::Record record{&count, array.data()};
    sortkey::apply(&record);

    EXPECT_EQ(array[0], key) << "request key overwritten";
    for (std::size_t i = keys.size() + 2; i < array.size(); ++i) {
        EXPECT_EQ(array[i], kGuard) << "write past the room at element " << i;
    }
    return Keys(array.begin() + 1, array.begin() + 1 + count);
}

struct EdgeCase {
    const char* name;
    Keys before;
    std::int16_t key;
    Keys after;
};

const EdgeCase kEdgeCases[] = {
    {"insert into empty list", {}, 5, {5}},
    {"insert present key", {2, 4, 6}, 4, {2, 4, 6}},
    {"insert in the middle", {2, 4, 6}, 5, {2, 4, 5, 6}},
    {"insert below first", {2, 4, 6}, 1, {1, 2, 4, 6}},
    {"append", {2, 4, 6}, 9, {2, 4, 6, 9}},
    {"append 32767", {-32768, 1}, 32767, {-32768, 1, 32767}},
    {"insert after negatives", {-7, -3, 3}, 1, {-7, -3, 1, 3}},
    {"remove middle", {2, 4, 6}, -4, {2, 6}},
    {"remove first", {2, 4, 6}, -2, {4, 6}},
    {"remove last", {2, 4, 6}, -6, {2, 4}},
    {"remove only key", {7}, -7, {}},
    {"remove absent, walk stops at greater", {2, 4, 6}, -5, {2, 4, 6}},
    {"remove absent beyond last", {2, 4, 6}, -9, {2, 4, 6}},
    {"remove from empty list", {}, -3, {}},
    {"remove after negatives", {-7, 3, 8}, -3, {-7, 8}},
    {"remove 32767", {1, 32767}, -32767, {1}},
    {"k = 0 removes 0", {-3, 0, 7}, 0, {-3, 7}},
    {"k = 0 without 0", {-3, 7}, 0, {-3, 7}},
    {"k = 0 on empty list", {}, 0, {}},
    {"k = -32768 removes -32768", {-32768, 1}, -32768, {1}},
    {"k = -32768 without -32768", {-5, 1, 32767}, -32768, {-5, 1, 32767}},
};

TEST(SortKeyApply, EdgeCases)
{
    for (const auto& c : kEdgeCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.before, c.key), c.after);
    }
}

// Random insert/remove sequences must keep the list equal to an ordered-set model.
TEST(SortKeyApply, MatchesSetModel)
{
    std::mt19937 rng(20240611);
    const std::int16_t extremes[] = {-32768, -32767, 0, 1, 32766, 32767};
    auto draw = [&] {
        if (rng() % 8 == 0) {
            return extremes[rng() % std::size(extremes)];
        }
        return static_cast<std::int16_t>(static_cast<int>(rng() % 61) - 30);
    };

    for (int sequence = 0; sequence < 3000; ++sequence) {
        // Start from a random list, which may hold negative keys insertion cannot create.
        std::set<std::int16_t> model;
        for (int i = static_cast<int>(rng() % 10); i > 0; --i) {
            model.insert(draw());
        }
        Keys list(model.begin(), model.end());
        for (int step = static_cast<int>(rng() % 60); step > 0; --step) {
            const std::int16_t k = draw();
            if (k > 0) {
                model.insert(k);
            } else {
                model.erase(static_cast<std::int16_t>(-k));
            }
            list = run(list, k);
            ASSERT_EQ(list, Keys(model.begin(), model.end())) << "sequence " << sequence;
        }
    }
}

TEST(SortKeyInsertWouldOverflow, OnlyNewPositiveKeyIntoFullList)
{
    // Full list: the 32767 even numbers -32768, -32766, ..., 32764 (element 0 is the key slot).
    std::vector<std::int16_t> array{0};
    for (int v = -32768; v <= 32764; v += 2) {
        array.push_back(static_cast<std::int16_t>(v));
    }
    const std::int16_t full = sortkey::kMaxCount;
    ASSERT_EQ(array.size(), static_cast<std::size_t>(full) + 1);

    EXPECT_TRUE(sortkey::insert_would_overflow(full, array.data(), 3));
    EXPECT_TRUE(sortkey::insert_would_overflow(full, array.data(), 32767));
    EXPECT_FALSE(sortkey::insert_would_overflow(full, array.data(), 4)); // already present
    EXPECT_FALSE(sortkey::insert_would_overflow(full, array.data(), 0)); // removals shrink
    EXPECT_FALSE(sortkey::insert_would_overflow(full, array.data(), -3));
    EXPECT_FALSE(sortkey::insert_would_overflow(full - 1, array.data(), 3));
}

TEST(SortKeyParseKey, AcceptsOnlyWholeIntegersInRange)
{
    const std::pair<std::string_view, std::int16_t> valid[] = {
        {"0", 0},  {"5", 5},   {"-4", -4},       {"+7", 7},
        {"-0", 0}, {"007", 7}, {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, value] : valid) {
        EXPECT_EQ(sortkey::parse_key(text), value) << "'" << text << "'";
    }
    const std::string_view invalid[] = {
        "",    "+",    "-",   "12x", "x12",   " 5",     "5 ",
        "1.5", "0x10", "+-5", "--5", "32768", "-32769", "99999999999999999999"};
    for (const auto text : invalid) {
        EXPECT_EQ(sortkey::parse_key(text), std::nullopt) << "'" << text << "'";
    }
}

} // namespace
