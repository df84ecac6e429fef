// sortkey: inserts a key into, or removes a key from, a strictly ascending list of signed 16-bit
// keys given on the command line, and prints the resulting list.

#include "sortkey/sortkey.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // insert refused (list full) or I/O error
constexpr int kExitUsage = 2;   // bad option, argument or input key

constexpr std::string_view kUsage = R"(Usage: sortkey [OPTION]... KEY [LIST...]
       sortkey [OPTION]... - [LIST...]
Insert a key into, or remove a key from, a strictly ascending list of signed
16-bit keys, then print the resulting list as "count N: KEY1 KEY2 ...".

  KEY > 0     insert KEY; no change if it is already in the list
  KEY <= 0    remove -KEY, negated in 16 bits: 0 removes 0, -32768 removes
              -32768; no change if it is not in the list
  -           read keys from standard input, separated by white space, and
              apply them in turn
  LIST        the initial list (default: empty): at most 32767 strictly
              ascending integers in -32768..32767

Keys are decimal integers in -32768..32767 with an optional sign. Negative
numbers are keys, never options.

Options:
  -v, --verbose  print a line for each key applied, e.g.
                 "insert 5 -> count 4: 2 4 5 6" or
                 "remove 7 (not found) -> count 3: 2 4 6"
  -h, --help     print this help and exit
  --             treat every following argument as KEY or LIST

Exit status: 0 on success; 1 if an insertion would make the list longer than
32767 keys (nothing more is applied) or on an I/O error; 2 on a usage error
or an invalid key or list.
)";

int fail(int status, const std::string& message)
{
    std::cerr << "sortkey: " << message << '\n';
    return status;
}

std::string invalid_key(std::string_view what, std::string_view text)
{
    return std::string(what) + " '" + std::string(text) + "' is not an integer in -32768..32767";
}

// An argument starting with '-' is an option unless it is "-" alone or looks like a number.
bool is_option(std::string_view arg)
{
    return arg.size() >= 2 && arg[0] == '-' &&
           std::isdigit(static_cast<unsigned char>(arg[1])) == 0;
}

class KeyList {
public:
    // Element 0 holds the request key, then up to kMaxCount keys and room for one more.
    KeyList() : array_(sortkey::kMaxCount + 2) {}

    std::int16_t count() const { return count_; }
    std::int16_t last() const { return array_[count_]; }
    void push_back(std::int16_t key) { array_[++count_] = key; }

    bool would_overflow(std::int16_t key) const
    {
        return sortkey::insert_would_overflow(count_, array_.data(), key);
    }

    void apply(std::int16_t key)
    {
        array_[0] = key;
        const sortkey::Record record{&count_, array_.data()};
        sortkey::apply(&record);
    }

    std::string describe() const
    {
        std::string text = "count " + std::to_string(count_) + ":";
        for (int i = 1; i <= count_; ++i) {
            text += ' ' + std::to_string(array_[i]);
        }
        return text;
    }

private:
    std::vector<std::int16_t> array_;
    std::int16_t count_ = 0;
};

// Applies one key, refusing an insertion that would pass kMaxCount keys. Returns an exit status.
int apply_key(KeyList& list, std::int16_t key, bool verbose)
{
    if (list.would_overflow(key)) {
        return fail(kExitFailure, "cannot insert " + std::to_string(key) +
                                      ": the list already holds " +
                                      std::to_string(sortkey::kMaxCount) + " keys");
    }
    const std::int16_t before = list.count();
    list.apply(key);
    if (verbose) {
        const bool changed = list.count() != before;
        const std::int16_t target = key > 0 ? key : static_cast<std::int16_t>(-key);
        std::cout << (key > 0 ? "insert " : "remove ") << target;
        if (!changed) {
            std::cout << (key > 0 ? " (already present)" : " (not found)");
        }
        std::cout << " -> " << list.describe() << '\n';
    }
    return kExitOk;
}

int apply_stdin(KeyList& list, bool verbose)
{
    std::string token;
    for (long index = 1; std::cin >> token; ++index) {
        const auto key = sortkey::parse_key(token);
        if (!key) {
            return fail(kExitUsage, "standard input, key " + std::to_string(index) + ": " +
                                        invalid_key("key", token));
        }
        if (const int status = apply_key(list, *key, verbose); status != kExitOk) {
            return status;
        }
    }
    if (std::cin.bad()) {
        return fail(kExitFailure, "error reading standard input");
    }
    return kExitOk;
}

int run(int argc, char** argv)
{
    bool verbose = false;
    bool options_done = false;
    std::vector<std::string_view> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_done || !is_option(arg)) {
            operands.push_back(arg);
        } else if (arg == "--") {
            options_done = true;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return std::cout.flush() ? kExitOk : kExitFailure;
        } else if (arg == "-v" || arg == "--verbose") {
            verbose = true;
        } else {
            return fail(kExitUsage,
                        "unknown option '" + std::string(arg) + "' (try 'sortkey --help')");
        }
    }
    if (operands.empty()) {
        return fail(kExitUsage, "missing KEY (try 'sortkey --help')");
    }

    const bool from_stdin = operands[0] == "-";
    std::optional<std::int16_t> key;
    if (!from_stdin && !(key = sortkey::parse_key(operands[0]))) {
        return fail(kExitUsage, invalid_key("key", operands[0]));
    }
    if (operands.size() - 1 > static_cast<std::size_t>(sortkey::kMaxCount)) {
        return fail(kExitUsage, "LIST has " + std::to_string(operands.size() - 1) +
                                    " keys; at most 32767 are allowed");
    }

    KeyList list;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        const auto value = sortkey::parse_key(operands[i]);
        if (!value) {
            return fail(kExitUsage, invalid_key("LIST key", operands[i]));
        }
        if (list.count() > 0 && *value <= list.last()) {
            return fail(kExitUsage, "LIST is not strictly ascending: " + std::to_string(*value) +
                                        " follows " + std::to_string(list.last()));
        }
        list.push_back(*value);
    }

    const int status = from_stdin ? apply_stdin(list, verbose) : apply_key(list, *key, verbose);
    if (status != kExitOk) {
        return status;
    }
    std::cout << list.describe() << '\n';
    if (!std::cout.flush()) {
        return fail(kExitFailure, "error writing standard output");
    }
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    return run(argc, argv);
}
