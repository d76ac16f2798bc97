// The host of the install test, built by the README's CMake lines alone: it needs the
// library's headers to compile as they are installed, and the library to run.
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>
#include <Hyx/TargetCallback.h>

int main()
{
    auto graph = std::make_shared<Hyx::Graph>();
    const Hyx::SharedFilterPtr filter = Hyx::FilterFactory::CreateFilter(Hyx::TargetCallback::TheTypeGuid(), {}, {});
    return filter && graph->GetNumFilters() == 0 ? 0 : 1;
}
