#include <Hyx/Connection.h>

#include <Hyx/Filter.h>
#include <Hyx/Graph.h>

namespace Hyx {

Connection::Connection(std::shared_ptr<Graph> graph, int slots) : _queue(std::make_shared<Queue>(slots)), _graph(graph)
{
}

Connection::~Connection() = default;

HyxErrorCode Connection::Connect(std::shared_ptr<Filter> input, std::shared_ptr<Filter> output)
{
    if (!input || !output)
        return HyxErrorCode::UnknownError;
    _inputFilter = input;
    const HyxErrorCode result = input->SetOutputConnection(weak_from_this());
    if (result != HyxErrorCode::Success)
        return result;
    _outputFilter = output;
    return output->SetInputConnection(weak_from_this());
}

bool Connection::Disconnect() const
{
    std::shared_ptr<Filter> input = _inputFilter.lock();
    std::shared_ptr<Filter> output = _outputFilter.lock();
    const std::shared_ptr<Graph> graph = _graph.lock();
    if (!graph)
        return true;
    IGraphLinks& links = *graph;
    return links.disconnectFilters(input, output) == ActionResult::Success;
}

} // namespace Hyx
