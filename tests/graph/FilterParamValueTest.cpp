// Vector, colour, matrix, text, callback and image parameters.

#include <Hyx/FilterParamImage.h>
#include <Hyx/FilterParamText.h>
#include <Hyx/FilterParamVector.h>

#include "ParamRecorder.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

using namespace Hyx;
using HyxTest::Watched;

TEST(FilterParamVector, TextFormsAndPartCounts)
{
    Watched<FilterParamVector3> w(std::make_shared<FilterParamVector3>("Scale", 0u, 0.5f, 1.0f, 2.0f));
    EXPECT_EQ(w.param->GetValueAsString(), "0.5/1/2");
    EXPECT_EQ(w.param->GetNumComponents(), 3u);
    w.param->SetValueAsString("1/2/3");
    EXPECT_EQ(w.param->GetValue(), (std::array<float, 3>{1.0f, 2.0f, 3.0f}));
    // Any other part count leaves the value.
    for (const char* text : {"1/2", "1/2/3/4", "", "1//2/3", "4"}) {
        w.param->SetValueAsString(text);
        EXPECT_EQ(w.param->GetValueAsString(), "1/2/3") << text;
    }
    w.param->SetValueAsString(nullptr);
    w.param->SetValueAsString("1/2/3"); // equal: no notification
    EXPECT_EQ(w.Notified(), 1u);
    w.param->SetValueAsString("a/2.5/-1e3"); // parts are lenient numbers
    EXPECT_EQ(w.param->GetValueAsString(), "0/2.5/-1000");
    w.param->SetValue(0.0f, 2.5f, -1000.0f);
    EXPECT_EQ(w.Notified(), 2u);

    const float two[2] = {7.0f, 8.0f};
    auto v2 = std::make_shared<FilterParamVector2>("v2", 0u, two);
    EXPECT_EQ(v2->GetValueAsString(), "7/8");
    v2->SetValueAsString("1/2/3");
    EXPECT_EQ(v2->GetValueAsString(), "7/8");
    v2->SetValue(1.0f, 2.0f);
    EXPECT_EQ(v2->GetValueAsString(), "1/2");
    auto v4 = std::make_shared<FilterParamVector4>("v4", 0u, nullptr);
    EXPECT_EQ(v4->GetValueAsString(), "0/0/0/0");
    v4->SetValueAsString("1/2/3/4");
    EXPECT_EQ(v4->GetValue(), (std::array<float, 4>{1.0f, 2.0f, 3.0f, 4.0f}));
}

TEST(FilterParamImage, BufferAndNotification)
{
    Watched<FilterParamImage> img(std::make_shared<FilterParamImage>("Preview", 0u, 3, 2));
    EXPECT_EQ(img.param->GetWidth(), 3);
    EXPECT_EQ(img.param->GetHeight(), 2);
    uint8_t* pixels = img.param->GetRGBABuffer();
    ASSERT_NE(pixels, nullptr);
    for (int i = 0; i < 3 * 2 * 4; ++i)
        EXPECT_EQ(pixels[i], 0) << i;
    pixels[23] = 255;
    img.param->CommitChanges();
    img.param->SetValueAsString("anything");
    img.param->SetValueAsString(nullptr);
    EXPECT_EQ(img.events.Values(), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(img.param->GetValueAsString(), "");

    auto empty = std::make_shared<FilterParamImage>("Empty", 0u, -4, 10);
    EXPECT_EQ(empty->GetWidth(), 0);
    EXPECT_EQ(empty->GetRGBABuffer(), nullptr);
    EXPECT_THROW(FilterParamImage("Huge", 0u, 65536, 65536), std::length_error);
}

TEST(FilterParamVector, ColourAndMatrixThroughTheirTextForms)
{
    Watched<FilterParamColorRgba> c(std::make_shared<FilterParamColorRgba>("Colour", 0u, VornCommon::Color()));
    const std::string initial = c.param->GetValueAsString();
    VornCommon::Color red;
    red.r = 1.0f;
    red.g = 0.0f;
    red.b = 0.0f;
    red.a = 0.5f;
    c.param->SetValueAsString(std::string(red.ToString()).c_str());
    EXPECT_TRUE(c.param->GetValue() == red);
    c.param->SetValue(red); // equal: no notification
    EXPECT_EQ(c.Notified(), 1u);
    EXPECT_THROW(c.param->SetValueAsString("not a colour"), std::invalid_argument);
    EXPECT_TRUE(c.param->GetValue() == red);
    EXPECT_NE(c.param->GetValueAsString(), initial);

    Watched<FilterParamMatrix4x4f> m(std::make_shared<FilterParamMatrix4x4f>("M", 0u, VornCommon::Matrix4x4f()));
    VornCommon::Matrix4x4f moved = VornCommon::Matrix4x4f::CreateTranslation(VornCommon::Vector3f(5.0f, 6.0f, 7.0f));
    m.param->SetValueAsString(std::string(moved.ToString()).c_str());
    EXPECT_TRUE(m.param->GetValue() == moved);
    m.param->SetValueAsString(std::string(moved.ToString()).c_str());
    EXPECT_EQ(m.Notified(), 1u);
    EXPECT_THROW(m.param->SetValueAsString("1 2 3"), std::invalid_argument);
    EXPECT_TRUE(m.param->GetValue() == moved);
}
