#pragma once
// The program's entry: logging, start-up lines, build line, menu.

/// Runs the whole program; the exit status is 1 when no card was found, else 0.
int ProgramEntry();
