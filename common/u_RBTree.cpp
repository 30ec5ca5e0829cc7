#include "u_RBTree.h"

#include "u_Exception.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// TRBTree

TRBTree::TRBTree() : FSentinel(std::make_unique<TRBNode>()) {
    FNil = FSentinel.get();
    *FNil = TRBNode{rbBlack, 0, nullptr, FNil, FNil, FNil};
    FRoot = FNil;
}

TRBTree::~TRBTree() {
    // Handlers may refer to the derived object, which is gone by now; derived
    // classes that rely on the notification clear the tree in their own destructor.
    Clear();
}

bool TRBTree::InsertPlacement(TRBNode* Node) {
    TRBNode* parent = FNil;
    TRBNode* x = FRoot;
    while (x != FNil) {
        parent = x;
        if (Node->Key < x->Key)
            x = x->Left;
        else if (Node->Key > x->Key)
            x = x->Right;
        else
            return false;
    }
    Node->Parent = parent;
    if (parent == FNil)
        FRoot = Node;
    else if (Node->Key < parent->Key)
        parent->Left = Node;
    else
        parent->Right = Node;
    return true;
}

TRBNode* TRBTree::Find(TRBNode* StartNode, TRBKey Key) const {
    TRBNode* x = StartNode;
    while (x != FNil) {
        if (Key < x->Key)
            x = x->Left;
        else if (Key > x->Key)
            x = x->Right;
        else
            return x;
    }
    return FNil;
}

void TRBTree::RotateLeft(TRBNode* X) {
    TRBNode* y = X->Right;
    X->Right = y->Left;
    if (y->Left != FNil)
        y->Left->Parent = X;
    y->Parent = X->Parent;
    if (X->Parent == FNil)
        FRoot = y;
    else if (X == X->Parent->Left)
        X->Parent->Left = y;
    else
        X->Parent->Right = y;
    y->Left = X;
    X->Parent = y;
}

void TRBTree::RotateRight(TRBNode* X) {
    TRBNode* y = X->Left;
    X->Left = y->Right;
    if (y->Right != FNil)
        y->Right->Parent = X;
    y->Parent = X->Parent;
    if (X->Parent == FNil)
        FRoot = y;
    else if (X == X->Parent->Right)
        X->Parent->Right = y;
    else
        X->Parent->Left = y;
    y->Right = X;
    X->Parent = y;
}

void TRBTree::InsertFixup(TRBNode* X) {
    while (X != FRoot && X->Parent->Color == rbRed) {
        TRBNode* grand = X->Parent->Parent;
        if (X->Parent == grand->Left) {
            TRBNode* uncle = grand->Right;
            if (uncle->Color == rbRed) {
                X->Parent->Color = rbBlack;
                uncle->Color = rbBlack;
                grand->Color = rbRed;
                X = grand;
            } else {
                if (X == X->Parent->Right) {
                    X = X->Parent;
                    RotateLeft(X);
                }
                X->Parent->Color = rbBlack;
                X->Parent->Parent->Color = rbRed;
                RotateRight(X->Parent->Parent);
            }
        } else {
            TRBNode* uncle = grand->Left;
            if (uncle->Color == rbRed) {
                X->Parent->Color = rbBlack;
                uncle->Color = rbBlack;
                grand->Color = rbRed;
                X = grand;
            } else {
                if (X == X->Parent->Left) {
                    X = X->Parent;
                    RotateRight(X);
                }
                X->Parent->Color = rbBlack;
                X->Parent->Parent->Color = rbRed;
                RotateLeft(X->Parent->Parent);
            }
        }
    }
    FRoot->Color = rbBlack;
}

TRBNode* TRBTree::Add(TRBKey Key, void* Data) {
    auto node = std::make_unique<TRBNode>(TRBNode{rbRed, Key, Data, FNil, FNil, FNil});
    if (!InsertPlacement(node.get()))
        return nullptr;
    TRBNode* x = node.release();
    InsertFixup(x);
    ++FCount;
    return x;
}

