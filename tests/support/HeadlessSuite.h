// A test suite that draws headless through the sprite plug-in, started once for the suite.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics2d/Orv_Spr.h"

class HeadlessSpriteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("QM_HEADLESS", "1", 1);
        unsetenv("QM_PIXEL555");
        ASSERT_TRUE(OrvSpr_MainInit());
    }
    static void TearDownTestSuite() { OrvSpr_MainClose(); }
};
