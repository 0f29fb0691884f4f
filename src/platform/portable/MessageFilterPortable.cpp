#include "platform/MessageFilter.h"

namespace tabrova::platform {

struct ComMessageFilter {};

MessageFilterRef createMessageFilter(MessageFilterCallbacks&) {
    return std::make_shared<ComMessageFilter>();
}

void detachMessageFilter(const MessageFilterRef&) {}

std::optional<MessageFilterRef> registerMessageFilter(const MessageFilterRef&) {
    return MessageFilterRef();
}

}  // namespace tabrova::platform
