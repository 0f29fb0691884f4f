// A scripted CAD behind the automation layer and a window desktop with a clock, both writing one
// trace of every call so that tests can check what was called, with what, and in which order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Automation.h"
#include "platform/WindowOps.h"

namespace tabrova::cad::fake {

// "app.HWND" for a property read, "doc.SendCommand(...)" for a method call, "win.Sleep(5)".
using Trace = std::vector<std::string>;

std::string describe(const automation::Variant& value);
// The entries that begin with the prefix.
Trace only(const Trace& trace, const std::string& prefix);

struct Entity {
    std::u16string entityName;
    std::u16string name;
    bool explodeFails = false;
    bool exploded = false;
    bool deleted = false;
};

struct Block {
    std::u16string name;
    bool inUse = false;  // Delete fails as for a definition still referenced
};

class FakeCad {
public:
    explicit FakeCad(Trace& trace) : trace_(trace) {}

    platform::WindowHandle hwnd = 0x2A0F;
    bool hasDocument = true;
    int busyPolls = 0;  // IsQuiescent readings that are false before the first true
    bool sendCommandFails = false;
    bool selectionSetsFail = false;
    bool selectFails = false;
    std::vector<std::u16string> selectionSets;  // names of the drawing's sets, in order
    std::optional<Entity> lastEntity;           // what a selection of the last entity finds
    std::vector<Block> blocks;
    std::vector<std::u16string> commands;  // every SendCommand text

    automation::ObjectPtr application() { return object("app"); }

    // Answers a member of the object called `kind` (a selection set or block carries its name as
    // key). Properties and methods are told apart as a strict server would.
    automation::Variant answer(const std::string& kind, const std::u16string& key,
                               const std::u16string& member, bool isCall,
                               std::span<const automation::Variant> args);
    Trace& trace() { return trace_; }

private:
    automation::ObjectPtr object(std::string kind, std::u16string key = {});

    Trace& trace_;
    std::map<std::u16string, bool> setHoldsLast_;
};

// Registers the CAD's application under the ProgID for the life of the object.
class RunningCad {
public:
    RunningCad(std::u16string progId, FakeCad& cad) : progId_(std::move(progId)) {
        automation::registerStandIn(progId_, cad.application());
    }
    ~RunningCad() { automation::unregisterStandIn(progId_); }
    RunningCad(const RunningCad&) = delete;
    RunningCad& operator=(const RunningCad&) = delete;

private:
    std::u16string progId_;
};

class FakeWindow final : public platform::WindowOps {
public:
    explicit FakeWindow(Trace& trace) : trace_(trace) {}

    bool iconic = false;
    bool raiseRefused = false;
    platform::WindowHandle foreground = 0x99;
    std::uint64_t clockMs = 0;

    bool IsIconic(platform::WindowHandle window) override;
    void OpenIcon(platform::WindowHandle window) override;
    bool SetForegroundWindow(platform::WindowHandle window) override;
    platform::WindowHandle GetForegroundWindow() override;
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    void Sleep(std::uint32_t milliseconds) override;

private:
    Trace& trace_;
};

}  // namespace tabrova::cad::fake
