// The floor of the launcher-overhead benchmark: a console program that does nothing but report how
// long after its creation its main began, measured as the stand-in runtime measures the launcher.
#include "process_age_win.h"

#include <cstdio>

int main() {
    std::printf("startup_us=%lld\n", microsecondsSinceProcessStart());
    return 0;
}
