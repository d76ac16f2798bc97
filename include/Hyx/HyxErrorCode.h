#pragma once

// The library-wide result code. 0 is success, 1 means there was nothing to do this time
// (not a failure), every higher value is a failure. Each code has one fixed message; the
// tokens "$filter$" and "$info$" in the messages are kept as they stand.

#include <Hyx/Export.h>

#include <cstdint>

namespace Hyx {

enum class HyxErrorCode : uint32_t {
    Success = 0,
    NoDataAvailable = 1,
    UnknownError = 2,
    GraphInWrongState = 3,
    FilterError = 4,
    FilterFailedToPreinitialize = 5,
    FilterWrongStateToPreinitialize = 6,
    FilterWrongStateToDepreinitialize = 7,
    FilterWrongStateToInitialize = 8,
    FilterWrongStateToDeinitialize = 9,
    FilterWrongStateToConnectInput = 10,
    FilterWrongStateToDisconnectInput = 11,
    FilterWrongStateToConnectOutput = 12,
    FilterWrongStateToDisconnectOutput = 13,
    FilterWrongStateToPlay = 14,
    FilterWrongStateToPause = 15,
    FilterWrongStateToStop = 16,
    FilterWrongStateToUpdate = 17,
    FilterFailedToCreateBlob = 18,
    FilterLacksInputConnection = 19,
    FilterLacksOutputConnection = 20,
    FilterFailedToPushAtom = 21,
    FailedToGetInputFilter = 22,
    FilterFailedToGetDataType = 23,
    UnassignedInputProfile = 24,
    MissingFrameOrderProvider = 25,
    InvalidStream = 26,
    FailedToGenerateOutputProfile = 27,
    FailedToGetInputOutputProfile = 28,
    FilterFailedToCompress = 29,
    FilterFailedToDecompressLayer = 30,
    FailedToGetAggregatedOutputProfile = 31,
    FilterFailedToGetDataLayer = 32,
    // 33 is not assigned.
    FailedToReadFromFile = 34,
    FailedToWriteToFile = 35,
    FailedToPackAtom = 36,
    FailedToGetFrameAtom = 37,
    StreamInfoMissingFirstFrame = 38,
    DataProfileAlreadyExists = 39,
    FailedToSetInputDataProfile = 40,
    InputProfileNotFullySpecified = 41,
    DataProfileNotFulfilled = 42,
    StreamAlreadyPlaying = 43,
    StreamNotPlaying = 44,
    StreamNotPaused = 45,
    ReaderNotValid = 46,
    ReaderFailedToUnpackHeader = 47,
    ReaderFailedToGetFrameAtom = 48,
    OldFileVersion = 49,
    InvalidFile = 50,
    AtomDroppedFilterBusy = 51,
    FrameCountMismatch = 52,
};

/// The fixed message of a code; "Unknown error code." for a code without one.
HYX_API const char* GetHyxErrorMessage(HyxErrorCode code);

} // namespace Hyx
