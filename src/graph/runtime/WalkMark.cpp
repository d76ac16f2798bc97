#include "graph/runtime/WalkMark.h"

namespace Hyx {

Graph::WalkMark* Graph::WalkMark::outermost(const Graph& graph)
{
    WalkMark* found = nullptr;
    for (WalkMark* mark = t_top; mark != nullptr; mark = mark->_below)
        if (&mark->_graph == &graph && mark->_kind == Kind::Walk)
            found = mark;
    return found;
}

bool Graph::WalkMark::foldStop(const Graph& graph)
{
    WalkMark* const walk = outermost(graph);
    if (walk == nullptr)
        return false;
    walk->_stopFolded = true;
    return true;
}

std::exception_ptr Graph::WalkMark::endFoldedStop() noexcept
{
    return takeFoldedStop() ? _graph.endRun(false, nullptr) : nullptr;
}

} // namespace Hyx
