#pragma once
// The component runtime on Windows: apartments, object creation, the task
// allocator, monikers and bind contexts, the running object table, BSTR and
// VARIANT, and connection points, all from the SDK.

#include "platform/windows/WindowsApi.h"

#include <objbase.h>
#include <objidl.h>
#include <oaidl.h>
#include <ocidl.h>
#include <oleauto.h>
