// Test main of every test executable. A versioned copy gets --windows=<version>; the
// run fails at once when Wine did not apply that version, so no result is taken for
// the wrong Windows.
#include <gtest/gtest.h>

#include <cstring>

#include "wine_env.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--windows=", 10) == 0) SetEmulatedWindows(argv[i] + 10);
    if (!EmulatedWindows().empty() && !EmulationInEffect()) {
        std::fprintf(stderr, "emulated Windows '%s' is not in effect: check the Wine AppDefaults of this program\n",
                     EmulatedWindows().c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}
