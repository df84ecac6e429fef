// tarnwick: the window, or with --batch the windowless driver.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "batch/batch.h"

namespace {

// The window lives in a module beside the executable, loaded only when a
// window is wanted, so batch runs start without loading the GUI libraries.
int runWindowModule(int argc, char** argv) {
    std::string dir = ".";
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = 0;
        dir = self;
        dir.erase(dir.rfind('/'));
    }
    const std::string path = dir + "/libtarnwick_window.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::cerr << "tarnwick: cannot load the window (" << dlerror() << ")\n"
                  << "tarnwick --batch runs without it.\n";
        return 2;
    }
    using Entry = int (*)(int, char**);
    auto entry = reinterpret_cast<Entry>(dlsym(module, "tarnwick_window_main"));
    if (!entry) {
        std::cerr << "tarnwick: " << path << " has no window entry\n";
        return 2;
    }
    return entry(argc, argv);
}

}  // namespace

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
    return runWindowModule(argc, argv);
}
