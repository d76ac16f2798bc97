#include <Hyx/ErrorHolder.h>
#include <Hyx/HyxErrorCode.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using Hyx::GetHyxErrorMessage;
using Hyx::HyxErrorCode;

TEST(HyxErrorCode, EveryCodeHasItsExactMessage)
{
    const std::vector<std::pair<uint32_t, std::string>> table = {
        {0, "Hyx success."},
        {1, "No data available."},
        {2, "Unknown error."},
        {3, "Graph in wrong state."},
        {4, "Error in filter '$filter$': $info$"},
        {5, "Filter failed to preinitialize."},
        {6, "Filter '$filter$' is in wrong state to preinitialize."},
        {7, "Filter '$filter$' is in wrong state to depreinitialize."},
        {8, "Filter '$filter$' is in wrong state to initialize."},
        {9, "Filter '$filter$' is in wrong state to deinitialize."},
        {10, "Filter '$filter$' is in wrong state to connect input."},
        {11, "Filter '$filter$' is in wrong state to disconnect input."},
        {12, "Filter '$filter$' is in wrong state to connect output."},
        {13, "Filter '$filter$' is in wrong state to disconnect output."},
        {14, "Filter '$filter$' is in wrong state to play."},
        {15, "Filter '$filter$' is in wrong state to pause."},
        {16, "Filter '$filter$' is in wrong state to stop."},
        {17, "Filter '$filter$' is in wrong state to update."},
        {18, "Filter '$filter$' failed to create blob of type '$info$'."},
        {19, "Filter '$filter$' lacks input connection."},
        {20, "Filter '$filter$' lacks output connection."},
        {21, "Filter '$filter$' failed to push atom to output queue."},
        {22, "Failed to get input filter of '$filter$'."},
        {23, "Filter '$filter$' failed to get datatype '$info$'."},
        {24, "Unassigned input profile for filter '$filter$'."},
        {25, "Source filter '$filter$' lacks a valid frame order provider."},
        {26, "Invalid stream in filter '$filter$'."},
        {27, "Failed to generate a valid output profile for filter '$filter$'."},
        {28, "Filter '$filter$' failed to get output profile from input filter."},
        {29, "Filter '$filter$' failed to compress."},
        {30, "Filter '$filter$' failed to decompress layer '$info$'."},
        {31, "Failed to get aggregated output profile of filter '$filter$'."},
        {32, "Filter '$filter$' failed to get datalayer '$info$'."},
        {33, "Unknown error code."},
        {34, "Failed to read from file."},
        {35, "Failed to write to file."},
        {36, "Hyx failed to pack atom."},
        {37, "Hyx failed to get frame atom."},
        {38, "Hyx streaminfo missing first frame."},
        {39, "Hyx failed to add data profile '$info$' because it already exists."},
        {40, "Hyx failed to set data profile as input data profile."},
        {41, "Hyx input profile not fully specified."},
        {42, "Hyx data profile not fulfilled: $info$"},
        {43, "Hyx stream already playing."},
        {44, "Hyx stream not playing."},
        {45, "Hyx stream not paused."},
        {46, "Hyx reader not valid."},
        {47, "Hyx reader failed to unpack hyx header."},
        {48, "Hyx reader failed to get frame atom."},
        {49, "Old hyx file version."},
        {50, "Invalid hyx file."},
        {51, "Atom dropped because filter is busy"},
        {52, "Filter '$filter$' failed to load multiple files because the number of frames differ."},
        {53, "Unknown error code."},
        {0xFFFFFFFFu, "Unknown error code."},
    };
    for (const auto& [code, message] : table)
        EXPECT_EQ(GetHyxErrorMessage(static_cast<HyxErrorCode>(code)), message) << "code " << code;
    EXPECT_EQ(GetHyxErrorMessage(static_cast<HyxErrorCode>(-1)), std::string("Unknown error code."));
    EXPECT_EQ(GetHyxErrorMessage(HyxErrorCode::DataProfileAlreadyExists),
              std::string("Hyx failed to add data profile '$info$' because it already exists."));
}

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
