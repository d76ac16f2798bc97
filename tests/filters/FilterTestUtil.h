#pragma once

// Helpers of the built-in filter tests: atoms with real layers, a listener that records the
// frames it receives, and graphs built filter by filter.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/Graph.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/TargetCallback.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace FilterTest {

using Frame = std::vector<std::shared_ptr<Hyx::Atom>>;
using VornCommon::Guid;

inline constexpr Guid kPurposeA = Hyx::GuidLiteral("A0000000-0000-4000-8000-00000000000A");
inline constexpr Guid kPurposeB = Hyx::GuidLiteral("B0000000-0000-4000-8000-00000000000B");

inline std::shared_ptr<Hyx::DataTypeStreamInfo> StreamInfo(float fps = 30.0f, uint32_t frames = 0)
{
    auto info = std::make_shared<Hyx::DataTypeStreamInfo>();
    info->InitializeHeader(Hyx::HYXPurposeGuids::TALO);
    info->setValues(fps, frames, {}, 0, nullptr);
    return info;
}

/// Positions (base + i, -base - i, 2i) for i < count, box computed.
inline std::shared_ptr<Hyx::DataTypeVertexPositions> Positions(float base, uint32_t count = 3,
                                                               const Guid& purpose = kPurposeA)
{
    auto layer = std::make_shared<Hyx::DataTypeVertexPositions>();
    layer->InitializeHeader(purpose);
    float* p = layer->Allocate(count, false);
    for (uint32_t i = 0; i < 3 * count; ++i)
        p[i] = i % 3 == 2 ? 2.0f * float(i / 3) : (i % 3 ? -1.0f : 1.0f) * (base + float(i / 3));
    layer->CalculateBoundingBoxFromVertexPositions();
    return layer;
}

/// The first vertex's x of an atom's first positions layer.
inline float BaseOf(const std::shared_ptr<Hyx::Atom>& atom)
{
    return std::static_pointer_cast<Hyx::DataTypeVertexPositions>(
               atom->GetDataLayerByType(Hyx::DataTypeVertexPositions::TheTypeGuid(), false))
        ->GetVertexPositions()[0];
}

inline std::shared_ptr<Hyx::Atom> MakeAtom(uint32_t stream, uint32_t frame,
                                           std::initializer_list<std::shared_ptr<Hyx::DataLayer>> layers)
{
    auto atom = std::make_shared<Hyx::Atom>(stream, frame, 1000u * frame + stream);
    for (const auto& layer : layers)
        atom->AddDataLayer(layer);
    return atom;
}

/// Records every frame it receives (any thread).
class RecordingListener : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(Frame& atoms) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _frames.push_back(atoms);
        _received.notify_all();
    }
    std::vector<Frame> Frames() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _frames;
    }
    size_t Count() const { return Frames().size(); }
    /// Waits until `count` frames have arrived (false after a minute).
    bool WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _received.wait_for(lock, std::chrono::seconds(60), [&] { return _frames.size() >= count; });
    }

private:
    mutable std::mutex _mutex;
    std::condition_variable _received;
    std::vector<Frame> _frames;
};

/// A new filter made with its constructor; AddAndConnect completes its creation.
template <class T>
std::shared_ptr<T> Make()
{
    return std::make_shared<T>();
}

/// Adds and connects the filters in order.
template <class G = Hyx::Graph>
std::shared_ptr<G> Chain(std::initializer_list<std::shared_ptr<Hyx::Filter>> filters)
{
    auto graph = std::make_shared<G>();
    for (const auto& filter : filters)
        EXPECT_EQ(graph->AddAndConnect(filter), Hyx::ActionResult::Success) << graph->GetLastError(false).CStr();
    return graph;
}

/// Updates until the graph is done; false when an update fails.
inline bool RunToEnd(Hyx::Graph& graph)
{
    for (int i = 0; i < 1000 && !graph.IsDone(); ++i)
        if (graph.Update() != Hyx::ActionResult::Success)
            return false;
    return true;
}

} // namespace FilterTest
