#pragma once
// The main menu: the coloured screen, reading and checking a choice, and dispatch.

#include <string>

class BDAChannelScan;

/// What a menu word selects: an item number, or why it selects none.
struct MenuChoice {
    enum class Kind { Item, Invalid, OutOfRange, EndOfInput } kind;
    int item;
};

/// A word of digits is an item (any value, capped so that nothing overflows); any other word is invalid.
MenuChoice ParseMenuChoice(const std::string& word);
/// Reads one whitespace-delimited word from standard input and parses it.
MenuChoice ReadMenuChoice();
/// Draws the menu screen for the engine's two switches.
void DrawMainMenu(int verbose, int lockDetectionMode);
/// Carries out one choice; false when the menu should end.
bool DispatchMenuChoice(BDAChannelScan& engine, const MenuChoice& choice);
/// Creates the engine, selects a card and runs the menu until Exit; 1 when no card was selected.
int RunMainMenu();

/// The engine of the last RunMainMenu, kept for the rest of the process.
extern BDAChannelScan* menuEngine;
