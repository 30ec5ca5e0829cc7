// A string-keyed dictionary of objects that may own them.
#pragma once

#include "u_Dictionary.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

template <class T>
class TObjectDictionary {
public:
    // An owning dictionary deletes its objects when they are deleted, replaced or
    // cleared, and when the dictionary is destroyed.
    TObjectDictionary(bool IgnoreCase, bool Sorted, bool OwnsObjects)
        : FDictionary(IgnoreCase, Sorted), FOwnsObjects(OwnsObjects) {}
    ~TObjectDictionary() { Clear(); }
    TObjectDictionary(const TObjectDictionary&) = delete;
    TObjectDictionary& operator=(const TObjectDictionary&) = delete;

    // Raises EDictionaryError when the key exists; the object is then not taken.
    void Add(std::string_view Key, T* Object) { FDictionary.Add(Key, Object); }
    // As Add; the dictionary takes the object only when the add succeeds.
    void Add(std::string_view Key, std::unique_ptr<T> Object) {
        FDictionary.Add(Key, Object.get());
        Object.release();
    }
    // The object or nullptr; never raises.
    T* Find(std::string_view Key) const { return static_cast<T*>(FDictionary.GetItemDef(Key, nullptr)); }
    bool Exists(std::string_view Key) const { return FDictionary.Exists(Key); }
    // Adds or replaces; an owning dictionary deletes the object it held under the key.
    // Storing the very object the key already holds changes nothing.
    void Set_Item(std::string_view Key, T* Object) {
        T* previous = Find(Key);
        if (previous == Object && previous != nullptr)
            return;
        FDictionary.Set_Item(Key, Object);
        if (FOwnsObjects)
            delete previous;
    }
    void Set_Item(std::string_view Key, std::unique_ptr<T> Object) { Set_Item(Key, Object.release()); }
    // Removes the entry (deleting its object when owning); a missing key is ignored.
    void Delete(std::string_view Key) {
        if (!FDictionary.Exists(Key))
            return;
        T* object = Find(Key);
        FDictionary.Delete(Key);
        if (FOwnsObjects)
            delete object;
    }
    // Removes the entry without deleting its object and hands the object back;
    // nullptr when the key is missing.
    T* Extract(std::string_view Key) {
        if (!FDictionary.Exists(Key))
            return nullptr;
        T* object = Find(Key);
        FDictionary.Delete(Key);
        return object;
    }
    // Deletes every object when owning (in iteration order), then removes every entry.
    void Clear() {
        if (FOwnsObjects) {
            const std::vector<T*> objects = Values();
            FDictionary.Clear();
            for (T* object : objects)
                delete object;
        } else {
            FDictionary.Clear();
        }
    }
    std::int32_t Count() const noexcept { return FDictionary.Count(); }
    // A new, non-owning list of the objects in iteration order.
    std::vector<T*> Values() const {
        std::vector<T*> values;
        values.reserve(static_cast<size_t>(Count()));
        FDictionary.ForEach(
            [&](const std::string&, TDictionary::TValue Value) { values.push_back(static_cast<T*>(Value)); });
        return values;
    }
    // The keys as first stored, in iteration order.
    std::vector<std::string> Keys() const { return FDictionary.Keys(); }
    // Calls Proc(key, object) for every entry in iteration order; Proc must not change the dictionary.
    template <class F>
    void ForEach(F&& Proc) const {
        FDictionary.ForEach(
            [&](const std::string& Key, TDictionary::TValue Value) { Proc(Key, static_cast<T*>(Value)); });
    }

    bool OwnsObjects() const noexcept { return FOwnsObjects; }
    const TDictionary& Dictionary() const noexcept { return FDictionary; }

private:
    TDictionary FDictionary;
    bool FOwnsObjects;
};
