#pragma once

// An ordered chain of filters (one source first, targets last) joined by connections of
// 1000 slots.
//
// Contract:
// - A graph is owned by a shared pointer: filters and connections keep weak references.
// - Building (add, connect, disconnect, remove) needs a stopped graph and must not overlap
//   an update on another thread; the filter list is not locked.
// - Failures return ActionResult::Failure with the reason in the graph's error text: a fixed
//   prefix, then "(" detail ")" with no blank when there is a detail.
// - The computed progress and its text are guarded: filters report from the updating thread
//   while hosts read.
// - Destroying the graph resets and releases every filter (a playing filter is stopped).
//
// This is the building core of the graph; playing, updating, frame order, events and the
// graph's services build on it.

#include <Hyx/ErrorHolder.h>
#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Hyx {

class Connection;
class Filter;

/// Result of graph operations.
enum class ActionResult : int32_t { Failure = 0, Success = 1 };

class HYX_API Graph : public ErrorHolder, public std::enable_shared_from_this<Graph> {
public:
    /// Playback state; Error is only announced to listeners, never stored.
    enum class GraphState : int32_t { Stopped = 0, Playing = 1, Paused = 2, Error = 3 };

    Graph();
    /// Removes every filter (resetting each), then releases the connections.
    virtual ~Graph();
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    /// Pre-initialises (when Created) and initialises the filter against the last filter,
    /// appends it and connects it to the previous one; a source gets an empty input
    /// connection instead.
    virtual ActionResult AddAndConnect(std::shared_ptr<Filter> filter);
    /// Removes every filter, last first (each is reset to PreInitialized).
    ActionResult RemoveAllFilters();

    /// The last filter; empty when there is none.
    std::shared_ptr<Filter> GetLastFilter() const;
    unsigned GetNumFilters() const { return static_cast<unsigned>(_filters.size()); }
    /// The filter at that position; empty when the index is not below the count.
    std::shared_ptr<Filter> GetFilter(unsigned index) const;

    virtual bool IsPlaying() const { return _state.load() == GraphState::Playing; }
    virtual bool IsPaused() const { return _state.load() == GraphState::Paused; }
    virtual bool IsStopped() const { return _state.load() == GraphState::Stopped; }

    /// The weighted progress of all filters as last computed.
    float GetProgress();
    /// The progress texts of all filters as last computed, one per line.
    std::string GetProgressInfo();

protected:
    friend class Connection;
    friend class Filter;

    /// Joins two listed filters through a new connection of the graph's slot count.
    ActionResult connectFilters(const std::shared_ptr<Filter>& upstream, const std::shared_ptr<Filter>& downstream);
    /// Clears both ends of the connection from input to output and drops it.
    ActionResult disconnectFilters(const std::shared_ptr<Filter>& input, const std::shared_ptr<Filter>& output);
    /// Resets the filter and removes it from the list.
    ActionResult removeFilter(const std::shared_ptr<Filter>& filter);
    /// Recomputes the weighted progress and the joined progress text of all filters.
    void updateProgress();

    /// Sets "<prefix>" or "<prefix>(<detail>)" as the error text; returns Failure.
    ActionResult fail(const char* prefix, const std::string* detail = nullptr) const;
    bool isListed(const std::shared_ptr<Filter>& filter) const;

    std::vector<std::shared_ptr<Filter>> _filters;
    std::vector<std::shared_ptr<Connection>> _connections;
    const int _numSlots = 1000;
    std::atomic<GraphState> _state{GraphState::Stopped};
    std::atomic<bool> _running{false};

    std::mutex _progressMutex;
    float _progress = 0.0f;
    std::string _progressInfo;
};

} // namespace Hyx
