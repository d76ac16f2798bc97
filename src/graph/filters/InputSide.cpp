#include "graph/filters/InputSide.h"

#include <Hyx/Connection.h>
#include <Hyx/Filter.h>
#include <Hyx/Profile.h>

namespace Hyx {

InputOfferCheck CheckInputOffer(const std::shared_ptr<Profile>& inputProfile,
                                const std::weak_ptr<Connection>& connection)
{
    InputOfferCheck check;
    if (!inputProfile) {
        check.code = HyxErrorCode::UnassignedInputProfile;
        return check;
    }
    const std::shared_ptr<Connection> locked = connection.lock();
    check.upstream = locked ? locked->GetInputFilter() : nullptr;
    if (!check.upstream) {
        check.code = HyxErrorCode::FailedToGetInputFilter;
        return check;
    }
    check.upstreamAggregate = check.upstream->GetAggregatedOutputProfile();
    if (!check.upstreamAggregate) {
        check.code = HyxErrorCode::FailedToGetAggregatedOutputProfile;
    } else if (!check.upstreamAggregate->IsFullySpecified()) {
        check.code = HyxErrorCode::InputProfileNotFullySpecified;
    } else if (!check.upstreamAggregate->Fulfills(inputProfile)) {
        check.code = HyxErrorCode::DataProfileNotFulfilled;
        check.hasInfo = true;
        check.info = check.upstreamAggregate->GetFulfillsError(inputProfile);
    }
    return check;
}

} // namespace Hyx
