// Small pieces of COM shared by the reader's engine host and its book protocol.
#pragma once

#include <windows.h>

#include <unknwn.h>

// A COM pointer that releases what it holds.
template <typename T>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() { Reset(); }
    void Reset() {
        if (FPointer) {
            T* pointer = FPointer;
            FPointer = nullptr;
            pointer->Release();
        }
    }
    T* Get() const { return FPointer; }
    T* operator->() const { return FPointer; }
    explicit operator bool() const { return FPointer != nullptr; }
    T** Out() {
        Reset();
        return &FPointer;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    template <typename U>
    HRESULT As(TComPtr<U>& Other, REFIID Iid) const {
        return FPointer ? FPointer->QueryInterface(Iid, Other.OutVoid()) : E_POINTER;
    }

private:
    T* FPointer = nullptr;
};

// The reference count of the reader's COM objects: each comes with one reference and
// is deleted with its last.
template <typename... Interfaces>
class TComObject : public Interfaces... {
public:
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&FReferences); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&FReferences);
        if (!left)
            delete this;
        return left;
    }

protected:
    virtual ~TComObject() = default;

private:
    LONG FReferences = 1;
};
