// Qt keys as the virtual-key codes of the original platform, which the
// interpreter stores in its last-key latch (INKEY$ returns them).
#pragma once

namespace tw {

// The virtual-key code of a Qt key (Qt::Key), 0 when it has none. Keys
// that type a character need none: the character replaces it in the latch.
int virtualKey(int qtKey);

}  // namespace tw
