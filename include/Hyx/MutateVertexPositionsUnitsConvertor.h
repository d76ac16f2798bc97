#pragma once

// A mutate that rescales vertex positions from one length unit to another.
//
// Contract:
// - Needs (any purpose, vertex positions) on its input ("Input Profile"). "Source units" and
//   "Output units" pick mm, cm, m, in or ft (positions 0-4, default mm); the factor is fixed
//   at each start from the stopped state (resuming from pause keeps it) as to-millimetres of
//   the source times from-millimetres of the output, in single precision.
// - Equal units pass a copy of the frame unchanged. Otherwise every plain positions layer
//   is replaced by a new one with the same purpose, each coordinate times the factor and
//   the box recomputed; the new layers go to the end, in their former order. Compressed
//   positions pass unconverted.
// - A layer with the positions type that is not a positions layer, or whose array is
//   missing from its payload, fails with 32.
// - The incoming atom and its layers are not changed.

#include <Hyx/Export.h>
#include <Hyx/Mutate.h>

#include <memory>

namespace Hyx {

class FilterParamEnumIndexed;

class HYX_API MutateVertexPositionsUnitsConvertor : public Mutate {
public:
    static constexpr const char* SOURCE_UNITS_PARAMNAME = "Source units";
    static constexpr const char* OUTPUT_UNITS_PARAMNAME = "Output units";

    MutateVertexPositionsUnitsConvertor();
    ~MutateVertexPositionsUnitsConvertor() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// Asks for (any purpose, vertex positions).
    void Instantiate() override;

protected:
    /// "Input Profile", then the two unit parameters (created once).
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// From the stopped state: fixes the factor.
    HyxErrorCode onPlay() override;
    /// A copy of the input profile; empty without an upstream filter.
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile) override;
    /// A copy with the positions rescaled.
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

private:
    std::shared_ptr<FilterParamEnumIndexed> _sourceUnitsParam;
    std::shared_ptr<FilterParamEnumIndexed> _outputUnitsParam;
    bool _active = false;
    float _factor = 1.0f;
};

/// A new filter, owned by the caller.
HYX_API Filter* MutateVertexPositionsUnitsConvertorFilterCreator();

} // namespace Hyx
