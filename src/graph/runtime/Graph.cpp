#include <Hyx/Graph.h>

#include "core/LogLevelEnabled.h"
#include "graph/runtime/Thrown.h"
#include "graph/runtime/WalkMark.h"

#include <Hyx/Connection.h>
#include <Hyx/Filter.h>

#include <algorithm>

namespace Hyx {

using VornCommon::LogLevel;

namespace {

const std::string kMustBeStopped = "graph must be stopped first";
const std::string kNotAdded = "it was not added";

std::string errorOf(const std::shared_ptr<Filter>& filter)
{
    return filter ? filter->GetLastError(false).StdString() : std::string();
}

/// The list of a graph without filters, shared: a destructor publishes it without allocating.
/// Never destroyed: a worker may destroy its graph after the process began to exit.
const std::shared_ptr<const std::vector<std::shared_ptr<Filter>>>& NoFilters()
{
    static const auto* const empty = new std::shared_ptr<const std::vector<std::shared_ptr<Filter>>>(
        std::make_shared<const std::vector<std::shared_ptr<Filter>>>());
    return *empty;
}

} // namespace

Graph::Graph() : _listed(NoFilters())
{
}

Graph::~Graph()
{
    // Our own weak reference has already expired here: filters are stopped and disconnected
    // without it. Nothing leaves a destructor: what the filters throw is logged.
    stopOnDestruction("");
    {
        // Nobody reads a graph being destroyed; the filters go as `_filters` lets them go.
        std::lock_guard<std::mutex> lock(_listMutex);
        _listed = NoFilters();
    }
    const WalkMark walk(*this, false);
    while (!_filters.empty()) {
        const std::shared_ptr<Filter> filter = _filters.back();
        try {
            // A refusal is told as a throw is: the filter is let go unreset.
            if (resetListed(filter) != ActionResult::Success)
                LogQuietly(LogLevel::Error, GetLastError(false).StdString());
        } catch (...) {
            try {
                LogQuietly(LogLevel::Error,
                           "Graph failed to remove a filter(" + DescribeThrown(NiceName(*filter)) + ")");
            } catch (...) {
                // Out of memory while reporting: the filter goes all the same.
            }
        }
        // One that cannot be reset is let go all the same: the graph goes, the others are reset.
        // Nothing is published: readers see no filters from the start.
        _filters.pop_back();
    }
    std::lock_guard<std::mutex> lock(_providerMutex);
    if (_frameOrderProvider)
        _frameOrderProvider->SetFrameOrderResetListener(nullptr);
}

void Graph::stopOnDestruction(const char* linePrefix) noexcept
{
    if (IsStopped())
        return;
    try {
        if (stopGraph(FailedStop::Finish) != ActionResult::Success)
            LogQuietly(LogLevel::Error, linePrefix + GetLastError(false).StdString());
    } catch (...) {
        try {
            LogQuietly(LogLevel::Error, linePrefix + ("Graph failed to stop(" + DescribeThrown(takeThrownBy()) + ")"));
        } catch (...) {
            // Out of memory while reporting: the graph goes all the same.
        }
    }
}

VornCommon::String Graph::GetLastError(bool clear) const
{
    std::lock_guard<std::mutex> lock(_errorMutex);
    return ErrorHolder::GetLastError(clear);
}

void Graph::ResetError() const
{
    std::lock_guard<std::mutex> lock(_errorMutex);
    ErrorHolder::ResetError();
}

void Graph::SetError(const VornCommon::String& text) const
{
    std::lock_guard<std::mutex> lock(_errorMutex);
    ErrorHolder::SetError(text);
}

ActionResult Graph::fail(const char* prefix, const std::string* detail) const
{
    std::string text = prefix;
    if (detail != nullptr)
        text += "(" + *detail + ")";
    SetError(VornCommon::String(std::move(text)));
    return ActionResult::Failure;
}

bool Graph::isListed(const std::shared_ptr<Filter>& filter) const
{
    return filter && std::find(_filters.begin(), _filters.end(), filter) != _filters.end();
}

std::shared_ptr<const Graph::FilterList> Graph::listed() const
{
    std::lock_guard<std::mutex> lock(_listMutex);
    return _listed;
}

void Graph::appendFilter(const std::shared_ptr<Filter>& filter)
{
    // The copy first: both lists change, or (out of memory) neither.
    auto next = std::make_shared<FilterList>(_filters);
    next->push_back(filter);
    _filters.push_back(filter);
    publish(std::move(next));
}

void Graph::publish(std::shared_ptr<const FilterList> list) noexcept
{
    // Swapped under the lock, released after it: a reader waits for the pointer swap alone.
    {
        std::lock_guard<std::mutex> lock(_listMutex);
        _listed.swap(list);
    }
}

std::shared_ptr<Filter> Graph::GetLastFilter() const
{
    const std::shared_ptr<const FilterList> list = listed();
    return list->empty() ? std::shared_ptr<Filter>() : list->back();
}

unsigned Graph::GetNumFilters() const
{
    return static_cast<unsigned>(listed()->size());
}

std::shared_ptr<Filter> Graph::GetFilter(unsigned index) const
{
    const std::shared_ptr<const FilterList> list = listed();
    return index < list->size() ? (*list)[index] : std::shared_ptr<Filter>();
}

std::shared_ptr<Filter> Graph::GetFilter(const VornCommon::Guid& type) const
{
    const std::shared_ptr<const FilterList> list = listed();
    for (const std::shared_ptr<Filter>& filter : *list)
        if (filter->TypeGuid() == type)
            return filter;
    return nullptr;
}

ActionResult Graph::AddAndConnect(std::shared_ptr<Filter> filter)
{
    if (!filter) {
        const std::string detail = "no filter";
        return fail("Graph failed to add a filter", &detail);
    }
    // A filter's hook or a listener of a walk or pass would change the list it goes through;
    // the filter is left as it came, not initialised against a filter being reset.
    if (refusesInsideWalkOrPass("Graph failed to add a filter"))
        return ActionResult::Failure;
    const std::shared_ptr<Filter> upstream = GetLastFilter();
    HyxErrorCode result = HyxErrorCode::Success;
    {
        // Its hooks may play, pause or stop the graph, but a building call or an Update from
        // them would change the list this add is joining.
        const WalkMark step(*this, false, WalkMark::Kind::Build);
        if (filter->GetFilterState() == Filter::FilterState::Created)
            result = filter->PreInitialize(upstream.get(), std::shared_ptr<Graph>());
        if (result == HyxErrorCode::Success && filter->GetFilterState() == Filter::FilterState::PreInitialized)
            result = filter->Initialize(upstream.get());
    }
    if (result != HyxErrorCode::Success) {
        const std::string detail = errorOf(filter);
        return fail("Graph failed to initialize a filter", &detail);
    }

    if (!stoppedToBuild())
        return fail("Graph failed to add a filter", &kMustBeStopped);
    if (isListed(filter)) {
        const std::string detail = "it was already added";
        return fail("Graph failed to add a filter", &detail);
    }
    IFilterLinks& links = *filter;
    if (!links.SetGraph(weak_from_this())) {
        const std::string detail = "it belongs to another graph";
        return fail("Graph failed to add a filter", &detail);
    }
    appendFilter(filter);

    if (filter->IsSource()) {
        filter->SetInputConnection(std::weak_ptr<Connection>());
    } else if (_filters.size() > 1) {
        ActionResult connected = ActionResult::Failure;
        {
            // The hooks the connection runs are the add's too.
            const WalkMark step(*this, false, WalkMark::Kind::Build);
            connected = connectFilters(upstream, filter);
        }
        if (connected != ActionResult::Success) {
            // The add is undone as a removal is, and its hooks are a removal's; the add answers
            // with the connection's text whatever they called meanwhile.
            const VornCommon::String text = GetLastError(false);
            {
                const WalkMark undo(*this, false);
                removeFilter(filter);
            }
            SetError(text);
            return connected;
        }
    }
    return ActionResult::Success;
}

ActionResult Graph::RemoveAllFilters()
{
    if (refusesInsideWalkOrPass("Graph failed to remove a filter"))
        return ActionResult::Failure;
    if (!stoppedToBuild())
        return fail("Graph failed to remove a filter", &kMustBeStopped);
    const WalkMark walk(*this, false);
    while (!_filters.empty()) {
        const ActionResult result = removeFilter(_filters.back());
        if (result != ActionResult::Success)
            return result;
    }
    return ActionResult::Success;
}

bool Graph::stoppedToBuild()
{
    return IsStopped();
}

bool Graph::walksHere() const
{
    return WalkMark::on(*this, WalkMark::kWalk);
}

bool Graph::refusesInsideWalkOrPass(const char* prefix) const
{
    if (!WalkMark::on(*this, WalkMark::kWalk | WalkMark::kPass | WalkMark::kBuild))
        return false;
    refuseInsideWalk(prefix);
    return true;
}

ActionResult Graph::refuseInsideWalk(const char* prefix) const
{
    return fail(prefix, &WalkMark::kRefusal);
}

HyxErrorCode Graph::asBuildingStep(const std::function<HyxErrorCode()>& step)
{
    const WalkMark mark(*this, false, WalkMark::Kind::Build);
    return step();
}

ActionResult Graph::connectFilters(const std::shared_ptr<Filter>& upstream, const std::shared_ptr<Filter>& downstream)
{
    if (!IsStopped())
        return fail("Graph failed to connect a filter", &kMustBeStopped);
    if (!isListed(upstream) || !isListed(downstream))
        return fail("Graph failed to connect a filter", &kNotAdded);
    auto connection = std::make_shared<Connection>(shared_from_this(), _numSlots);
    const HyxErrorCode result = connection->Connect(upstream, downstream);
    if (result != HyxErrorCode::Success) {
        LogLine(LogLevel::Error, "Cannot connect '%s' to '%s'!",
                upstream->GetFilterClassInfo().GetNiceClassName().CStr(),
                downstream->GetFilterClassInfo().GetNiceClassName().CStr());
        // The bare table message, as the table holds it.
        SetError(VornCommon::String(GetHyxErrorMessage(result)));
        return ActionResult::Failure;
    }
    _connections.push_back(std::move(connection));
    return ActionResult::Success;
}

ActionResult Graph::disconnectFilters(const std::shared_ptr<Filter>& input, const std::shared_ptr<Filter>& output)
{
    // A pass goes on with the connections it found (a removal, the one walk that disconnects,
    // is refused inside a pass), and an add with the upstream it found.
    if (WalkMark::on(*this, WalkMark::kPass | WalkMark::kBuild))
        return refuseInsideWalk("Graph failed to disconnect a filter");
    if (!stoppedToBuild())
        return fail("Graph failed to disconnect a filter", &kMustBeStopped);
    if (!isListed(input) || !isListed(output))
        return fail("Graph failed to disconnect a filter", &kNotAdded);
    const auto it = std::find_if(_connections.begin(), _connections.end(), [&](const auto& c) {
        return c->GetInputFilter() == input && c->GetOutputFilter() == output;
    });
    if (it == _connections.end())
        return fail("Graph failed to disconnect filters");
    if (input->SetOutputConnection(std::weak_ptr<Connection>()) != HyxErrorCode::Success) {
        const std::string detail = errorOf(input);
        return fail("Graph failed to disconnect a filter", &detail);
    }
    if (output->SetInputConnection(std::weak_ptr<Connection>()) != HyxErrorCode::Success) {
        const std::string detail = errorOf(output);
        return fail("Graph failed to disconnect a filter", &detail);
    }
    _connections.erase(it);
    return ActionResult::Success;
}

ActionResult Graph::resetListed(const std::shared_ptr<Filter>& filter)
{
    if (!IsStopped())
        return fail("Graph failed to remove a filter", &kMustBeStopped);
    if (!isListed(filter))
        return fail("Graph failed to remove a filter", &kNotAdded);
    if (filter->Reset() != HyxErrorCode::Success) {
        const std::string detail = errorOf(filter);
        return fail("Graph failed to remove a filter", &detail);
    }
    return ActionResult::Success;
}

ActionResult Graph::removeFilter(const std::shared_ptr<Filter>& filter)
{
    // The list without it is made first: once the filter is reset, nothing can fail. Its hooks
    // run inside a walk or a building step, so the list stays as it is meanwhile.
    auto next = std::make_shared<FilterList>();
    next->reserve(_filters.size());
    std::copy_if(_filters.begin(), _filters.end(), std::back_inserter(*next),
                 [&](const std::shared_ptr<Filter>& listed) { return listed != filter; });
    const ActionResult reset = resetListed(filter);
    if (reset != ActionResult::Success)
        return reset;
    const auto it = std::find(_filters.begin(), _filters.end(), filter);
    if (it == _filters.end())
        return fail("Graph failed to remove a filter", &kNotAdded);
    _filters.erase(it);
    publish(std::move(next));
    return ActionResult::Success;
}

void Graph::updateProgress()
{
    // While running, GetProgress and GetProgressInfo compute on demand (and Stop computes
    // once more), so the reports of filters in every pass need no work (and no reference
    // taken) here.
    if (_running.load())
        return;
    // Held while the filters are walked.
    if (const std::shared_ptr<Graph> self = weak_from_this().lock())
        self->computeProgress();
}

void Graph::computeProgress()
{
    float weightedSum = 0.0f;
    float weights = 0.0f;
    std::string text;
    // The list as published: a host may read the progress while another thread builds.
    const std::shared_ptr<const FilterList> list = listed();
    for (const std::shared_ptr<Filter>& filter : *list) {
        std::string info = filter->GetProgressInfo();
        const float weight = filter->GetProgressWeight();
        weightedSum += weight * filter->GetProgress();
        weights += weight;
        if (!info.empty()) {
            if (info.back() != '\n')
                info += '\n';
            text += info;
        }
    }
    std::lock_guard<std::mutex> lock(_progressMutex);
    _progress = weights <= 0.0f ? 1.0f : weightedSum / weights;
    _progressInfo = std::move(text);
}

float Graph::GetProgress()
{
    if (_running.load())
        computeProgress();
    std::lock_guard<std::mutex> lock(_progressMutex);
    return _progress;
}

std::string Graph::GetProgressInfo()
{
    if (_running.load())
        computeProgress();
    std::lock_guard<std::mutex> lock(_progressMutex);
    return _progressInfo;
}

} // namespace Hyx
