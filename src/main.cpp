// tarnwick: the window, or with --batch the windowless driver.
#include <cstring>
#include <iostream>
#include <vector>

#include "batch/batch.h"
#include "gui/app.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--batch") == 0) {
            // Options may stand before or after --batch. No window system
            // is touched on this path.
            std::vector<char*> rest;
            for (int k = 1; k < argc; ++k)
                if (k != i) rest.push_back(argv[k]);
            return tw::runBatch(static_cast<int>(rest.size()), rest.data());
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << "usage: tarnwick [--speed full|original|N] [FILE.BAS]\n"
                         "       tarnwick --batch [--timeout SECONDS] [--screenshot OUT.png] "
                         "[--encoding utf-8|cp932] [--keys] [--speed full|original|N] [FILE.BAS]\n"
                         "  --speed  statements a second: full (the default), original (2000, the\n"
                         "           pace of the old machine) or a number\n";
            return 0;
        }
    }
    return tw::runWindow(argc, argv);
}
