#include <gtest/gtest.h>

#include "cad/MessageFilter.h"

namespace tabrova::cad {
namespace {

TEST(MessageFilter, AcceptsIncomingCallsAndKeepsMessagesWaiting) {
    const auto filter = TMessageFilter::Create();
    EXPECT_FALSE(filter->FOldFilter);
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u}) {
        EXPECT_EQ(filter->HandleInComingCall(type, 42, 1000, nullptr), 0);
        EXPECT_EQ(filter->MessagePending(42, 1000, type), 1);
    }
}

TEST(MessageFilter, RetriesBusyServerEverySecondWithoutTimeLimitAndCancelsRejections) {
    const auto filter = TMessageFilter::Create();
    struct Case {
        std::uint32_t rejectType;
        std::uint32_t tickCount;
        std::int32_t expected;
    };
    for (const Case& c :
         {Case{2, 0, 1000}, Case{2, 59'999, 1000}, Case{2, 0xFFFFFFFF, 1000}, Case{1, 0, -1},
          Case{1, 0xFFFFFFFF, -1}, Case{0, 10, -1}, Case{3, 10, -1}}) {
        EXPECT_EQ(filter->RetryRejectedCall(7, c.tickCount, c.rejectType), c.expected)
            << "reject type " << c.rejectType << ", ticks " << c.tickCount;
    }
}

TEST(MessageFilter, RegistersAndRevokesForTheWholeWindowLifeAndMayBeDestroyedRegistered) {
    auto filter = TMessageFilter::Create();
    EXPECT_TRUE(filter->RegisterFilter());
    filter->RevokeFilter();
    EXPECT_FALSE(filter->registered());
    EXPECT_TRUE(filter->RegisterFilter());
    EXPECT_TRUE(filter->registered());
    EXPECT_FALSE(filter->FOldFilter);  // no filter was registered before this one
    filter.reset();                    // revokes itself
}

}  // namespace
}  // namespace tabrova::cad
