#include "console/ProgramEntry.h"

#include <ctime>

#include "console/MainMenu.h"
#include "logging/GlobalLogs.h"
#include "scan/BDAChannelScan.h"

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

    // A run that ends because there was no card to select did not do its work: scripts must
    // see it. Leaving the selection (Exit, end of input) is the user's choice and stays 0.
    int status = RunMainMenu() == 1 && menuEngine && menuEngine->cardCollection.cards.empty() ? 1 : 0;

    mainLog.RemoveCallback(writerId);
    mainLog.RemoveCallback(consoleId);
    return status;
}
