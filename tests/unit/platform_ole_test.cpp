#include <gtest/gtest.h>

#include "platform/ole.h"

TEST(PlatformOle, InitSucceedsUnlessATestMakesItFail) {
    EXPECT_TRUE(AfxOleInit());
    SetOleInitFailsForTesting(true);
    EXPECT_FALSE(AfxOleInit());
    SetOleInitFailsForTesting(false);
    EXPECT_TRUE(AfxOleInit());
    EXPECT_TRUE(COleObjectFactory::UpdateRegistryAll(true));
    EXPECT_TRUE(COleObjectFactory::UpdateRegistryAll(false));
}
