#pragma once
// CPoolList: the intrusive doubly linked list of the program. Records begin with the node
// header (derive from PoolNode); nodes are zeroed raw memory of the list's node size, so
// records must be plain (trivially constructible) types. A pooled list hands out nodes
// from blocks and releases them all at once in RemoveAll.

#include <cstdint>

namespace ob7 {

struct PoolNode {
    PoolNode* next;      // null at the tail
    PoolNode* previous;  // null at the head
    int32_t kind;        // given at allocation; -1 once deleted
};

// While 1, Add (and NewNode) of every list adds at the head; otherwise at the tail.
// A caller that sets 1 restores 2.
extern int ListInsertMode;
void SetListInsertMode(int mode);

class CPoolList {
public:
    using DestroyFn = void (*)(PoolNode* node);

    PoolNode* head;
    PoolNode* tail;
    int32_t nodeSize;        // set by the owner after Init
    int32_t count;
    DestroyFn destroy;       // runs for every node the list removes; may be null
    int32_t pooled;
    int32_t nodesPerBlock;
    int32_t blockCount;
    int32_t usedInLastBlock;
    char** blocks;           // owned table of block pointers

    // Empty, not pooled, node size 0, no callback, 100 nodes per block.
    void Init();
    // Pooled blocks of n nodes; call on an empty list before the first allocation.
    void SetPooled(int32_t nodesPerBlockCount);

    // A zeroed node with its kind set, not linked; null when memory is exhausted.
    PoolNode* AllocNode(int32_t kind);
    // AllocNode, then Add.
    PoolNode* NewNode(int32_t kind);
    template <class T>
    T* New(int32_t kind) { return static_cast<T*>(NewNode(kind)); }

    PoolNode* Add(PoolNode* node);  // head while ListInsertMode is 1, else tail
    PoolNode* AddHead(PoolNode* node);
    PoolNode* AddTail(PoolNode* node);
    PoolNode* InsertBefore(PoolNode* position, PoolNode* node);  // null position: head
    PoolNode* InsertAfter(PoolNode* position, PoolNode* node);   // null position: tail

    // Unlinks without destroying; returns the successor. The node keeps its own links.
    PoolNode* Unlink(PoolNode* node);
    // Unlinks, runs the callback, marks kind -1 and frees (unless pooled); returns the
    // successor.
    PoolNode* Delete(PoolNode* node);
    // Cuts the list before node and deletes it and every node after it, in order.
    void DeleteFrom(PoolNode* node);
    // Runs the callback on every live node and releases all; the list ends empty (node
    // size, callback, pooled flag and block size stay).
    void RemoveAll();
};

}  // namespace ob7
