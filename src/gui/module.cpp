// The entry of the window module that the tarnwick executable loads.
#include "gui/app.h"

extern "C" __attribute__((visibility("default"))) int tarnwick_window_main(int argc, char** argv) {
    return tw::runWindow(argc, argv);
}
