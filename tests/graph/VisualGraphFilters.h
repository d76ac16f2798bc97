#pragma once

// Filter classes registered in the filter factory for the graph-description tests: a
// source, a middle filter with a reshaping parameter, a target, a filter that cannot
// initialise and one that cannot pre-initialise. Each counts its pre-initialisations in its
// script's call log.

#include "TestFilters.h"

#include <Hyx/FilterFactory.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamText.h>

#include <algorithm>
#include <memory>
#include <string>

namespace HyxTest {

inline const VornCommon::Guid kInstSource = VornCommon::Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60701");
inline const VornCommon::Guid kInstMiddle = VornCommon::Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60702");
inline const VornCommon::Guid kInstTarget = VornCommon::Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60703");
inline const VornCommon::Guid kInstBroken = VornCommon::Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60704");
inline const VornCommon::Guid kInstNoParams = VornCommon::Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60705");
// Never registered.
inline const VornCommon::Guid kInstUnknown = VornCommon::Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F607FF");

enum class Inst {
    Source,
    Middle,
    Target,
    Broken,
    NoParams
};

/// Guid, class name and category of each kind.
struct InstClass {
    const VornCommon::Guid& guid;
    const char* className;
    Hyx::FilterCategory category;
};
inline const InstClass kInstClasses[] = {{kInstSource, "XmlInstSource", Hyx::FilterCategory::Source},
                                         {kInstMiddle, "XmlInstMiddle", Hyx::FilterCategory::Transform},
                                         {kInstTarget, "XmlInstTarget", Hyx::FilterCategory::Target},
                                         {kInstBroken, "XmlInstBroken", Hyx::FilterCategory::Target},
                                         {kInstNoParams, "XmlInstNoParams", Hyx::FilterCategory::Target}};

template <Inst K, class Base = std::conditional_t<K == Inst::Source, TestSource, TestFilter>>
class InstFilter : public Base {
public:
    InstFilter()
    {
        if (K == Inst::Broken)
            this->script.initialize = Hyx::HyxErrorCode::FailedToGenerateOutputProfile;
        if (K == Inst::NoParams)
            this->script.initializeParams = Hyx::HyxErrorCode::FilterFailedToPreinitialize;
    }
    static Hyx::Filter* Create() { return new InstFilter(); }
    VornCommon::Guid TypeGuid() const override { return kInstClasses[int(K)].guid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo(kInstClasses[int(K)].className, kInstClasses[int(K)].category);
    }
    int PreInitializations() const
    {
        return static_cast<int>(std::count(this->script.calls.begin(), this->script.calls.end(), "onInitializeParams"));
    }

protected:
    Hyx::HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        if (K == Inst::Source) {
            this->addParam(std::make_shared<Hyx::FilterParamInt32>("Threads count", 0u, 1, 1, 64));
            this->addParam(std::make_shared<Hyx::FilterParamString>("Label", 0u, "none"));
        } else if (K == Inst::Middle) {
            // Choosing another input reshapes the filter (flag bit 0).
            this->addParam(std::make_shared<Hyx::FilterParamInt32>(
                "Input Profile", Hyx::FilterParam::FLAG_REQUIRES_PREINITIALIZE, 2, 0, 9));
            this->addParam(std::make_shared<Hyx::FilterParamBool>("Keep Mesh", 0u, true));
        }
        return Base::onInitializeParams(upstream);
    }
};

using InstSource = InstFilter<Inst::Source>;
using InstMiddle = InstFilter<Inst::Middle>;

/// Registers the classes once per process.
inline void RegisterInstantiationFilters()
{
    static const bool registered = [] {
        Hyx::Filter* (*const creators[])() = {&InstFilter<Inst::Source>::Create, &InstFilter<Inst::Middle>::Create,
                                              &InstFilter<Inst::Target>::Create, &InstFilter<Inst::Broken>::Create,
                                              &InstFilter<Inst::NoParams>::Create};
        for (size_t i = 0; i < std::size(kInstClasses); ++i)
            Hyx::FilterFactory::RegisterFilterClass(
                kInstClasses[i].guid, Hyx::FilterClassInfo(kInstClasses[i].className, kInstClasses[i].category),
                creators[i]);
        return true;
    }();
    (void)registered;
}

} // namespace HyxTest
