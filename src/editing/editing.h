// State of the editing commands (LIST in progress) and of program files
// (the loaded format, the COMMON list of CHAIN).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct EditState {
    // Format of the last program read: 0 text, 1 binary.
    int loadedFormat = 0;
    // Absolute path of the last program file read or written.
    std::string path;

    // A LIST shows a bounded number of lines per step of the run loop, so
    // the break key can stop a long listing; it goes on at `listNext` when
    // the same statement of the same table runs again.
    bool listing = false;
    uint32_t listGen = 0;
    int32_t listEntry = 0;
    size_t listNext = 0;
    int32_t listTo = 0;

    // COMMON statements run since the last run-time reset: the entry each
    // one stands at and its name list. At most kMaxCommon.
    static constexpr size_t kMaxCommon = 10;
    struct Common {
        int32_t entry;
        std::string names;
    };
    std::vector<Common> common;
};

// The rows a program line is cut into for the printer: 80 bytes each, 81
// when the 80th byte starts a double-byte character (or is 0).
std::vector<std::string> listingRows(const std::string& text);

}  // namespace tw
