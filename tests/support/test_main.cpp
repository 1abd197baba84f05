#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

// Every test binary runs with HOME and the XDG folders in a temporary folder of its own, so no test can
// read or write the real user's history or preferences.
int main(int argc, char** argv) {
    moorix::test::TempDir home;
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        std::filesystem::create_directory(home.file(name));
        ::setenv(name, home.file(name).c_str(), 1);
    }
    ::setenv("HOME", home.path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
