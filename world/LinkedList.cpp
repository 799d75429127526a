#include "world/LinkedList.h"

#include <cstddef>

CLinkedListBase::~CLinkedListBase()
{
    RemoveAll();
    for (SNode* chunk : m_Chunks)
        delete[] chunk;
}

CLinkedListBase::SNode* CLinkedListBase::NewNode()
{
    if (!m_pFreeNodes)
    {
        const std::size_t size = m_Chunks.size() < 6 ? std::size_t(4) << m_Chunks.size() : 256;
        SNode* chunk = new SNode[size];
        m_Chunks.push_back(chunk);
        for (std::size_t i = size; i-- > 0;)
        {
            chunk[i].next = m_pFreeNodes;
            m_pFreeNodes = &chunk[i];
        }
    }
    SNode* node = m_pFreeNodes;
    m_pFreeNodes = node->next;
    return node;
}

void CLinkedListBase::AddTailItem(void* item)
{
    if (!item) return;
    SNode* node = NewNode();
    *node = SNode{item, nullptr, m_pTail};
    if (m_pTail)
        m_pTail->next = node;
    else
        m_pHead = node;
    m_pTail = node;
    ++m_nCount;
    Changed();
}

void CLinkedListBase::Unlink(SNode* node)
{
    // A walk that stands on the node goes on with its successor, so an item
    // removed by someone else during the walk never leaves the cursor
    // pointing into freed memory.
    if (m_pCursor == node) m_pCursor = node->next;
    if (m_pTaken == node) m_pTaken = nullptr;
    if (node->prev)
        node->prev->next = node->next;
    else
        m_pHead = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        m_pTail = node->prev;
    --m_nCount;
    Changed();
    void* item = node->item;
    node->next = m_pFreeNodes;
    m_pFreeNodes = node;
    if (m_bOwnsItems) m_pfnDeleteItem(item);
}

void CLinkedListBase::RemoveCurrent()
{
    if (m_pTaken) Unlink(m_pTaken);
}

bool CLinkedListBase::RemoveItem(const void* item)
{
    for (SNode* node = m_pHead; node; node = node->next)
    {
        if (node->item == item)
        {
            Unlink(node);
            return true;
        }
    }
    return false;
}

void CLinkedListBase::RemoveAll()
{
    while (m_pHead)
        Unlink(m_pHead);
    m_pCursor = nullptr;
    m_pTaken = nullptr;
}

void CLinkedListBase::ResetCursor()
{
    m_pCursor = m_pHead;
    m_pTaken = nullptr;
}

void* CLinkedListBase::NextItem()
{
    if (!m_pCursor)
    {
        m_pTaken = nullptr;
        return nullptr;
    }
    m_pTaken = m_pCursor;
    m_pCursor = m_pCursor->next;
    return m_pTaken->item;
}

bool CLinkedListBase::ContainsItem(const void* item) const
{
    for (const SNode* node = m_pHead; node; node = node->next)
        if (node->item == item) return true;
    return false;
}
