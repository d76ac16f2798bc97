#pragma once

// The compressor and decompressor mutates: each frame becomes a new frame whose untouched
// layers are the same objects in their order, followed by what the filter produced.
//
// Contract:
// - Compressors (category 7) replace plain layers of their declared types by compressed
//   layers appended at the end, with the layer's purpose and the configured or recommended
//   code; "Drop uncompressed input" (default true) removes the plain layer. A compression
//   that fails or throws keeps the plain layer whatever the drop setting and is logged at
//   level 2; the frame is still produced, and a target keeps that plain layer in place of
//   the compressed one it was offered (see Target.h); a layer keeper or dropper on the way
//   keeps or drops it as it keeps or drops the compressed one (MutateDataLayers.h). With
//   "Input Profile", only layers its first data profile describes are compressed (an empty
//   selection matches nothing).
// - "Input Profile" and the drop parameters are read when the output profile is made (as
//   the filter is initialised and connected); every frame follows those values. A value set
//   later reads back at once but takes effect when the filter is initialised again (after
//   DePreInitialize and PreInitialize, or a new AddAndConnect). "Compression" is read per
//   frame.
// - Decompressors (category 8) decompress every compressed layer of every frame and
//   append the plain layers at the end; "Drop compressed input" (default true) removes the
//   compressed ones. A layer that cannot be decompressed (empty result or exception) ends
//   the frame with 30 and nothing is pushed. A compressed layer of a class that is not
//   registered passes unchanged.
// - Single-type classes offer "Input Profile"; the automatic ones do not and handle every
//   declared pair. Run on the graph's updating thread; no lock of their own.

#include <Hyx/Mutate.h>

#include <VornCommon/Guid.h>

#include <memory>
#include <optional>
#include <vector>

namespace Hyx {

class DataLayer;
class DataTypeCompressedBlob;
class FilterParamBool;
class FilterParamEnumIndexed;

class HYX_API MutateCompressor : public Mutate {
public:
    static constexpr const char* COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME = "Drop uncompressed input";

    /// One declared pair: a plain class and the compressed class that codes it.
    class HYX_API GuidPair {
    public:
        GuidPair(const VornCommon::Guid& uncompressed, const VornCommon::Guid& compressed)
            : uncompressedType(uncompressed), compressedType(compressed)
        {
        }
        virtual ~GuidPair() = default;
        VornCommon::Guid uncompressedType;
        VornCommon::Guid compressedType;
    };

    explicit MutateCompressor(bool offerInputProfiles = true);
    ~MutateCompressor() override;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

    /// The compressed type of the first pair for the plain type; nil when none.
    VornCommon::Guid getCompressedTypeGuid(const VornCommon::Guid& uncompressedType) const;
    /// The code for one layer: the target's recommended code here.
    virtual uint8_t getDesiredCompression(std::shared_ptr<DataLayer> source,
                                          std::shared_ptr<DataTypeCompressedBlob> target);

    std::vector<std::shared_ptr<GuidPair>> _pairs;
    std::shared_ptr<FilterParamBool> _dropParam;

private:
    /// The values of "Drop uncompressed input" and "Input Profile" that decide a frame.
    struct Choice {
        bool drop = false;
        bool selects = false; // "Input Profile" exists: only what `selected` describes
        std::shared_ptr<const DataProfile> selected; // its first data profile, if any
    };
    /// The parameters' values now.
    Choice currentChoice() const;
    /// The compressed type for a plain data profile, after the selection of `choice`.
    VornCommon::Guid chooseCompressedType(const DataProfile& profile, const Choice& choice) const;

    /// What the output profile was last made with; frames follow it. Empty until then (a
    /// filter driven without a graph), when frames read the parameters.
    std::optional<Choice> _profileChoice;
};

class HYX_API MutateDecompressor : public Mutate {
public:
    static constexpr const char* DECOMPRESSOR_DROP_COMPRESSED_PARAMNAME = "Drop compressed input";

    explicit MutateDecompressor(bool offerInputProfiles = true);
    ~MutateDecompressor() override;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    HyxErrorCode onInitialize(Filter* upstream) override;
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

    /// DataProfile(nil, compressed type, plain type) per declared pair.
    std::vector<std::shared_ptr<DataProfile>> _pairs;
    std::shared_ptr<FilterParamBool> _dropParam;

private:
    /// "Drop compressed input" as the output profile was last made with it (frames follow
    /// it); empty until then, when frames read the parameter.
    std::optional<bool> _profileDrop;
};

/// A compressor whose "Compression" choice replaces the recommended code. The parameter's
/// value is an index into its choices, and its text form is that index: a choice's text reads
/// as 0, an index past the end selects the last choice. The choices, index: text (code):
/// - MutateVertexPositionsCompressor: 0: "QSPACE-16/16/16" (1, default), 1: "QSPACE-11/11/10" (2)
/// - MutateVertexTextureUVsCompressor: 0: "16BIT" (128, default), 1: "12BIT" (129)
/// - MutateVertexIndicesCompressor: 0: "24BIT" (128, default), 1: "16BIT" (129)
class HYX_API MutateCompressorWithChoice : public MutateCompressor {
public:
    static constexpr const char* COMPRESSION_PARAMNAME = "Compression";
    ~MutateCompressorWithChoice() override;

protected:
    MutateCompressorWithChoice(int defaultValue, std::vector<std::string> labels, std::vector<int> values);
    /// The base, then "Compression" after "Drop uncompressed input".
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// The "Compression" value; the base rule while it does not exist.
    uint8_t getDesiredCompression(std::shared_ptr<DataLayer> source,
                                  std::shared_ptr<DataTypeCompressedBlob> target) override;

    std::shared_ptr<FilterParamEnumIndexed> _compressionParam;

private:
    int _default;
    std::vector<std::string> _labels;
    std::vector<int> _values;
};

#define HYX_COMPRESSION_FILTER_IDENTITY(ClassName, Base)                                                               \
    class HYX_API ClassName : public Base {                                                                            \
    public:                                                                                                            \
        ClassName();                                                                                                   \
        ~ClassName() override;                                                                                         \
        static VornCommon::Guid TheTypeGuid();                                                                         \
        static FilterClassInfo TheFilterClassInfo();                                                                   \
        VornCommon::Guid TypeGuid() const override;                                                                    \
        FilterClassInfo GetFilterClassInfo() const override;                                                           \
        /** Declares the class's pairs. */                                                                             \
        void Instantiate() override;                                                                                   \
    };                                                                                                                 \
    HYX_API Filter* ClassName##FilterCreator();

HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexIndicesCompressor, MutateCompressorWithChoice)
HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexNormalsCompressor, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexPositionsCompressor, MutateCompressorWithChoice)
HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexTextureUVsCompressor, MutateCompressorWithChoice)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorRGB, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorBGR, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorYUV_NV12, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorYUV_NV21, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorYUV_NVX, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressor16BitIR, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorIR, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressor16BitDepthMap, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorDXT1RLE, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorETC2RLE, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureCompressorASTCRLE, MutateCompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateAutoCompressor, MutateCompressor)

HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexIndicesDecompressor, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexNormalsDecompressor, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexPositionsDecompressor, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateVertexTextureUVsDecompressor, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorRGB, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorBGR, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorYUV_NV12, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorYUV_NV21, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorYUV_NVX, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressor16BitIR, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorIR, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressor16BitDepthMap, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorDXT1RLE, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorETC2RLE, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateTextureDecompressorASTCRLE, MutateDecompressor)
HYX_COMPRESSION_FILTER_IDENTITY(MutateAutoDecompressor, MutateDecompressor)

} // namespace Hyx
