// tarnwick: the window, or with --batch the windowless driver.
#include <cstring>
#include <iostream>
#include <vector>

#include "batch/batch.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--batch") == 0) {
            // Options may stand before or after --batch.
            std::vector<char*> rest;
            for (int k = 1; k < argc; ++k)
                if (k != i) rest.push_back(argv[k]);
            return tw::runBatch(static_cast<int>(rest.size()), rest.data());
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << "usage: tarnwick --batch [--timeout SECONDS] [--encoding utf-8|cp932] "
                         "[FILE.BAS]\n";
            return 0;
        }
    }
    std::cerr << "tarnwick: the window is not available in this version; run with --batch\n";
    return 2;
}
