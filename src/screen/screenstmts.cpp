// Statements of the text screen: CLS, LOCATE, COLOR, CONSOLE, BEEP.
#include <cmath>

#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

bool Interpreter::prepareScreen(Stmt& s) {
    std::string_view r = std::string_view(s.text).substr(s.argPos);
    switch (s.code) {
    case kw::Locate:
    case kw::Cls:
        if (!trim(r).empty()) {
            for (std::string_view v : splitArgs(r)) {
                std::string_view t = trim(v);
                s.present.push_back(!t.empty());
                s.ex.push_back(t.empty() ? nullptr : parseExpression(t));
            }
        }
        return true;
    default:
        return false;
    }
}

bool Interpreter::executeScreen(Stmt& s) {
    switch (s.code) {
    case kw::Cls:
        stCls(s);
        return true;
    case kw::Locate:
        stLocate(s);
        return true;
    case kw::Beep:
        host_.beep();
        return true;
    default:
        return false;
    }
}

void Interpreter::stCls(Stmt& s) {
    double n = 1;
    if (!s.ex.empty() && s.ex[0]) n = std::trunc(evalNum(*s.ex[0]));
    if (n == 1 || n == 3) {
        screen_.clearRows();
    }
    if (n == 2 || n == 3) screen_.setCursor(0, 0);
    host_.screenChanged();
}

void Interpreter::stLocate(Stmt& s) {
    auto arg = [&](size_t i) -> int {
        if (i >= s.ex.size() || !s.ex[i]) return -1;
        const double v = evalNum(*s.ex[i]);
        return static_cast<int>(std::trunc(v + 0.5));
    };
    int x = arg(0);
    int y = arg(1);
    const bool hasX = s.ex.size() > 0 && s.ex[0];
    const bool hasY = s.ex.size() > 1 && s.ex[1];
    if (!hasX) x = screen_.col();
    if (!hasY) y = screen_.row();
    if (x < 0 || x > 80) x = 0;
    if (y < 0 || y > 24) y = screen_.row();
    screen_.setCursor(x, y);
}


}  // namespace tw
