// State of the editing commands (AUTO) and of program files (CHAIN, COMMON).
#pragma once

namespace tw {

struct EditState {
};

}  // namespace tw
