#include "platform/MessageFilter.h"

namespace tabrova::platform {

struct ComMessageFilter {};

MessageFilterRef createMessageFilter(MessageFilterCallbacks&) {
    return std::make_shared<ComMessageFilter>();
}

void detachMessageFilter(const MessageFilterRef&) {}

MessageFilterRef registerMessageFilter(const MessageFilterRef&) { return {}; }

}  // namespace tabrova::platform
