// Entry point of the non-GUI test programs.
#include "support/private_dirs.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vemra::test::usePrivateDirs();
    return RUN_ALL_TESTS();
}
