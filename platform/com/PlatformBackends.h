#pragma once
// The backends built into the program and the one the process runs on. Each
// backend library adds itself to the table when the program starts (linked in
// whole, so no system code names it); the first CoInitializeEx of the process
// chooses one from TUNEWRIGHT_PLATFORM:
//   sim   the simulation;
//   dvb   the Linux DVB backend;
//   auto  (the default) a backend that the environment asks for by its own
//         settings, else the most preferred one whose hardware is present.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/PlatformBackend.h"

class PlatformBackends {
public:
    struct Entry {
        std::string name;
        /// auto tries backends from the highest preference down.
        int preference = 0;
        /// The environment holds this backend's own settings (for example a world file to simulate).
        std::function<bool()> claimed;
        /// Its hardware is there (always, for a simulation).
        std::function<bool()> available;
        /// Starts the backend; null with a one-line explanation when it cannot.
        std::function<std::shared_ptr<PlatformBackend>(std::string& error)> start;
    };

    /// Adds a backend to the table; returns true so that a registrar can be a constant's initialiser.
    static bool Add(Entry entry);
    /// The names of the backends in the table, most preferred first.
    static std::vector<std::string> Names();

    /// The first call chooses and starts the backend and sets the clock to its mode; when none can
    /// start it prints one line on standard error and ends the process with status 2.
    static void EnsureStarted();
    /// The backend chosen for a TUNEWRIGHT_PLATFORM value ("" means auto), else empty with the reason.
    static std::string Choose(const std::string& setting, std::string& error);

    /// Installs a backend (replacing any): the component layer's own classes, then the backend's
    /// devices. Tests install their own machines this way; the clock is left as it is.
    static void Install(std::shared_ptr<PlatformBackend> backend);
    /// The backend installed, or null before any.
    static std::shared_ptr<PlatformBackend> Active();
};
