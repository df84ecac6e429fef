// ARITH.BAS's loop compiled natively with doubles: the yardstick for the
// interpreter's arithmetic speed. Usage: arith [N] (default 1000).
#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    double s = 0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= 1000; ++j) {
            const double a = std::fmod(i * 7.0 + j * 3.0, 1009.0);
            s = s + std::floor(a / 7) - std::fmod(j, 13.0) + std::pow(std::fmod(a, 5.0), 2.0);
        }
        s = s - std::floor(s / 30011) * 30011;
    }
    std::printf("CHECKSUM %.0f\n", s);
    return 0;
}