void TRBTree::DeleteFixup(TRBNode* X) {
    while (X != FRoot && X->Color == rbBlack) {
        if (X == X->Parent->Left) {
            TRBNode* w = X->Parent->Right;
            if (w->Color == rbRed) {
                w->Color = rbBlack;
                X->Parent->Color = rbRed;
                RotateLeft(X->Parent);
                w = X->Parent->Right;
            }
            if (w->Left->Color == rbBlack && w->Right->Color == rbBlack) {
                w->Color = rbRed;
                X = X->Parent;
            } else {
                if (w->Right->Color == rbBlack) {
                    w->Left->Color = rbBlack;
                    w->Color = rbRed;
                    RotateRight(w);
                    w = X->Parent->Right;
                }
                w->Color = X->Parent->Color;
                X->Parent->Color = rbBlack;
                w->Right->Color = rbBlack;
                RotateLeft(X->Parent);
                X = FRoot;
            }
        } else {
            TRBNode* w = X->Parent->Left;
            if (w->Color == rbRed) {
                w->Color = rbBlack;
                X->Parent->Color = rbRed;
                RotateRight(X->Parent);
                w = X->Parent->Left;
            }
            if (w->Right->Color == rbBlack && w->Left->Color == rbBlack) {
                w->Color = rbRed;
                X = X->Parent;
            } else {
                if (w->Left->Color == rbBlack) {
                    w->Right->Color = rbBlack;
                    w->Color = rbRed;
                    RotateLeft(w);
                    w = X->Parent->Left;
                }
                w->Color = X->Parent->Color;
                X->Parent->Color = rbBlack;
                w->Left->Color = rbBlack;
                RotateRight(X->Parent);
                X = FRoot;
            }
        }
    }
    X->Color = rbBlack;
}

bool TRBTree::DeleteNode(TRBNode* Node) {
    if (Node == nullptr || Node == FNil)
        return false;
    if (OnDeleteNode)
        OnDeleteNode(*this, Node->Key, Node->Data);

    TRBNode* y = (Node->Left == FNil || Node->Right == FNil) ? Node : Next(Node);
    TRBNode* x = (y->Left != FNil) ? y->Left : y->Right;
    // The sentinel's parent link is set too: the fix-up walks up from x.
    x->Parent = y->Parent;
    if (y->Parent == FNil)
        FRoot = x;
    else if (y == y->Parent->Left)
        y->Parent->Left = x;
    else
        y->Parent->Right = x;
    if (y != Node) {
        Node->Key = y->Key;
        Node->Data = y->Data;
    }
    if (y->Color == rbBlack)
        DeleteFixup(x);
    // The sentinel may have picked up links during the fix-up; restore it.
    FNil->Parent = FNil;
    FNil->Left = FNil;
    FNil->Right = FNil;
    FNil->Color = rbBlack;
    delete y;
    --FCount;
    return true;
}

bool TRBTree::Delete(TRBKey Key) {
    return DeleteNode(Find(FRoot, Key));
}

void TRBTree::Clear() {
    // Post-order walk without recursion (the tree depth is logarithmic, but the
    // walk needs no stack at all this way): descend, and free a node once both of
    // its subtrees are gone.
    TRBNode* x = FRoot;
    FRoot = FNil;
    while (x != FNil) {
        if (x->Left != FNil) {
            x = x->Left;
        } else if (x->Right != FNil) {
            x = x->Right;
        } else {
            TRBNode* parent = x->Parent;
            if (parent != FNil) {
                if (parent->Left == x)
                    parent->Left = FNil;
                else
                    parent->Right = FNil;
            }
            if (OnDeleteNode)
                OnDeleteNode(*this, x->Key, x->Data);
            delete x;
            x = parent;
        }
    }
    FCount = 0;
}

TRBNode* TRBTree::First(TRBNode* Node) const {
    if (Node == nullptr || Node == FNil)
        return FNil;
    while (Node->Left != FNil)
        Node = Node->Left;
    return Node;
}

TRBNode* TRBTree::Next(TRBNode* Node) const {
    if (Node == nullptr || Node == FNil)
        return FNil;
    if (Node->Right != FNil)
        return First(Node->Right);
    TRBNode* parent = Node->Parent;
    while (parent != FNil && Node == parent->Right) {
        Node = parent;
        parent = parent->Parent;
    }
    return parent;
}

// ---------------------------------------------------------------------------
// TCustomCompareRBTree

TCustomCompareRBTree::TCustomCompareRBTree() {
    OnCompare = [](const TCustomCompareRBTree&, TRBKey a, TRBKey b) { return a > b ? 1 : (a < b ? -1 : 0); };
}

bool TCustomCompareRBTree::InsertPlacement(TRBNode* Node) {
    TRBNode* nil = Sentinel();
    TRBNode* parent = nil;
    TRBNode* x = Root();
    int c = 0;
    while (x != nil) {
        parent = x;
        c = OnCompare(*this, Node->Key, x->Key);
        if (c < 0)
            x = x->Left;
        else if (c > 0)
            x = x->Right;
        else
            return false;
    }
    Node->Parent = parent;
    if (parent == nil)
        SetRoot(Node);
    else if (c < 0)
        parent->Left = Node;
    else
        parent->Right = Node;
    return true;
}

