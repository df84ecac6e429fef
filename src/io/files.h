// The file table and the devices behind BASIC file numbers.
#pragma once

namespace tw {

struct FileState {
};

}  // namespace tw
