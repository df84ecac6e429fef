// Event traps: ON KEY, ON STOP, ON TIME$, ON PEN (and ON COM) GOSUB.
#pragma once

namespace tw {

struct TrapState {
};

}  // namespace tw
