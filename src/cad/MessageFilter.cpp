#include "cad/MessageFilter.h"

namespace tabrova::cad {

std::unique_ptr<TMessageFilter> TMessageFilter::Create() {
    return std::make_unique<TMessageFilter>();
}

TMessageFilter::TMessageFilter() : comObject_(platform::createMessageFilter(*this)) {}

TMessageFilter::~TMessageFilter() {
    if (registered_) RevokeFilter();
    // COM may still hold the object (another filter registered on top of this one).
    platform::detachMessageFilter(comObject_);
}

void TMessageFilter::RegisterFilter() {
    FOldFilter.reset();
    FOldFilter = platform::registerMessageFilter(comObject_);
    registered_ = true;
}

void TMessageFilter::RevokeFilter() {
    platform::registerMessageFilter(FOldFilter);
    registered_ = false;
}

std::int32_t TMessageFilter::HandleInComingCall(std::uint32_t, std::uintptr_t, std::uint32_t,
                                                const void*) {
    return kServerCallIsHandled;
}

std::int32_t TMessageFilter::RetryRejectedCall(std::uintptr_t, std::uint32_t,
                                               std::uint32_t dwRejectType) {
    return dwRejectType == kServerCallRetryLater ? kRetryIntervalMs : kCancelCall;
}

std::int32_t TMessageFilter::MessagePending(std::uintptr_t, std::uint32_t, std::uint32_t) {
    return kPendingMsgWaitNoProcess;
}

}  // namespace tabrova::cad
