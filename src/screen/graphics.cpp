// Graphics statements: PSET, PRESET, LINE, CIRCLE, PAINT, POINT, VIEW,
// WINDOW, SCREEN, DRAW, image blocks, ROLL and COPY.
#include "screen/graphics.h"

#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

bool Interpreter::prepareGraphics(Stmt& s) {
    (void)s;
    return false;
}

bool Interpreter::executeGraphics(Stmt& s) {
    (void)s;
    return false;
}

double Interpreter::fnPointPosition(int) { raise(err::IllegalFunctionCall); }
double Interpreter::fnPointColor(double, double) { raise(err::IllegalFunctionCall); }
double Interpreter::fnMap(double, int) { raise(err::IllegalFunctionCall); }
int Interpreter::fnView(int) { raise(err::IllegalFunctionCall); }
double Interpreter::fnWindow(int) { raise(err::IllegalFunctionCall); }

}  // namespace tw
