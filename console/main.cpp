#include "console/ProgramEntry.h"

int main() { return ProgramEntry(); }
