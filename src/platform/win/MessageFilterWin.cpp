#include <windows.h>
// after windows.h
#include <objbase.h>
#include <objidl.h>

#include <atomic>
#include <type_traits>

#include "platform/MessageFilter.h"

namespace tabrova::platform {
namespace {

template <class Task>
std::uintptr_t taskId(Task task) {
    if constexpr (std::is_pointer_v<Task>) {
        return reinterpret_cast<std::uintptr_t>(task);
    } else {
        return static_cast<std::uintptr_t>(task);
    }
}

class ForwardingFilter final : public IMessageFilter {
public:
    explicit ForwardingFilter(MessageFilterCallbacks& callbacks) : callbacks_(&callbacks) {}

    void detach() { callbacks_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMessageFilter)) {
            *object = static_cast<IMessageFilter*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD dwCallType, HTASK htaskCaller,
                                               DWORD dwTickCount,
                                               LPINTERFACEINFO lpInterfaceInfo) override {
        if (!callbacks_) return SERVERCALL_ISHANDLED;
        return static_cast<DWORD>(callbacks_->HandleInComingCall(dwCallType, taskId(htaskCaller),
                                                                 dwTickCount, lpInterfaceInfo));
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK htaskCallee, DWORD dwTickCount,
                                              DWORD dwRejectType) override {
        if (!callbacks_) return static_cast<DWORD>(-1);
        return static_cast<DWORD>(
            callbacks_->RetryRejectedCall(taskId(htaskCallee), dwTickCount, dwRejectType));
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK htaskCallee, DWORD dwTickCount,
                                           DWORD dwPendingType) override {
        if (!callbacks_) return PENDINGMSG_WAITDEFPROCESS;
        return static_cast<DWORD>(
            callbacks_->MessagePending(taskId(htaskCallee), dwTickCount, dwPendingType));
    }

private:
    ~ForwardingFilter() = default;

    MessageFilterCallbacks* callbacks_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

// Owns one reference to a filter object.
struct ComMessageFilter {
    ComMessageFilter(IMessageFilter* p, ForwardingFilter* ours) : filter(p), forwarding(ours) {}
    ~ComMessageFilter() {
        if (filter) filter->Release();
    }
    ComMessageFilter(const ComMessageFilter&) = delete;
    ComMessageFilter& operator=(const ComMessageFilter&) = delete;

    IMessageFilter* filter;
    ForwardingFilter* forwarding;  // set when the object is one of ours
};

MessageFilterRef createMessageFilter(MessageFilterCallbacks& callbacks) {
    auto* filter = new ForwardingFilter(callbacks);
    return std::make_shared<ComMessageFilter>(filter, filter);
}

void detachMessageFilter(const MessageFilterRef& filter) {
    if (filter && filter->forwarding) filter->forwarding->detach();
}

std::optional<MessageFilterRef> registerMessageFilter(const MessageFilterRef& filter) {
    IMessageFilter* previous = nullptr;
    const HRESULT hr = CoRegisterMessageFilter(filter ? filter->filter : nullptr, &previous);
    MessageFilterRef replaced;
    if (previous) replaced = std::make_shared<ComMessageFilter>(previous, nullptr);
    // S_FALSE also reports a failure here (an apartment without message filters).
    if (hr != S_OK) return std::nullopt;
    return replaced;
}

}  // namespace tabrova::platform
