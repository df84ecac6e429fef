// DATA/READ/RESTORE, DEF FN and the MID$, DATE$ and TIME$ statements.
#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

bool Interpreter::prepareData(Stmt& s) {
    (void)s;
    return false;
}

bool Interpreter::executeData(Stmt& s) {
    (void)s;
    return false;
}

}  // namespace tw
