// The parameter list of a filter: lookup by name, stored values applied at PreInitialize,
// replacement, and the host's listeners.

#include "CapturedLog.h"
#include "ParamRecorder.h"
#include "TestFilters.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Hyx;
using HyxTest::TestFilter;
using Code = HyxErrorCode;

namespace {

class Listener : public IFilterParameterValueChanged {
public:
    explicit Listener(std::vector<std::string>* log, const char* tag) : _log(log), _tag(tag) {}
    void cbiFilterParameterValueChanged(std::shared_ptr<Filter> filter, const char* name, const char* value) override
    {
        _log->push_back(std::string(_tag) + ":" + name + "=" + value + (filter ? "" : " (no filter)"));
    }

private:
    std::vector<std::string>* _log;
    const char* _tag;
};

// A filter with "Threads count" (int), "Mode" (flag 1), "Name" (text) and "Reset" (trigger);
// "Later" exists only once `withLater` is set.
struct ParamFilter {
    std::shared_ptr<TestFilter> filter = std::make_shared<TestFilter>();
    bool withLater = false;
    HyxTest::EventRecorder resetEvents;
    HyxTest::EventRecorder threadsEvents;

    ParamFilter()
    {
        filter->makeParams = [this](TestFilter& self) {
            auto threads = std::make_shared<FilterParamInt32>("Threads count", 0u, 4, 1, 64);
            threads->_events.Add(&threadsEvents);
            self.addParam(threads);
            self.addParam(
                std::make_shared<FilterParamInt32>("Mode", FilterParam::FLAG_REQUIRES_PREINITIALIZE, 0, 0, 3));
            self.addParam(std::make_shared<FilterParamString>("Name", 0u, "a"));
            auto reset = std::make_shared<FilterParamCallback>("Reset", 0u);
            reset->_events.Add(&resetEvents);
            self.addParam(reset);
            if (withLater)
                self.addParam(std::make_shared<FilterParamInt32>("Later", 0u, 0, 0, 9));
        };
    }
    Filter& operator*() { return *filter; }
    TestFilter* operator->() { return filter.get(); }
};

} // namespace

TEST(FilterParameters, StoredValuesWaitForTheirParameters)
{
    ParamFilter f;
    // Handed in before any parameter exists: kept.
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "8"}, {"Mode", "2"}, {"Later", "5"}, {"Reset", "x"}}));
    EXPECT_TRUE(f->getParameters().empty());

    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(f->getParameterValue("Threads count"), "8");
    EXPECT_EQ(f->getParameterValue("Mode"), "2");
    // The trigger was not fired by a stored value.
    EXPECT_EQ(f.resetEvents.Count(), 0u);

    // "Later" did not exist: its value waits for the next PreInitialize.
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    f.withLater = true;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(f->getParameterValue("Later"), "5");
    // Applied values were used up: the new parameters keep their defaults.
    EXPECT_EQ(f->getParameterValue("Threads count"), "4");

    // A changed flag-1 parameter asks for pre-initialising again; an equal value does not
    // even call the setter.
    EXPECT_TRUE(f->setParameterValues({{"Mode", "1"}}));
    EXPECT_FALSE(f->setParameterValues({{"Mode", "1"}}));
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "4"}}));
    EXPECT_EQ(f.threadsEvents.Count(), 1u); // only the "8" applied at the first PreInitialize
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "16"}, {"Name", "b"}}));
    EXPECT_EQ(f->getParameterValue("Name"), "b");
    EXPECT_FALSE(f->setParameterValues({{"Reset", "go"}}));
    EXPECT_EQ(f.resetEvents.Count(), 0u);
}

