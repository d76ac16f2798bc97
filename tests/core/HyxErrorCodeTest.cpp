#include <Hyx/ErrorHolder.h>
#include <Hyx/HyxErrorCode.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using Hyx::GetHyxErrorMessage;
using Hyx::HyxErrorCode;

namespace {

class Holder : public Hyx::ErrorHolder {
public:
    void Fail(const char* text) const { SetError(text); }
};

} // namespace

TEST(ErrorHolder, KeepsTheLastTextUntilClearedOrReplaced)
{
    const Holder holder;
    EXPECT_TRUE(holder.GetLastError(false).IsEmpty());
    holder.Fail("first");
    holder.Fail("second");
    EXPECT_EQ(holder.GetLastError(false), VornCommon::String("second"));
    EXPECT_EQ(holder.GetLastError(false), VornCommon::String("second"));
    EXPECT_EQ(holder.GetLastError(true), VornCommon::String("second"));
    EXPECT_TRUE(holder.GetLastError(false).IsEmpty());
    holder.Fail("third");
    holder.ResetError();
    EXPECT_TRUE(holder.GetLastError(true).IsEmpty());
}
