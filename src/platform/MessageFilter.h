// The thread's COM message filter: what the filter answers is decided by the program
// (MessageFilterCallbacks); this layer wraps it as a COM object and registers it. Elsewhere there
// is no COM and registering does nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace tabrova::platform {

// The three IMessageFilter methods with the COM types as integers (HTASK as an integer,
// LPINTERFACEINFO as an untyped pointer). Each returns the 32-bit value COM expects.
class MessageFilterCallbacks {
public:
    virtual std::int32_t HandleInComingCall(std::uint32_t dwCallType, std::uintptr_t htaskCaller,
                                            std::uint32_t dwTickCount,
                                            const void* lpInterfaceInfo) = 0;
    virtual std::int32_t RetryRejectedCall(std::uintptr_t htaskCallee, std::uint32_t dwTickCount,
                                           std::uint32_t dwRejectType) = 0;
    virtual std::int32_t MessagePending(std::uintptr_t htaskCallee, std::uint32_t dwTickCount,
                                        std::uint32_t dwPendingType) = 0;

protected:
    ~MessageFilterCallbacks() = default;
};

// A counted reference to a message filter object (an IMessageFilter on Windows); empty for none.
struct ComMessageFilter;
using MessageFilterRef = std::shared_ptr<ComMessageFilter>;

// A filter object that forwards the calls to the callbacks until it is detached; a detached
// filter gives COM's default answers. Detach before the callbacks go away: COM may hold the
// object longer.
MessageFilterRef createMessageFilter(MessageFilterCallbacks& callbacks);
void detachMessageFilter(const MessageFilterRef& filter);

// Makes the filter (empty: none) the calling thread's filter (CoRegisterMessageFilter) and
// returns the one it replaces (empty when there was none). nullopt when the thread cannot have a
// filter (COM not initialised, or not a single-threaded apartment): nothing changed. Where there
// is no COM every registration succeeds and replaces nothing.
std::optional<MessageFilterRef> registerMessageFilter(const MessageFilterRef& filter);

}  // namespace tabrova::platform
