// The COM message filter of the user-interface thread: calls into a busy server are retried
// every second without limit, calls rejected outright fail at once, and incoming calls are always
// accepted.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/MessageFilter.h"

namespace tabrova::cad {

inline constexpr std::int32_t kServerCallIsHandled = 0;      // SERVERCALL_ISHANDLED
inline constexpr std::uint32_t kServerCallRetryLater = 2;    // SERVERCALL_RETRYLATER
inline constexpr std::int32_t kRetryIntervalMs = 1000;       // retry a busy server's call after
inline constexpr std::int32_t kCancelCall = -1;              // give up a rejected call
inline constexpr std::int32_t kPendingMsgWaitNoProcess = 1;  // PENDINGMSG_WAITNOPROCESS

class TMessageFilter final : public platform::MessageFilterCallbacks {
public:
    // A filter that is not registered, with FOldFilter empty.
    static std::unique_ptr<TMessageFilter> Create();
    TMessageFilter();
    // Revokes the filter when it is still registered.
    ~TMessageFilter();
    TMessageFilter(const TMessageFilter&) = delete;
    TMessageFilter& operator=(const TMessageFilter&) = delete;

    // Makes this the calling thread's filter, keeping the previous one in FOldFilter. False when
    // the thread cannot have a filter (COM is not initialised as a single-threaded apartment):
    // nothing is registered then, and busy servers are not retried.
    bool RegisterFilter();
    bool registered() const { return registered_; }
    // Puts FOldFilter (none when it is empty) back as the thread's filter; nothing when this
    // filter is not registered.
    void RevokeFilter();

    std::int32_t HandleInComingCall(std::uint32_t dwCallType, std::uintptr_t htaskCaller,
                                    std::uint32_t dwTickCount,
                                    const void* lpInterfaceInfo) override;
    std::int32_t RetryRejectedCall(std::uintptr_t htaskCallee, std::uint32_t dwTickCount,
                                   std::uint32_t dwRejectType) override;
    std::int32_t MessagePending(std::uintptr_t htaskCallee, std::uint32_t dwTickCount,
                                std::uint32_t dwPendingType) override;

    // The filter that was registered for the thread before this one; empty when there was none.
    platform::MessageFilterRef FOldFilter;

private:
    platform::MessageFilterRef comObject_;
    bool registered_ = false;
};

}  // namespace tabrova::cad
