#include "u_Dictionary.h"

#include "u_CaseBlind.h"

const char* const SDictionaryDuplicateKey = "%s - element \"%s\" is already in collection";
const char* const SDictionaryKeyNotFound = "%s - element \"%s\" not found in collection";

// ---------------------------------------------------------------------------
// TDictionary

TDictionary::TDictionary(bool IgnoreCase, bool Sorted) : FIgnoreCase(IgnoreCase), FSorted(Sorted) {
    if (IgnoreCase)
        FKeyTree.OnCompare = [](const TCustomCompareRBTree&, TRBKey a, TRBKey b) {
            return CompareTextCaseBlind(reinterpret_cast<const TKeyRef*>(a)->Text,
                                        reinterpret_cast<const TKeyRef*>(b)->Text);
        };
    else
        FKeyTree.OnCompare = [](const TCustomCompareRBTree&, TRBKey a, TRBKey b) {
            return CompareTextOrdinal(reinterpret_cast<const TKeyRef*>(a)->Text,
                                      reinterpret_cast<const TKeyRef*>(b)->Text);
        };
    FKeyTree.OnDeleteNode = [this](TRBTree&, TRBKey Key, void* Data) { KeyTreeDeleteNode(Key, Data); };
    if (!Sorted)
        FOrderTree = std::make_unique<TRBTree>();
}

TDictionary::~TDictionary() {
    // Derived classes that free values on notification clear in their own destructor.
    Clear();
}

void TDictionary::Notify(std::string_view, TValue, TDictionaryAction) {}

void TDictionary::KeyTreeDeleteNode(TRBKey Key, void* Data) {
    std::unique_ptr<TKeyRecord> record(reinterpret_cast<TKeyRecord*>(Key));
    if (FOrderTree)
        FOrderTree->Delete(record->Number);
    Notify(record->Storage, Data, daDeleted);
}

TRBNode* TDictionary::FindNode(std::string_view Key) const {
    TKeyRef ref{Key};
    TRBNode* node = FKeyTree.Find(reinterpret_cast<TRBKey>(&ref));
    return FKeyTree.IsSentinel(node) ? nullptr : node;
}

std::unique_ptr<TDictionary::TKeyRecord> TDictionary::NewKeyRecord(std::string_view Key) {
    auto record = std::make_unique<TKeyRecord>();
    record->Storage.assign(Key);
    record->Text = record->Storage;
    record->Number = FNextNumber++;
    return record;
}

void TDictionary::InsertRecord(std::unique_ptr<TKeyRecord> Record, TValue Value) {
    const std::int32_t number = Record->Number;
    if (FKeyTree.Add(reinterpret_cast<TRBKey>(Record.get()), Value) == nullptr)
        throw EDictionaryError(
            Format(SDictionaryDuplicateKey, "TDictionary.Add", std::string(Record->Storage)));
    TKeyRecord* record = Record.release();
    if (FOrderTree)
        FOrderTree->Add(number, record);
}

void TDictionary::Add(std::string_view Key, TValue Value) {
    InsertRecord(NewKeyRecord(Key), Value);
    Notify(Key, Value, daAdded);
}

bool TDictionary::Exists(std::string_view Key) const {
    return FindNode(Key) != nullptr;
}

TDictionary::TValue TDictionary::Get_Item(std::string_view Key) const {
    TRBNode* node = FindNode(Key);
    if (node == nullptr)
        throw EDictionaryError(Format(SDictionaryKeyNotFound, "TDictionary.Get_Item", std::string(Key)));
    return node->Data;
}

void TDictionary::Set_Item(std::string_view Key, TValue Value) {
    auto record = NewKeyRecord(Key);
    TRBNode* node = FindNode(Key);
    if (node == nullptr) {
        InsertRecord(std::move(record), Value);
    } else {
        record.reset();
        void* previous = node->Data;
        node->Data = Value;
        Notify(Key, previous, daDeleted);
    }
    Notify(Key, Value, daAdded);
}