TEST(FilterParameters, RefusedTextsDoNotEscapeStoredValues)
{
    CapturedLog log;
    ParamFilter f;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_NO_THROW(EXPECT_FALSE(f->setParameterValues({{"Threads count", "abc"}, {"Name", "c"}})));
    EXPECT_EQ(f->getParameterValue("Threads count"), "4");
    EXPECT_EQ(f->getParameterValue("Name"), "c"); // the next entry was still applied
    bool logged = false;
    for (const auto& e : log.Entries()) {
        if (e.level == VornCommon::LogLevel::Error && e.text.find("Threads count") != std::string::npos &&
            e.text.find("invalid stoi argument") != std::string::npos)
            logged = true;
    }
    EXPECT_TRUE(logged);

    // Stored before PreInitialize: PreInitialize does not throw either.
    ParamFilter g;
    g->setParameterValues({{"Threads count", "99999999999"}});
    EXPECT_EQ(g->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(g->getParameterValue("Threads count"), "4");

    // A host's direct setting keeps throwing.
    EXPECT_THROW(f->setParameterValue("Threads count", "abc"), std::invalid_argument);
}

TEST(FilterParameters, LookupByName)
{
    CapturedLog log;
    ParamFilter f;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    const auto params = f->getParameters();
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(params[0]->GetName(), "Threads count");
    EXPECT_EQ(f->getParameterByName("Name"), params[2]);
    EXPECT_TRUE(f->setParameterValue("Threads count", "6"));
    EXPECT_EQ(f->getParameterValue("Threads count"), "6");
    EXPECT_EQ(f->getParameterStatus("Threads count"), "");
    EXPECT_EQ(log.Entries().size(), 0u);

    // Misses: the setter logs once, the getters twice, at level 3.
    EXPECT_FALSE(f->setParameterValue("Nope", "1"));
    EXPECT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(f->getParameterValue("Nope"), "");
    EXPECT_EQ(f->getParameterStatus("Nope"), "");
    EXPECT_EQ(f->getParameterByName("Nope"), nullptr);
    ASSERT_EQ(log.Entries().size(), 7u);
    for (const auto& e : log.Entries()) {
        EXPECT_EQ(e.level, VornCommon::LogLevel::Warning);
        EXPECT_EQ(e.tag, "HYX2");
        EXPECT_EQ(e.text, "Invalid filter parameter: | filter name - Example | name - Nope |");
    }
}

TEST(FilterParameters, ReplacementAndGroups)
{
    ParamFilter f;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    std::vector<std::string> heard;
    Listener listener(&heard, "L");
    f->AddParameterValueChangedListener(&listener);

    auto old = f->getParameterByName("Name");
    auto replacement = std::make_shared<FilterParamString>("Name", 0u, "z");
    f->addParam(replacement, false);
    const auto params = f->getParameters();
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(params[0], replacement);
    // The old object no longer calls back into the filter.
    old->SetValueAsString("old");
    EXPECT_TRUE(heard.empty());
    replacement->SetValueAsString("new");
    EXPECT_EQ(heard, std::vector<std::string>{"L:Name=new"});

    f->removeParam("Name");
    EXPECT_EQ(f->getParameters().size(), 3u);
    replacement->SetValueAsString("gone");
    EXPECT_EQ(heard.size(), 1u);
    f->removeParam("Name"); // no match: nothing changes
    EXPECT_EQ(f->getParameters().size(), 3u);

    auto group = std::make_shared<ParamGroup>(0u, 2u, "Threads");
    f->addParamGroup(group);
    f->addParamGroup(group);
    f->addParamGroup(std::make_shared<ParamGroup>(0u, 2u, "Threads"));
    ASSERT_EQ(f->getParamGroups().size(), 2u);
    EXPECT_EQ(f->getParamGroups()[0]->GetLabel(), "Threads");
    EXPECT_EQ(f->getParamGroups()[0]->GetEndPosition(), 2u);

    // DePreInitialize clears parameters and groups; held parameters no longer reach the filter.
    auto threads = f->getParameterByName("Threads count");
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    EXPECT_TRUE(f->getParameters().empty());
    EXPECT_TRUE(f->getParamGroups().empty());
    threads->SetValueAsString("12");
    EXPECT_EQ(heard.size(), 1u);
    f->RemoveParameterValueChangedListener(&listener);
}

namespace {

// A host logger that looks at the filter's parameters while it writes.
class ReenteringLogger : public VornCommon::Logger {
public:
    std::shared_ptr<Filter> filter;
    int writes = 0;

protected:
    void Write(VornCommon::LogLevel, const char*, const std::string&) override
    {
        ++writes;
        (void)filter->getParameters();
    }
};

} // namespace

TEST(FilterParameters, LoggerMayLookAtTheFilter)
{
    ParamFilter f;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    auto logger = std::make_shared<ReenteringLogger>();
    logger->filter = f.filter;
    SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    // Each miss is logged with no filter lock held: no self-deadlock.
    EXPECT_FALSE(f->setParameterValue("Nope", "1"));
    EXPECT_EQ(f->getParameterValue("Nope"), "");
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "abc"}}));
    ResetHYXLoggerInstance();
    EXPECT_EQ(logger->writes, 4);
    logger->filter.reset();
}
