#pragma once

// Transforms that attach one opaque block of bytes to every atom that passes, as a
// byte-array layer with the purpose set in "Purpose guid": the whole content of a file
// (TransformInjectFileData) or bytes the host hands over (TransformInjectMemoryData).
//
// Contract:
// - "Purpose guid" is read at initialisation. Text that is no GUID is logged ("Failed to
//   parse string into a valid Guid (...)") and, like the nil GUID, fails with 27.
// - Each atom is changed in place: its byte-array layers of that purpose are removed and a
//   new one is appended last; layers of other purposes stay. The aggregated output profile
//   lists the injected layer once, also when the upstream offer already has it.
// - File: the file is read on the first atom after the path changed, and kept; every layer
//   gets its own copy of the bytes. The path compared is the parameter's text with its path
//   variables translated (FilterParamFilePath::GetAbsoluteFilePath), which is not made
//   absolute: a relative path is opened against the working directory of that first atom,
//   and a later change of the working directory is not seen, as the text did not change
//   (to read the file it names there, set another text for it, such as its absolute path).
//   A file that cannot be opened or read whole is logged once; until the path changes
//   every atom then fails with 4 ("No data for injection available"). An empty file
//   injects an empty layer.
// - Memory: SetData may be called from any thread at any time; the next atom carries the
//   new bytes. Before any SetData an empty layer is injected.

#include <Hyx/Export.h>
#include <Hyx/Transform.h>

#include <VornCommon/ByteArray.h>
#include <VornCommon/Guid.h>

#include <memory>
#include <mutex>
#include <string>

namespace Hyx {

class FilterParamReadFilePath;
class FilterParamString;

/// What both injection transforms share: the purpose and the per-atom step.
class HYX_API TransformInjectData : public Transform {
public:
    static constexpr const char* BYTEARRAY_PURPOSE_GUID_PARAMNAME = "Purpose guid";

    ~TransformInjectData() override;

protected:
    TransformInjectData();

    /// Lists "Purpose guid".
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// The input profile is the whole upstream offer (empty without one).
    HyxErrorCode onInitialize(Filter* upstream) override;
    /// One entry: (purpose, byte array); empty when the purpose text is no GUID.
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile) override;
    /// The upstream offer plus the injected entry, once.
    HyxErrorCode onSetupAggregatedOutputProfile(Filter* upstream, std::shared_ptr<Profile> upstreamAggregate) override;
    /// Replaces the atom's byte-array layers of the purpose by a new one, put last.
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;

    /// Appends the bytes to inject.
    virtual void onFillData(VornCommon::ByteArray& bytes) = 0;

    std::shared_ptr<FilterParamString> _purposeParam;
    VornCommon::Guid _injectedPurpose;
};

class HYX_API TransformInjectFileData : public TransformInjectData {
public:
    static constexpr const char* FILE_PATH_PARAMNAME = "File path";

    TransformInjectFileData();
    ~TransformInjectFileData() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

protected:
    /// "Purpose guid", then "File path".
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// Loads the file when the path changed; 4 while no bytes are loaded.
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;
    void onFillData(VornCommon::ByteArray& bytes) override;

private:
    void load(const std::string& path);

    std::shared_ptr<FilterParamReadFilePath> _filePathParam;
    std::shared_ptr<VornCommon::ByteArray> _loadedBytes;
    std::string _loadedPath;
};

class HYX_API TransformInjectMemoryData : public TransformInjectData {
public:
    TransformInjectMemoryData();
    ~TransformInjectMemoryData() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// Replaces the bytes with a copy (any thread).
    void SetData(const VornCommon::ByteArray& bytes);

protected:
    void onFillData(VornCommon::ByteArray& bytes) override;

private:
    VornCommon::ByteArray _bytes;
    std::mutex _mutex;
};

/// New filters, owned by the caller.
HYX_API Filter* TransformInjectFileDataFilterCreator();
HYX_API Filter* TransformInjectMemoryDataFilterCreator();

} // namespace Hyx
