// LIST, LLIST, DELETE, AUTO, EDIT, RENUM and the program-file statements
// LOAD, SAVE, MERGE, CHAIN, COMMON, KILL, NAME.
#include "editing/editing.h"

#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

bool Interpreter::prepareEditing(Stmt& s) {
    (void)s;
    return false;
}

bool Interpreter::executeEditing(Stmt& s) {
    (void)s;
    return false;
}

void Interpreter::autoEnter(const std::string& text) { (void)text; }

}  // namespace tw
