#include <Hyx/TextureFormat.h>

#include <gtest/gtest.h>

using namespace Hyx;

TEST(TextureFormat, YUVStoredHeightMapsBackForEveryHeight)
{
    EXPECT_EQ((std::tuple{GetYUVLumaHeight(720), GetYUVLumaHeight(721), GetYUVStoredHeight(3)}),
              std::tuple(480u, 480u, 5u));
    for (uint32_t h = 0; h <= 43690; ++h) {
        const uint32_t stored = GetYUVStoredHeight(h);
        ASSERT_EQ(GetYUVLumaHeight(stored), h);
        if (h % 2 == 0) {
            ASSERT_EQ(stored, h * 3 / 2);
        }
    }
    EXPECT_LE(GetYUVStoredHeight(43690), 65535u);
    EXPECT_GT(GetYUVStoredHeight(43691), 65535u);
}
