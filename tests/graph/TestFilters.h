#pragma once

// Small filters for the graph runtime tests: a source and a filter with an input, whose
// hooks record their calls and return what the test asks for.

#include <Hyx/Filter.h>
#include <Hyx/FilterParams.h>
#include <Hyx/Profile.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace HyxTest {

/// Hook results and a call log shared by the test filters.
struct HookScript {
    Hyx::HyxErrorCode initializeParams = Hyx::HyxErrorCode::Success;
    Hyx::HyxErrorCode initialize = Hyx::HyxErrorCode::Success;
    Hyx::HyxErrorCode deInitialize = Hyx::HyxErrorCode::Success;
    Hyx::HyxErrorCode inputConnection = Hyx::HyxErrorCode::Success;
    Hyx::HyxErrorCode play = Hyx::HyxErrorCode::Success;
    Hyx::HyxErrorCode pause = Hyx::HyxErrorCode::Success;
    Hyx::HyxErrorCode stop = Hyx::HyxErrorCode::Success;
    /// When set, a failing hook reports its code itself before returning it.
    bool reportOwnFailure = false;
    std::vector<std::string> calls;
};

/// Exposes the protected operations of Filter and implements the pure ones with scripts.
template <class Base>
class ScriptedFilter : public Base {
public:
    using Base::Base;

    HookScript script;
    /// Parameters created by onInitializeParams.
    std::function<void(ScriptedFilter&)> makeParams;

    VornCommon::Guid TypeGuid() const override { return VornCommon::Guid(); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo(VornCommon::String("Example"), Hyx::FilterCategory::Transform);
    }
    bool IsDone() const override
    {
        if constexpr (std::is_base_of_v<Hyx::FilterWithInput, Base>)
            return Base::IsDone();
        else
            return true;
    }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return std::make_shared<Hyx::Profile>(); }
    std::shared_ptr<Hyx::Profile> GetAggregatedOutputProfile() override { return std::make_shared<Hyx::Profile>(); }

    using Base::addParam;
    using Base::addParamGroup;
    using Base::addToCachedAtoms;
    using Base::getInputConnection;
    using Base::getOutputConnection;
    using Base::IncrementAtomsProcessed;
    using Base::pushToOutputQueue;
    using Base::removeParam;
    using Base::ReportError;
    using Base::SetProgress;
    using Base::SetProgressInfo;
    using Base::SetProgressWeight;

protected:
    Hyx::HyxErrorCode run(const char* name, Hyx::HyxErrorCode result)
    {
        script.calls.emplace_back(name);
        if (result != Hyx::HyxErrorCode::Success && script.reportOwnFailure)
            return this->ReportError(result);
        return result;
    }
    Hyx::HyxErrorCode onInitializeParams(Hyx::Filter*) override
    {
        if (makeParams)
            makeParams(*this);
        return run("onInitializeParams", script.initializeParams);
    }
    Hyx::HyxErrorCode onInitialize(Hyx::Filter*) override { return run("onInitialize", script.initialize); }
    Hyx::HyxErrorCode onDeInitialize() override { return run("onDeInitialize", script.deInitialize); }
    Hyx::HyxErrorCode onPlay() override { return run("onPlay", script.play); }
    Hyx::HyxErrorCode onPause() override { return run("onPause", script.pause); }
    Hyx::HyxErrorCode onStop() override { return run("onStop", script.stop); }
    Hyx::HyxErrorCode onInputConnection(std::weak_ptr<Hyx::Connection>) override
    {
        return run("onInputConnection", script.inputConnection);
    }
};

/// A filter at the head of a chain.
class TestSourceBase : public Hyx::Filter {
public:
    TestSourceBase() : Hyx::Filter(true) {}
};

/// A filter with an input.
class TestFilterBase : public Hyx::FilterWithInput {
public:
    Hyx::HyxErrorCode SetInputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile> profile) override
    {
        _inputProfile = std::move(profile);
        return Hyx::HyxErrorCode::Success;
    }
};

using TestSource = ScriptedFilter<TestSourceBase>;
using TestFilter = ScriptedFilter<TestFilterBase>;

/// "Filter 'Example' error: " followed by the message of the code.
inline std::string ExampleError(Hyx::HyxErrorCode code)
{
    return std::string("Filter 'Example' error: ") + Hyx::GetHyxErrorMessage(code);
}

} // namespace HyxTest
