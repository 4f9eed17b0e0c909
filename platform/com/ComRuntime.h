#pragma once
// The component runtime's entry points: apartment set-up, object creation over
// the class registry, and the task allocator.

#ifdef _WIN32
#include "platform/windows/WindowsCom.h"
#else

#include <cstddef>

#include "platform/Unknown.h"

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

constexpr DWORD MEMCTX_TASK = 1;

/// The first call of the process also starts the platform backend the runtime serves.
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, LPVOID* object);

inline constexpr IID IID_IMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IMalloc : IUnknown {
    static constexpr const IID& iid = IID_IMalloc;
    virtual void* Alloc(std::size_t size) = 0;
    virtual void* Realloc(void* block, std::size_t size) = 0;
    virtual void Free(void* block) = 0;
    virtual std::size_t GetSize(void* block) = 0;
    virtual int DidAlloc(void* block) = 0;
    virtual void HeapMinimize() = 0;
};

HRESULT CoGetMalloc(DWORD memoryContext, IMalloc** malloc);
void* CoTaskMemAlloc(std::size_t size);
void* CoTaskMemRealloc(void* block, std::size_t size);
void CoTaskMemFree(void* block);

/// Blocks from the task allocator not yet freed (tests use it to find leaks).
long CoTaskMemLiveCount();

#endif  // _WIN32
