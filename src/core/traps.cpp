// Event traps and the KEY statements.
#include "core/traps.h"

#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

bool Interpreter::prepareKeys(Stmt& s) {
    (void)s;
    return false;
}

bool Interpreter::executeKeys(Stmt& s) {
    (void)s;
    return false;
}

void Interpreter::fireTraps() { trapPending_ = false; }

void Interpreter::pollTimers() {}

int Interpreter::fnPen(int) { raise(err::IllegalFunctionCall); }

}  // namespace tw