TRBNode* TCustomCompareRBTree::Find(TRBNode* StartNode, TRBKey Key) const {
    TRBNode* nil = Sentinel();
    TRBNode* x = StartNode;
    while (x != nil) {
        const int c = OnCompare(*this, Key, x->Key);
        if (c < 0)
            x = x->Left;
        else if (c > 0)
            x = x->Right;
        else
            return x;
    }
    return nil;
}

// ---------------------------------------------------------------------------
// TIntegerList

namespace {
const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SListCountError = "List count out of bounds (%d)";
} // namespace

TIntegerList::TIntegerList(const TIntegerList& Other) {
    *this = Other;
}

TIntegerList& TIntegerList::operator=(const TIntegerList& Other) {
    if (this != &Other) {
        Clear();
        SetCapacity(Other.FCount);
        if (Other.FCount > 0)
            std::memcpy(FItems.get(), Other.FItems.get(), sizeof(TItem) * static_cast<size_t>(Other.FCount));
        FCount = Other.FCount;
    }
    return *this;
}

TIntegerList::TIntegerList(TIntegerList&& Other) noexcept
    : FItems(std::move(Other.FItems)), FCount(Other.FCount), FCapacity(Other.FCapacity) {
    Other.FCount = 0;
    Other.FCapacity = 0;
}

TIntegerList& TIntegerList::operator=(TIntegerList&& Other) noexcept {
    if (this != &Other) {
        FItems = std::move(Other.FItems);
        FCount = Other.FCount;
        FCapacity = Other.FCapacity;
        Other.FCount = 0;
        Other.FCapacity = 0;
    }
    return *this;
}

void TIntegerList::Grow() {
    std::int32_t delta;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity > 8)
        delta = 16;
    else
        delta = 4;
    const std::int64_t wanted = std::min<std::int64_t>(std::int64_t{FCapacity} + delta, MaxListSize);
    // At the limit, ask for one more so that SetCapacity reports the overflow.
    SetCapacity(wanted > FCapacity ? static_cast<std::int32_t>(wanted) : FCapacity + 1);
}

std::int32_t TIntegerList::Add(TItem Value) {
    if (FCount == FCapacity)
        Grow();
    FItems[FCount] = Value;
    return FCount++;
}

TIntegerList::TItem TIntegerList::Items(std::int32_t Index) const {
    if (Index < 0 || Index >= FCount)
        throw EListError(Format(SListIndexError, Index));
    return FItems[Index];
}

void TIntegerList::SetItem(std::int32_t Index, TItem Value) {
    if (Index < 0 || Index >= FCount)
        throw EListError(Format(SListIndexError, Index));
    FItems[Index] = Value;
}

void TIntegerList::Delete(std::int32_t Index) {
    if (Index < 0 || Index >= FCount)
        throw EListError(Format(SListIndexError, Index));
    --FCount;
    if (Index < FCount)
        std::memmove(&FItems[Index], &FItems[Index + 1], sizeof(TItem) * static_cast<size_t>(FCount - Index));
}

void TIntegerList::Clear() {
    FItems.reset();
    FCount = 0;
    FCapacity = 0;
}

void TIntegerList::SetCapacity(std::int32_t NewCapacity) {
    if (NewCapacity < FCount || NewCapacity > MaxListSize)
        throw EListError(Format(SListCapacityError, NewCapacity));
    if (NewCapacity == FCapacity)
        return;
    std::unique_ptr<TItem[]> items;
    if (NewCapacity > 0) {
        items = std::make_unique<TItem[]>(static_cast<size_t>(NewCapacity));
        if (FCount > 0)
            std::memcpy(items.get(), FItems.get(), sizeof(TItem) * static_cast<size_t>(FCount));
    }
    FItems = std::move(items);
    FCapacity = NewCapacity;
}

void TIntegerList::SetCount(std::int32_t NewCount) {
    if (NewCount < 0 || NewCount > MaxListSize)
        throw EListError(Format(SListCountError, NewCount));
    if (NewCount > FCapacity)
        SetCapacity(NewCount);
    if (NewCount > FCount)
        std::fill(&FItems[FCount], &FItems[0] + NewCount, TItem{0});
    FCount = NewCount;
}
