#include <gtest/gtest.h>

#include "Graphics.h"

namespace fw {

TEST(Colors, SystemColoursHaveClassicValues) {
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(IdentToInt("TColor", "clWindow"), clWindow);
}

}  // namespace fw