TDictionary::TValue TDictionary::GetItemDef(std::string_view Key, TValue Default) const {
    TRBNode* node = FindNode(Key);
    return node == nullptr ? Default : node->Data;
}

void TDictionary::Delete(std::string_view Key) {
    TRBNode* node = FindNode(Key);
    if (node == nullptr)
        throw EDictionaryError(Format(SDictionaryKeyNotFound, "TDictionary.Delete", std::string(Key)));
    FKeyTree.DeleteNode(node);
}

void TDictionary::Clear() {
    // The order tree goes first so that the removal handler finds nothing to unlink.
    if (FOrderTree)
        FOrderTree->Clear();
    FKeyTree.Clear();
    FNextNumber = 0;
}

void TDictionary::ForEach(const TEntryProc& Proc) const {
    if (FOrderTree) {
        for (TRBNode* n = FOrderTree->First(); !FOrderTree->IsSentinel(n); n = FOrderTree->Next(n)) {
            auto* record = static_cast<TKeyRecord*>(n->Data);
            TRBNode* entry = FKeyTree.Find(reinterpret_cast<TRBKey>(record));
            Proc(record->Storage, entry->Data);
        }
    } else {
        for (TRBNode* n = FKeyTree.First(); !FKeyTree.IsSentinel(n); n = FKeyTree.Next(n))
            Proc(reinterpret_cast<TKeyRecord*>(n->Key)->Storage, n->Data);
    }
}

std::vector<std::string> TDictionary::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(static_cast<size_t>(Count()));
    ForEach([&](const std::string& Key, TValue) { keys.push_back(Key); });
    return keys;
}

TIntegerList TDictionary::Values() const {
    TIntegerList values;
    values.SetCapacity(Count());
    ForEach(
        [&](const std::string&, TValue Value) { values.Add(reinterpret_cast<TIntegerList::TItem>(Value)); });
    return values;
}

const std::string* TDictionary::StoredKey(std::string_view Key) const {
    TRBNode* node = FindNode(Key);
    return node == nullptr ? nullptr : &reinterpret_cast<TKeyRecord*>(node->Key)->Storage;
}

// ---------------------------------------------------------------------------
// TStringToStringDictionary

TStringToStringDictionary::TStringToStringDictionary(bool IgnoreCase, bool Sorted)
    : TDictionary(IgnoreCase, Sorted) {}

TStringToStringDictionary::~TStringToStringDictionary() {
    // Here, not in the base destructor, so that Notify still frees the strings.
    Clear();
}

void TStringToStringDictionary::Notify(std::string_view, TValue Value, TDictionaryAction Action) {
    if (Action == daDeleted)
        delete static_cast<std::string*>(Value);
}

void TStringToStringDictionary::AddString(std::string_view Key, std::string_view Value) {
    auto copy = std::make_unique<std::string>(Value);
    try {
        Add(Key, copy.get());
        copy.release();
    } catch (const EDictionaryError&) {
        // An existing key keeps its value.
    }
}

const std::string& TStringToStringDictionary::GetString(std::string_view Key) const {
    return *static_cast<const std::string*>(Get_Item(Key));
}

std::string TStringToStringDictionary::GetStringDef(std::string_view Key, std::string_view Default) const {
    const auto* value = static_cast<const std::string*>(GetItemDef(Key, nullptr));
    return value == nullptr ? std::string(Default) : *value;
}

void TStringToStringDictionary::SetString(std::string_view Key, std::string_view Value) {
    auto copy = std::make_unique<std::string>(Value);
    Set_Item(Key, copy.get());
    copy.release();
}

void TStringToStringDictionary::ForEachString(const TStringProc& Proc) const {
    ForEach(
        [&](const std::string& Key, TValue Value) { Proc(Key, *static_cast<const std::string*>(Value)); });
}
