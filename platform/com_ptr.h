// ComPtr: owns one reference to a COM-style interface. Copying adds a reference,
// destruction releases it; Attach/Detach move a reference in and out without counting.
#pragma once

#include <utility>

#include "platform/com.h"

namespace platform {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to `object`.
    explicit ComPtr(T* object) : m_object(object)
    {
        if (m_object) {
            m_object->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_object) {}
    ComPtr(ComPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* object)
    {
        ComPtr result;
        result.m_object = object;
        return result;
    }
    void Attach(T* object)
    {
        Reset();
        m_object = object;
    }
    [[nodiscard]] T* Detach() { return std::exchange(m_object, nullptr); }

    void Reset()
    {
        if (T* object = std::exchange(m_object, nullptr)) {
            object->Release();
        }
    }
    void Swap(ComPtr& other) noexcept { std::swap(m_object, other.m_object); }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // For out-parameters: releases what is held and hands out the slot.
    T** Put()
    {
        Reset();
        return &m_object;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // QueryInterface into another smart pointer.
    template <class U> StatusCode As(const IID& iid, ComPtr<U>* out) const
    {
        if (!m_object) {
            return E_POINTER;
        }
        return m_object->QueryInterface(iid, out->PutVoid());
    }

private:
    T* m_object = nullptr;
};

} // namespace platform
