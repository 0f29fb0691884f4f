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

bool TMessageFilter::RegisterFilter() {
    if (registered_) return true;
    std::optional<platform::MessageFilterRef> previous =
        platform::registerMessageFilter(comObject_);
    if (!previous) return false;
    FOldFilter = std::move(*previous);
    registered_ = true;
    return true;
}

void TMessageFilter::RevokeFilter() {
    if (!registered_) return;
    platform::registerMessageFilter(FOldFilter);
    FOldFilter.reset();
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
