#pragma once
// The program's entry: logging, start-up lines, build line, menu.

/// Runs the whole program; the exit status is always 0.
int ProgramEntry();
