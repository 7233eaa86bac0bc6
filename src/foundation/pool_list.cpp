#include "foundation/pool_list.h"

#include <cstdlib>

#include "foundation/memory.h"
#include "foundation/owned_strings.h"

namespace ob7 {

int ListInsertMode = 2;

void SetListInsertMode(int mode) { ListInsertMode = mode; }

void CPoolList::Init() {
    head = tail = nullptr;
    nodeSize = 0;
    count = 0;
    destroy = nullptr;
    pooled = 0;
    nodesPerBlock = 100;
    blockCount = 0;
    usedInLastBlock = 0;
    blocks = nullptr;
}

void CPoolList::SetPooled(int32_t nodesPerBlockCount) {
    pooled = 1;
    nodesPerBlock = nodesPerBlockCount > 0 ? nodesPerBlockCount : 1;
}

PoolNode* CPoolList::AllocNode(int32_t kind) {
    if (nodeSize < static_cast<int32_t>(sizeof(PoolNode)))
        nodeSize = sizeof(PoolNode);  // every node holds at least its header
    PoolNode* node;
    if (!pooled) {
        node = static_cast<PoolNode*>(MemAllocZero(static_cast<std::size_t>(nodeSize)));
    } else if (blockCount > 0 && usedInLastBlock < nodesPerBlock) {
        node = reinterpret_cast<PoolNode*>(blocks[blockCount - 1] +
                                           static_cast<std::size_t>(usedInLastBlock) * nodeSize);
        ++usedInLastBlock;
    } else {
        if (!MemRealloc(&blocks, (blockCount + 1) * sizeof(char*), blockCount * sizeof(char*)))
            return nullptr;
        char* block = nullptr;
        if (!ArrayAllocZero(&block, static_cast<std::size_t>(nodeSize), static_cast<std::size_t>(nodesPerBlock)))
            return nullptr;
        blocks[blockCount++] = block;
        usedInLastBlock = 1;
        node = reinterpret_cast<PoolNode*>(block);
    }
    if (node)
        node->kind = kind;
    return node;
}

PoolNode* CPoolList::NewNode(int32_t kind) { return Add(AllocNode(kind)); }

PoolNode* CPoolList::Add(PoolNode* node) { return ListInsertMode == 1 ? AddHead(node) : AddTail(node); }

PoolNode* CPoolList::AddHead(PoolNode* node) {
    if (!node)
        return nullptr;
    node->previous = nullptr;
    node->next = head;
    if (head)
        head->previous = node;
    else
        tail = node;
    head = node;
    ++count;
    return node;
}

PoolNode* CPoolList::AddTail(PoolNode* node) {
    if (!node)
        return nullptr;
    node->next = nullptr;
    node->previous = tail;
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    ++count;
    return node;
}

PoolNode* CPoolList::InsertBefore(PoolNode* position, PoolNode* node) {
    if (!position)
        return AddHead(node);
    if (!node)
        return nullptr;
    node->next = position;
    node->previous = position->previous;
    if (position->previous)
        position->previous->next = node;
    else
        head = node;
    position->previous = node;
    ++count;
    return node;
}

PoolNode* CPoolList::InsertAfter(PoolNode* position, PoolNode* node) {
    if (!position)
        return AddTail(node);
    if (!node)
        return nullptr;
    node->previous = position;
    node->next = position->next;
    if (position->next)
        position->next->previous = node;
    else
        tail = node;
    position->next = node;
    ++count;
    return node;
}

PoolNode* CPoolList::Unlink(PoolNode* node) {
    if (!node)
        return nullptr;
    if (node->previous)
        node->previous->next = node->next;
    else
        head = node->next;
    if (node->next)
        node->next->previous = node->previous;
    else
        tail = node->previous;
    --count;
    return node->next;
}

PoolNode* CPoolList::Delete(PoolNode* node) {
    if (!node)
        return nullptr;
    PoolNode* next = Unlink(node);
    if (destroy)
        destroy(node);
    node->kind = -1;
    if (!pooled)
        std::free(node);
    return next;
}

void CPoolList::DeleteFrom(PoolNode* node) {
    if (!node)
        return;
    // Cut first, so that callbacks see a consistent list.
    PoolNode* before = node->previous;
    int32_t removed = 0;
    for (PoolNode* n = node; n; n = n->next)
        ++removed;
    if (before)
        before->next = nullptr;
    else
        head = nullptr;
    tail = before;
    count -= removed;
    while (node) {
        PoolNode* next = node->next;
        if (destroy)
            destroy(node);
        node->kind = -1;
        if (!pooled)
            std::free(node);
        node = next;
    }
}

void CPoolList::RemoveAll() {
    if (pooled) {
        for (int32_t b = 0; b < blockCount; ++b) {
            const int32_t used = b == blockCount - 1 ? usedInLastBlock : nodesPerBlock;
            for (int32_t i = 0; i < used; ++i) {
                PoolNode* node = reinterpret_cast<PoolNode*>(blocks[b] + static_cast<std::size_t>(i) * nodeSize);
                if (node->kind != -1 && destroy)
                    destroy(node);
            }
            std::free(blocks[b]);
        }
        StrFree(&blocks);
        blockCount = 0;
        usedInLastBlock = 0;
    } else {
        for (PoolNode* node = head; node;) {
            PoolNode* next = node->next;
            if (destroy)
                destroy(node);
            node->kind = -1;
            std::free(node);
            node = next;
        }
    }
    head = tail = nullptr;
    count = 0;
}

}  // namespace ob7
