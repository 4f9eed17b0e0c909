#include "console/ProgramEntry.h"

#include <ctime>

#include "console/MainMenu.h"
#include "logging/GlobalLogs.h"

int ProgramEntry() {
    std::time_t now = std::time(nullptr);
    logWriter.SetFilename(L"Tunewright.log");
    int writerId = mainLog.AddCallback(&logWriter);
    int consoleId = mainLog.AddCallback(&consoleOutput);

    (mainLog << "\n").Write();
    (mainLog << "\n").Write();
    (mainLog << "-----------------------\n").Write();
    (mainLog << "Tunewright starting\n").Write();
    // Without a local time the date line is left out rather than formatting from nothing.
    if (const std::tm* local = std::localtime(&now)) {
        char date[64];
        if (std::strftime(date, sizeof date, "%a %b %d %H:%M:%S %Y\n", local) > 0) (mainLog << date).Write();
    }
    (mainLog << "\n").Write();
    mainLog.WriteBuildVersion();

    RunMainMenu();

    mainLog.RemoveCallback(writerId);
    mainLog.RemoveCallback(consoleId);
    return 0;
}
