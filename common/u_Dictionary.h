// String-keyed dictionaries on top of the red-black tree. Lookups are by key only;
// entries are listed in key order (Sorted) or in insertion order (not Sorted).
#pragma once

#include "u_Exception.h"
#include "u_RBTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class EDictionaryError : public Exception {
public:
    using Exception::Exception;
};

// Message texts of the dictionaries; the first %s is the operation, the second the key.
extern const char* const SDictionaryDuplicateKey; // "%s - element \"%s\" is already in collection"
extern const char* const SDictionaryKeyNotFound;  // "%s - element \"%s\" not found in collection"

enum TDictionaryAction : std::uint8_t { daAdded = 0, daDeleted = 2 };

class TDictionary {
public:
    using TValue = void*;
    using TEntryProc = std::function<void(const std::string& Key, TValue Value)>;

    // IgnoreCase: keys compare through CompareTextCaseBlind (keys differing only in
    // letter case are one key); otherwise byte by byte as unsigned values.
    // Sorted: entries are listed in key order; otherwise in insertion order.
    TDictionary(bool IgnoreCase, bool Sorted);
    virtual ~TDictionary();
    TDictionary(const TDictionary&) = delete;
    TDictionary& operator=(const TDictionary&) = delete;

    // Raises EDictionaryError when the key exists.
    void Add(std::string_view Key, TValue Value);
    bool Exists(std::string_view Key) const;
    // Raises EDictionaryError when there is no such key.
    TValue Get_Item(std::string_view Key) const;
    // Adds the entry or replaces the value of the existing one, which keeps its
    // stored key spelling and its place in insertion order.
    void Set_Item(std::string_view Key, TValue Value);
    TValue GetItemDef(std::string_view Key, TValue Default) const;
    // Raises EDictionaryError when there is no such key.
    void Delete(std::string_view Key);
    void Clear();
    std::int32_t Count() const noexcept { return FKeyTree.Count(); }

    // The key texts as first stored, in iteration order.
    std::vector<std::string> Keys() const;
    // The values in iteration order.
    TIntegerList Values() const;
    // Calls Proc for every entry in iteration order. Proc must not change the dictionary.
    void ForEach(const TEntryProc& Proc) const;
    // The stored spelling of Key (its first spelling), or nullptr when missing.
    const std::string* StoredKey(std::string_view Key) const;

    bool IgnoreCase() const noexcept { return FIgnoreCase; }
    bool Sorted() const noexcept { return FSorted; }

protected:
    // Called after an entry was added or its value stored (daAdded) and when an entry
    // or a replaced value leaves the dictionary (daDeleted). The base does nothing.
    virtual void Notify(std::string_view Key, TValue Value, TDictionaryAction Action);

private:
    struct TKeyRef {
        std::string_view Text;
    };
    struct TKeyRecord : TKeyRef {
        std::string Storage;
        std::int32_t Number = 0;
    };

    TRBNode* FindNode(std::string_view Key) const;
    std::unique_ptr<TKeyRecord> NewKeyRecord(std::string_view Key);
    void InsertRecord(std::unique_ptr<TKeyRecord> Record, TValue Value);
    void KeyTreeDeleteNode(TRBKey Key, void* Data);

    bool FIgnoreCase;
    bool FSorted;
    TCustomCompareRBTree FKeyTree;
    std::unique_ptr<TRBTree> FOrderTree;
    std::int32_t FNextNumber = 0;
};

// Values are owned strings.
class TStringToStringDictionary : public TDictionary {
public:
    using TStringProc = std::function<void(const std::string& Key, const std::string& Value)>;

    TStringToStringDictionary(bool IgnoreCase, bool Sorted);
    ~TStringToStringDictionary() override;

    // Adds a copy of Value; when the key exists nothing changes and nothing is reported.
    void AddString(std::string_view Key, std::string_view Value);
    // Raises EDictionaryError as Get_Item does. The reference stays valid until the
    // entry is replaced or removed.
    const std::string& GetString(std::string_view Key) const;
    std::string GetStringDef(std::string_view Key, std::string_view Default) const;
    // Adds or replaces.
    void SetString(std::string_view Key, std::string_view Value);
    // Calls Proc for every entry in iteration order.
    void ForEachString(const TStringProc& Proc) const;

    // The inherited untyped operations take and give std::string* values that the
    // dictionary owns once stored.

protected:
    void Notify(std::string_view Key, TValue Value, TDictionaryAction Action) override;
};
