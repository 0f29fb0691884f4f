#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "cad/MessageFilter.h"
#include "platform/Automation.h"

namespace tabrova::cad {
namespace {

// A thread without COM, or a multi-threaded apartment, cannot have a message filter: the
// registration reports it instead of counting the filter as registered.
TEST(MessageFilterApartment, RegistrationFailsOutsideASingleThreadedApartment) {
    for (bool multiThreaded : {false, true}) {
        bool registered = true, marked = true, initRefused = false;
        std::thread([&] {
            if (multiThreaded) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            auto filter = TMessageFilter::Create();
            registered = filter->RegisterFilter();
            marked = filter->registered();
            if (multiThreaded) {
                try {
                    automation::initializeAutomation();
                } catch (const automation::AutomationError&) {
                    initRefused = true;
                }
                CoUninitialize();
            }
        }).join();
        EXPECT_FALSE(registered) << multiThreaded;
        EXPECT_FALSE(marked) << multiThreaded;
        EXPECT_EQ(initRefused, multiThreaded);
    }
}

}  // namespace
}  // namespace tabrova::cad
