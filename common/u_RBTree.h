// Red-black trees keyed by integers or by opaque key references, and a growable
// array of integer-sized values. These are the building blocks of the dictionaries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// Keys are pointer-sized so that one tree class can hold either signed integers
// (compared as such) or references to key records (compared by OnCompare).
using TRBKey = std::intptr_t;

enum TRBColor : std::uint8_t { rbRed = 0, rbBlack = 1 };

struct TRBNode {
    TRBColor Color;
    TRBKey Key;
    void* Data;
    TRBNode* Left;
    TRBNode* Right;
    TRBNode* Parent;
};

class TRBTree {
public:
    // Called for every node that leaves the tree (Delete, DeleteNode, Clear and the
    // destructor), before the node is freed. The tree never owns the data.
    using TDeleteNodeEvent = std::function<void(TRBTree& Tree, TRBKey Key, void* Data)>;

    TRBTree();
    virtual ~TRBTree();
    TRBTree(const TRBTree&) = delete;
    TRBTree& operator=(const TRBTree&) = delete;

    // The new node, or nullptr when a node with an equal key exists (nothing changes then).
    TRBNode* Add(TRBKey Key, void* Data);
    // The node holding Key in the subtree below StartNode, or the sentinel. Callers pass Root().
    virtual TRBNode* Find(TRBNode* StartNode, TRBKey Key) const;
    TRBNode* Find(TRBKey Key) const { return Find(FRoot, Key); }
    // True when a node was found and removed.
    bool Delete(TRBKey Key);
    // Removes Node (false for the sentinel). Any other node reference may be stale
    // afterwards: the surviving entry can have moved into the removed node's place.
    bool DeleteNode(TRBNode* Node);
    void Clear();

    // Leftmost node of the subtree below Node (the sentinel for an empty subtree).
    TRBNode* First(TRBNode* Node) const;
    TRBNode* First() const { return First(FRoot); }
    // In-order successor; the sentinel after the last node.
    TRBNode* Next(TRBNode* Node) const;

    std::int32_t Count() const noexcept { return FCount; }
    TRBNode* Root() const noexcept { return FRoot; }
    // The node that stands for every missing child and for the root's parent.
    TRBNode* Sentinel() const noexcept { return FNil; }
    bool IsSentinel(const TRBNode* Node) const noexcept { return Node == FNil; }

    TDeleteNodeEvent OnDeleteNode;

protected:
    // Descends from the root by key order and links Node under its parent. Returns
    // false and links nothing when a node with an equal key exists.
    virtual bool InsertPlacement(TRBNode* Node);
    void SetRoot(TRBNode* Node) noexcept { FRoot = Node; }

private:
    void RotateLeft(TRBNode* X);
    void RotateRight(TRBNode* X);
    void InsertFixup(TRBNode* X);
    void DeleteFixup(TRBNode* X);

    TRBNode* FRoot;
    std::unique_ptr<TRBNode> FSentinel;
    TRBNode* FNil;
    std::int32_t FCount = 0;
};

// A tree whose keys are ordered by OnCompare instead of by integer value.
class TCustomCompareRBTree : public TRBTree {
public:
    // Negative, zero or positive for less, equal, greater.
    using TCompareEvent = std::function<int(const TCustomCompareRBTree& Tree, TRBKey Key1, TRBKey Key2)>;

    // OnCompare starts as signed integer comparison.
    TCustomCompareRBTree();

    TRBNode* Find(TRBNode* StartNode, TRBKey Key) const override;
    using TRBTree::Find;

    TCompareEvent OnCompare;

protected:
    bool InsertPlacement(TRBNode* Node) override;
};

// A growable array of integer-sized values (integers or object references). Values
// are stored, never freed.
class TIntegerList {
public:
    using TItem = std::intptr_t;
    static constexpr std::int32_t MaxListSize = 134217727;

    TIntegerList() = default;
    TIntegerList(const TIntegerList& Other);
    TIntegerList& operator=(const TIntegerList& Other);
    TIntegerList(TIntegerList&& Other) noexcept;
    TIntegerList& operator=(TIntegerList&& Other) noexcept;
    ~TIntegerList() = default;

    // The index of the new value.
    std::int32_t Add(TItem Value);
    TItem Items(std::int32_t Index) const;
    TItem operator[](std::int32_t Index) const { return Items(Index); }
    void SetItem(std::int32_t Index, TItem Value);
    // Removes one value and shifts the rest down.
    void Delete(std::int32_t Index);
    void Clear();

    std::int32_t Count() const noexcept { return FCount; }
    // Growing fills with zeros, shrinking drops values from the end.
    void SetCount(std::int32_t NewCount);
    std::int32_t Capacity() const noexcept { return FCapacity; }
    void SetCapacity(std::int32_t NewCapacity);

    // The raw storage, Count() values in a row (for copying all values at once).
    const TItem* List() const noexcept { return FItems.get(); }
    const TItem* begin() const noexcept { return FItems.get(); }
    const TItem* end() const noexcept { return FItems.get() + FCount; }

private:
    void Grow();

    std::unique_ptr<TItem[]> FItems;
    std::int32_t FCount = 0;
    std::int32_t FCapacity = 0;
};
