// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "TempTree.h"

// Fixes the scratch drive and profile before any test reads the configuration.
int main(int argc, char** argv) {
    testsupport::prepareScratchEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
