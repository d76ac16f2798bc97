#include <Hyx/MutateBlock.h>

#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/FilterParamText.h>

namespace Hyx {

HYX_BUILTIN_FILTER(MutateBlockManual);

MutateBlockManual::MutateBlockManual() = default;

MutateBlockManual::~MutateBlockManual() = default;

HyxErrorCode MutateBlockManual::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = MutateBlock::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_pullParam, MUTATE_BLOCK_MANUAL_PULL_NEXT_PROCESSED_FRAME_PARAMNAME, 0u);
    addParam(_pullParam);
    return HyxErrorCode::Success;
}

void MutateBlockManual::PullNextProcessedFrame()
{
    releaseNextFrame();
}

void MutateBlockManual::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    if (param && param == _pullParam)
        releaseNextFrame();
    MutateBlock::cbiParameterValueChanged(std::move(param), value);
}

void MutateBlockManual::onStartRelease()
{
}

void MutateBlockManual::onPauseRelease()
{
}

void MutateBlockManual::onStopRelease()
{
}

} // namespace Hyx
