// Compiled for 32-bit Windows as a syntax check only: there COM methods are
// __stdcall, and every method the project implements must say so to override.
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sections/SectionList.h"
#include "platform/windows/filter/SectionsFilter.h"
#include "scan/BDAChannelScan.h"
