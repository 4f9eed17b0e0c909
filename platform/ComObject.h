#pragma once
// Implementation base for objects that offer counted interfaces: a real atomic
// reference count, QueryInterface over the listed interfaces, and a count of
// live objects so that tests can find leaked references.

#ifdef _WIN32
#include "platform/windows/ComObject.h"
#else

#include <atomic>

#include "platform/Unknown.h"

/// Number of counted objects alive in the process (all implementations that derive from ComObject).
long ComLiveObjectCount();

namespace platform_detail {
void ComObjectCreated();
void ComObjectDestroyed();
}  // namespace platform_detail

template <class... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() { platform_detail::ComObjectCreated(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            (void)((riid == Interfaces::iid ? (*object = static_cast<Interfaces*>(this), true) : false) || ...);
        }
        if (!*object) *object = QueryOtherInterface(riid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++references); }
    ULONG Release() override {
        long left = --references;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    /// The object as its first interface, which is also its IUnknown identity.
    IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

protected:
    ~ComObject() override { platform_detail::ComObjectDestroyed(); }
    /// Base interfaces of the listed ones (IFilterGraph behind IGraphBuilder, say) are answered here.
    virtual void* QueryOtherInterface(REFIID) { return nullptr; }

private:
    template <class F, class...>
    struct FirstOf {
        using type = F;
    };
    using First = typename FirstOf<Interfaces...>::type;
    std::atomic<long> references{0};
};

/// Creates an object with one reference owned by the caller.
template <class T, class... Args>
T* NewComObject(Args&&... args) {
    T* object = new T(static_cast<Args&&>(args)...);
    object->AddRef();
    return object;
}

#endif  // _WIN32
