// What a command-line program needs from the system: its arguments as UTF-16, whether a standard
// stream is a terminal and UTF-8 output on a console.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tabrova::platform {

// The program's arguments after the program name, as UTF-16 (on Windows from the wide command
// line, since argv holds only the ANSI code page; elsewhere decoded from UTF-8 with bytesToUtf16,
// so that a file name that is not UTF-8 comes back whole through pathFromUtf16).
std::vector<std::u16string> commandLineArguments(int argc, char** argv);

// The file an argument names, argv[index] as left by a library that took its own options out of
// argv (Qt): its bytes unchanged where the system gives bytes; on Windows, where argv holds only
// the ANSI code page, the library's own UTF-16 text of it (text).
std::filesystem::path pathArgument(char** argv, int index, const std::u16string& text);

enum class StandardStream { output, error };

// True when the stream goes to an interactive terminal (not a file or a pipe).
bool isTerminal(StandardStream stream);

// Makes a console show the UTF-8 that the program writes (a no-op where that is the default).
void useUtf8Console();

// For a short-lived program that builds and frees large structures one after another: freed
// memory stays with the process for the next one instead of going back to the system and being
// faulted in again (a quarter of a large conversion's time otherwise). No-op where the allocator
// has no such setting.
void keepFreedMemory();

}  // namespace tabrova::platform
