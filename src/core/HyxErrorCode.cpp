#include <Hyx/HyxErrorCode.h>

namespace Hyx {

namespace {

struct ErrorEntry {
    HyxErrorCode code;
    const char* message;
    bool flag; // kept with its table value; nothing reads it
};

using C = HyxErrorCode;

constexpr ErrorEntry ErrorTable[] = {
    {C::Success, "Hyx success.", false},
    {C::NoDataAvailable, "No data available.", false},
    {C::UnknownError, "Unknown error.", true},
    {C::GraphInWrongState, "Graph in wrong state.", false},
    {C::FilterError, "Error in filter '$filter$': $info$", true},
    {C::FilterFailedToPreinitialize, "Filter failed to preinitialize.", false},
    {C::FilterWrongStateToPreinitialize, "Filter '$filter$' is in wrong state to preinitialize.", true},
    {C::FilterWrongStateToDepreinitialize, "Filter '$filter$' is in wrong state to depreinitialize.", true},
    {C::FilterWrongStateToInitialize, "Filter '$filter$' is in wrong state to initialize.", true},
    {C::FilterWrongStateToDeinitialize, "Filter '$filter$' is in wrong state to deinitialize.", true},
    {C::FilterWrongStateToConnectInput, "Filter '$filter$' is in wrong state to connect input.", true},
    {C::FilterWrongStateToDisconnectInput, "Filter '$filter$' is in wrong state to disconnect input.", true},
    {C::FilterWrongStateToConnectOutput, "Filter '$filter$' is in wrong state to connect output.", true},
    {C::FilterWrongStateToDisconnectOutput, "Filter '$filter$' is in wrong state to disconnect output.", true},
    {C::FilterWrongStateToPlay, "Filter '$filter$' is in wrong state to play.", true},
    {C::FilterWrongStateToPause, "Filter '$filter$' is in wrong state to pause.", true},
    {C::FilterWrongStateToStop, "Filter '$filter$' is in wrong state to stop.", true},
    {C::FilterWrongStateToUpdate, "Filter '$filter$' is in wrong state to update.", true},
    {C::FilterFailedToCreateBlob, "Filter '$filter$' failed to create blob of type '$info$'.", true},
    {C::FilterLacksInputConnection, "Filter '$filter$' lacks input connection.", true},
    {C::FilterLacksOutputConnection, "Filter '$filter$' lacks output connection.", true},
    {C::FilterFailedToPushAtom, "Filter '$filter$' failed to push atom to output queue.", true},
    {C::FailedToGetInputFilter, "Failed to get input filter of '$filter$'.", true},
    {C::FilterFailedToGetDataType, "Filter '$filter$' failed to get datatype '$info$'.", true},
    {C::UnassignedInputProfile, "Unassigned input profile for filter '$filter$'.", true},
    {C::MissingFrameOrderProvider, "Source filter '$filter$' lacks a valid frame order provider.", true},
    {C::InvalidStream, "Invalid stream in filter '$filter$'.", true},
    {C::FailedToGenerateOutputProfile, "Failed to generate a valid output profile for filter '$filter$'.", true},
    {C::FailedToGetInputOutputProfile, "Filter '$filter$' failed to get output profile from input filter.", true},
    {C::FilterFailedToCompress, "Filter '$filter$' failed to compress.", true},
    {C::FilterFailedToDecompressLayer, "Filter '$filter$' failed to decompress layer '$info$'.", true},
    {C::FailedToGetAggregatedOutputProfile, "Failed to get aggregated output profile of filter '$filter$'.", true},
    {C::FilterFailedToGetDataLayer, "Filter '$filter$' failed to get datalayer '$info$'.", true},
    {C::FailedToReadFromFile, "Failed to read from file.", true},
    {C::FailedToWriteToFile, "Failed to write to file.", true},
    {C::FailedToPackAtom, "Hyx failed to pack atom.", true},
    {C::FailedToGetFrameAtom, "Hyx failed to get frame atom.", true},
    {C::StreamInfoMissingFirstFrame, "Hyx streaminfo missing first frame.", true},
    {C::DataProfileAlreadyExists, "Hyx failed to add data profile '$info$' because it already exists.", true},
    {C::FailedToSetInputDataProfile, "Hyx failed to set data profile as input data profile.", true},
    {C::InputProfileNotFullySpecified, "Hyx input profile not fully specified.", true},
    {C::DataProfileNotFulfilled, "Hyx data profile not fulfilled: $info$", true},
    {C::StreamAlreadyPlaying, "Hyx stream already playing.", true},
    {C::StreamNotPlaying, "Hyx stream not playing.", true},
    {C::StreamNotPaused, "Hyx stream not paused.", true},
    {C::ReaderNotValid, "Hyx reader not valid.", true},
    {C::ReaderFailedToUnpackHeader, "Hyx reader failed to unpack hyx header.", true},
    {C::ReaderFailedToGetFrameAtom, "Hyx reader failed to get frame atom.", true},
    {C::OldFileVersion, "Old hyx file version.", true},
    {C::InvalidFile, "Invalid hyx file.", true},
    {C::AtomDroppedFilterBusy, "Atom dropped because filter is busy", false},
    {C::FrameCountMismatch, "Filter '$filter$' failed to load multiple files because the number of frames differ.",
     true},
};

static_assert(sizeof ErrorTable / sizeof ErrorTable[0] == 52, "one entry per assigned code");

} // namespace

const char* GetHyxErrorMessage(HyxErrorCode code)
{
    for (const ErrorEntry& entry : ErrorTable)
        if (entry.code == code)
            return entry.message;
    return "Unknown error code.";
}

} // namespace Hyx
