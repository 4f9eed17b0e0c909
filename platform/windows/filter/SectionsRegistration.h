#pragma once
// Registration of the sections filter for the current user only (HKCU, no
// administrator rights): the class with its in-process server, and an entry
// among the BDA transport information filters under the name the graph looks for.

#include <string>

#include "platform/windows/WindowsApi.h"

class SectionsRegistration {
public:
    /// Registers the server at `modulePath`. S_OK; S_FALSE when Microsoft's own filter is
    /// installed, so that only the class is registered and the graph keeps using the original.
    static HRESULT Register(const std::wstring& modulePath);
    /// Removes what Register wrote (missing keys are not an error).
    static HRESULT Unregister();
    /// Whether Microsoft's MPEG-2 Sections and Tables filter is registered on this machine.
    static bool OriginalInstalled();
};
