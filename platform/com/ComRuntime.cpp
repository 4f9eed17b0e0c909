#include "platform/com/ComRuntime.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/com/ClassRegistry.h"
#include "platform/com/PlatformBackends.h"

namespace {

thread_local int initialisations = 0;
std::atomic<long> liveBlocks{0};

// Each block carries its size in front, so that GetSize and Realloc work.
constexpr std::size_t kHeader = alignof(std::max_align_t);

std::size_t& SizeOf(void* block) { return *reinterpret_cast<std::size_t*>(static_cast<char*>(block) - kHeader); }

class TaskAllocator final : public IMalloc {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IMalloc) return E_NOINTERFACE;
        *object = static_cast<IMalloc*>(this);
        return S_OK;
    }
    // One allocator for the process's lifetime: not counted.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    void* Alloc(std::size_t size) override { return CoTaskMemAlloc(size); }
    void* Realloc(void* block, std::size_t size) override { return CoTaskMemRealloc(block, size); }
    void Free(void* block) override { CoTaskMemFree(block); }
    std::size_t GetSize(void* block) override { return block ? SizeOf(block) : static_cast<std::size_t>(-1); }
    int DidAlloc(void* block) override { return block ? -1 : 0; }
    void HeapMinimize() override {}
};

TaskAllocator taskAllocator;

}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD) {
    PlatformBackends::EnsureStarted();
    return initialisations++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initialisations > 0) --initialisations;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return ClassRegistry::Create(clsid, riid, object);
}

HRESULT CoGetMalloc(DWORD memoryContext, IMalloc** malloc) {
    if (!malloc) return E_POINTER;
    *malloc = nullptr;
    if (memoryContext != MEMCTX_TASK) return E_INVALIDARG;
    *malloc = &taskAllocator;
    return S_OK;
}

void* CoTaskMemAlloc(std::size_t size) {
    char* raw = static_cast<char*>(std::malloc(kHeader + size));
    if (!raw) return nullptr;
    ++liveBlocks;
    void* block = raw + kHeader;
    SizeOf(block) = size;
    return block;
}

void* CoTaskMemRealloc(void* block, std::size_t size) {
    if (!block) return CoTaskMemAlloc(size);
    char* raw = static_cast<char*>(std::realloc(static_cast<char*>(block) - kHeader, kHeader + size));
    if (!raw) return nullptr;
    void* moved = raw + kHeader;
    SizeOf(moved) = size;
    return moved;
}

void CoTaskMemFree(void* block) {
    if (!block) return;
    --liveBlocks;
    std::free(static_cast<char*>(block) - kHeader);
}

long CoTaskMemLiveCount() { return liveBlocks.load(); }
