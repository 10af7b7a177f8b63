// The entry of the GoogleTest programs: the string table is registered as the programs do at
// start-up, so that texts from it read as the user sees them.
#include "platform/resources.h"
#include "resources/string_table.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    RegisterStringTable(resources::StringTable());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
