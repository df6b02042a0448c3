// What the program asks of the system: its own folder and the language.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The folder of the running program with a trailing '/', as CP932. The
// environment variable VUND2_HOME, when set and not empty, takes its place.
std::string ProgramFolder();

// The system's default language identifier (Windows numbering), from
// LC_ALL, LC_MESSAGES or LANG, the first one set: "ja*" gives 0x0411,
// "en*", "C" and "POSIX" 0x0409, other languages their primary identifier.
uint16_t SystemDefaultLangId();

}  // namespace platform
