// State of the graphics statements: drawing settings, VIEW, WINDOW, the
// last point and the pattern and DRAW state.
#pragma once

namespace tw {

struct GraphicsState {
};

}  // namespace tw
