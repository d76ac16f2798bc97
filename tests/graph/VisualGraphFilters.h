#pragma once

// Filter classes registered in the filter factory for the graph-description tests: a
// source, a middle filter with a reshaping parameter, a target, a filter that cannot
// initialise and one that cannot pre-initialise. Each counts its pre-initialisations in its script's call log.

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

template <class Base>
class InstFilter : public Base {
public:
    InstFilter(const VornCommon::Guid& type, const char* className, Hyx::FilterCategory category)
        : _type(type), _className(className), _category(category)
    {
    }
    VornCommon::Guid TypeGuid() const override { return _type; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo(VornCommon::String(_className), _category);
    }
    int PreInitializations() const
    {
        return static_cast<int>(std::count(this->script.calls.begin(), this->script.calls.end(), "onInitializeParams"));
    }

private:
    VornCommon::Guid _type;
    const char* _className;
    Hyx::FilterCategory _category;
};

class InstSource : public InstFilter<TestSource> {
public:
    InstSource() : InstFilter(kInstSource, "XmlInstSource", Hyx::FilterCategory::Source) {}
    static Hyx::Filter* Create() { return new InstSource(); }

protected:
    Hyx::HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        addParam(std::make_shared<Hyx::FilterParamInt32>("Threads count", 0u, 1, 1, 64));
        addParam(std::make_shared<Hyx::FilterParamString>("Label", 0u, "none"));
        return InstFilter::onInitializeParams(upstream);
    }
};

class InstMiddle : public InstFilter<TestFilter> {
public:
    InstMiddle() : InstFilter(kInstMiddle, "XmlInstMiddle", Hyx::FilterCategory::Transform) {}
    static Hyx::Filter* Create() { return new InstMiddle(); }

protected:
    Hyx::HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        // Choosing another input reshapes the filter (flag bit 0).
        addParam(std::make_shared<Hyx::FilterParamInt32>("Input Profile", Hyx::FilterParam::FLAG_REQUIRES_PREINITIALIZE,
                                                         2, 0, 9));
        addParam(std::make_shared<Hyx::FilterParamBool>("Keep Mesh", 0u, true));
        return InstFilter::onInitializeParams(upstream);
    }
};

class InstTarget : public InstFilter<TestFilter> {
public:
    InstTarget() : InstFilter(kInstTarget, "XmlInstTarget", Hyx::FilterCategory::Target) {}
    static Hyx::Filter* Create() { return new InstTarget(); }
};

class InstBroken : public InstFilter<TestFilter> {
public:
    InstBroken() : InstFilter(kInstBroken, "XmlInstBroken", Hyx::FilterCategory::Target)
    {
        script.initialize = Hyx::HyxErrorCode::FailedToGenerateOutputProfile;
    }
    static Hyx::Filter* Create() { return new InstBroken(); }
};

class InstNoParams : public InstFilter<TestFilter> {
public:
    InstNoParams() : InstFilter(kInstNoParams, "XmlInstNoParams", Hyx::FilterCategory::Target)
    {
        script.initializeParams = Hyx::HyxErrorCode::FilterFailedToPreinitialize;
    }
    static Hyx::Filter* Create() { return new InstNoParams(); }
};

/// Registers the classes once per process.
inline void RegisterInstantiationFilters()
{
    static const bool registered = [] {
        using Hyx::FilterCategory;
        using Hyx::FilterClassInfo;
        using Hyx::FilterFactory::RegisterFilterClass;
        RegisterFilterClass(kInstSource, FilterClassInfo("XmlInstSource", FilterCategory::Source), &InstSource::Create);
        RegisterFilterClass(kInstMiddle, FilterClassInfo("XmlInstMiddle", FilterCategory::Transform),
                            &InstMiddle::Create);
        RegisterFilterClass(kInstTarget, FilterClassInfo("XmlInstTarget", FilterCategory::Target), &InstTarget::Create);
        RegisterFilterClass(kInstBroken, FilterClassInfo("XmlInstBroken", FilterCategory::Target), &InstBroken::Create);
        RegisterFilterClass(kInstNoParams, FilterClassInfo("XmlInstNoParams", FilterCategory::Target),
                            &InstNoParams::Create);
        return true;
    }();
    (void)registered;
}

} // namespace HyxTest
