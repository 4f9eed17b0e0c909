#pragma once
// DirectShow and BDA on Windows: filters, pins, media types, the filter graph
// manager, the system device enumerator, the DVB-T tuning model, the tuner's
// topology and signal statistics, from the SDK; with what mingw-w64 lacks
// declared beside it.

#include "platform/windows/WindowsCom.h"

#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>
#include <bdatypes.h>
#include <bdamedia.h>
#include <bdaiface.h>
#include <tuner.h>
#include <uuids.h>

#include "platform/windows/BdaCategories.h"
#include "platform/windows/GuideDataEvent.h"
#include "platform/windows/MediaType.h"
