// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry point: takes the locale from the environment, as the desktop
// program does, so that running the suite under LANG=de_DE.UTF-8 proves that
// numbers are formatted and parsed the same in every locale.
#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
