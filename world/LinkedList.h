// CLinkedList: a doubly linked list of item pointers with a built-in cursor,
// used by the object list for its object lists and by the terrain for the
// object list of each cell.
//
// A walk goes through the list's own cursor:
//     list.ResetCursor();
//     while (T* item = list.GetNext()) { ... list.RemoveCurrent(); ... }
// GetNext takes the cursor's item and advances the cursor before the item is
// processed, so RemoveCurrent removes exactly the node just taken and the
// walk goes on. Removing any other item during a walk (Remove) is safe too:
// a cursor on the removed node moves on to its successor. One walk per list
// at a time; read-only walks that may nest use the range form
// (for (T* item : list)), which must not remove.
//
// Ownership: with owns-items set, removing a node destroys its item (its
// deleting destructor); otherwise items are only referenced. Null items are
// not stored. The list keeps the memory of removed nodes for new ones until
// it is destroyed. Threads: main thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

class CLinkedListBase
{
public:
    struct SNode
    {
        void* item;
        SNode* next;
        SNode* prev;
    };

    ~CLinkedListBase();
    CLinkedListBase(const CLinkedListBase&) = delete;
    CLinkedListBase& operator=(const CLinkedListBase&) = delete;

    // Removes the node last taken by GetNext; nothing when none was taken
    // since the last reset or it was removed already.
    void RemoveCurrent();
    // Every node (destroying the items when the list owns them).
    void RemoveAll();
    // The cursor to the head: the next GetNext takes the first item.
    void ResetCursor();

    void SetOwnsItems(bool owns) { m_bOwnsItems = owns ? 1 : 0; }
    bool OwnsItems() const { return m_bOwnsItems != 0; }
    int GetCount() const { return m_nCount; }
    // Moves with every node added or removed, to a number that no list had
    // before (one count shared by all lists): a copy of the list made at one
    // count is still the list while the count is the same, even across the
    // list's end and a new list made at the same address.
    std::uint32_t GetChangeCount() const { return m_nChanges; }
    bool IsEmpty() const { return m_pHead == nullptr; }
    const SNode* GetHeadNode() const { return m_pHead; }
    // The node the next GetNext takes (null at the end).
    const SNode* GetCursorNode() const { return m_pCursor; }

protected:
    using FDeleteItem = void (*)(void*);
    explicit CLinkedListBase(FDeleteItem deleteItem) : m_pfnDeleteItem(deleteItem) {}

    void AddTailItem(void* item);
    bool RemoveItem(const void* item);
    void* NextItem();
    bool ContainsItem(const void* item) const;
    void* FirstItem() const { return m_pHead ? m_pHead->item : nullptr; }
    void* LastItem() const { return m_pTail ? m_pTail->item : nullptr; }

private:
    void Unlink(SNode* node);
    SNode* NewNode();
    void Changed() { m_nChanges = s_nChanges.fetch_add(1, std::memory_order_relaxed) + 1; }

    // Nodes come from chunks that the list keeps until it is destroyed
    // (each twice the size of the one before, up to 256 nodes), so a walk
    // over a long list reads neighbouring memory instead of one scattered
    // allocation per node.
    std::vector<SNode*> m_Chunks;
    SNode* m_pFreeNodes = nullptr;

    SNode* m_pHead = nullptr;
    SNode* m_pTail = nullptr;
    SNode* m_pCursor = nullptr;
    // The node GetNext returned last (the cursor's predecessor while it is
    // still in the list).
    SNode* m_pTaken = nullptr;
    std::uint32_t m_nReserved = 0;
    std::uint8_t m_bOwnsItems = 0;
    int m_nCount = 0;
    std::uint32_t m_nChanges = 0;
    FDeleteItem m_pfnDeleteItem;
    // Atomic: the start-up loader thread fills lists too.
    static inline std::atomic<std::uint32_t> s_nChanges{0};
};

template <class T> class CLinkedList : public CLinkedListBase
{
public:
    CLinkedList() : CLinkedListBase(&DeleteItem) {}
    explicit CLinkedList(bool ownsItems) : CLinkedListBase(&DeleteItem) { SetOwnsItems(ownsItems); }

    // Appends a node (a null item is ignored).
    void AddTail(T* item) { AddTailItem(item); }
    // Removes the first node holding item; false when there is none.
    bool Remove(const T* item) { return RemoveItem(item); }
    // The cursor's item, advancing the cursor; null at the end.
    T* GetNext() { return static_cast<T*>(NextItem()); }
    bool Contains(const T* item) const { return ContainsItem(item); }
    T* GetFirst() const { return static_cast<T*>(FirstItem()); }
    T* GetLast() const { return static_cast<T*>(LastItem()); }

    class Iterator
    {
    public:
        explicit Iterator(const SNode* node) : m_pNode(node) {}
        T* operator*() const { return static_cast<T*>(m_pNode->item); }
        Iterator& operator++()
        {
            m_pNode = m_pNode->next;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_pNode != other.m_pNode; }

    private:
        const SNode* m_pNode;
    };
    Iterator begin() const { return Iterator(GetHeadNode()); }
    Iterator end() const { return Iterator(nullptr); }

private:
    static void DeleteItem(void* item) { delete static_cast<T*>(item); }
};
