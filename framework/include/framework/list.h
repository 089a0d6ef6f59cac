// CList: doubly linked list walked with POSITION values, and CStringList.
// A POSITION names one node; it stays valid until that node is removed, also
// while other elements are added or removed.
#pragma once

#include <cassert>
#include <utility>

#include "framework/cstring.h"
#include "framework/object.h"

struct __POSITION {};
using POSITION = __POSITION*;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
  public:
    // The block size is the framework's allocation granularity; nodes are
    // allocated one by one here, and the value is kept for callers that ask.
    explicit CList(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    INT_PTR GetBlockSize() const { return m_nBlockSize; }

    // Head and tail accessors require a non-empty list, as in the framework.
    TYPE& GetHead() { return Checked(m_pHead)->data; }
    const TYPE& GetHead() const { return Checked(m_pHead)->data; }
    TYPE& GetTail() { return Checked(m_pTail)->data; }
    const TYPE& GetTail() const { return Checked(m_pTail)->data; }

    TYPE RemoveHead() {
        Node* node = Checked(m_pHead);
        TYPE value(std::move(node->data));
        Unlink(node);
        return value;
    }
    TYPE RemoveTail() {
        Node* node = Checked(m_pTail);
        TYPE value(std::move(node->data));
        Unlink(node);
        return value;
    }

    POSITION AddHead(ARG_TYPE newElement) { return InsertBefore(nullptr, newElement); }
    POSITION AddTail(ARG_TYPE newElement) { return InsertAfter(nullptr, newElement); }
    // Copies of another list's elements, in its order.
    void AddHead(const CList* pNewList) {
        for (POSITION pos = pNewList->GetTailPosition(); pos;) AddHead(pNewList->GetPrev(pos));
    }
    void AddTail(const CList* pNewList) {
        for (POSITION pos = pNewList->GetHeadPosition(); pos;) AddTail(pNewList->GetNext(pos));
    }

    // Destroys the elements from head to tail.
    void RemoveAll() {
        while (m_pHead) Unlink(m_pHead);
    }

    POSITION GetHeadPosition() const { return ToPos(m_pHead); }
    POSITION GetTailPosition() const { return ToPos(m_pTail); }

    // The element at rPosition; rPosition moves to the next (previous) node, or
    // null past the end.
    TYPE& GetNext(POSITION& rPosition) {
        Node* node = FromPos(rPosition);
        rPosition = ToPos(node->pNext);
        return node->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const {
        Node* node = FromPos(rPosition);
        rPosition = ToPos(node->pNext);
        return node->data;
    }
    TYPE& GetPrev(POSITION& rPosition) {
        Node* node = FromPos(rPosition);
        rPosition = ToPos(node->pPrev);
        return node->data;
    }
    const TYPE& GetPrev(POSITION& rPosition) const {
        Node* node = FromPos(rPosition);
        rPosition = ToPos(node->pPrev);
        return node->data;
    }

    TYPE& GetAt(POSITION position) { return FromPos(position)->data; }
    const TYPE& GetAt(POSITION position) const { return FromPos(position)->data; }
    void SetAt(POSITION pos, ARG_TYPE newElement) { FromPos(pos)->data = newElement; }
    void RemoveAt(POSITION position) { Unlink(FromPos(position)); }

    // A null position inserts at the head (InsertBefore) or tail (InsertAfter).
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement) {
        Node* next = position ? FromPos(position) : m_pHead;
        Node* node = new Node{TYPE(newElement), next ? next->pPrev : nullptr, next};
        Link(node);
        return ToPos(node);
    }
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement) {
        Node* prev = position ? FromPos(position) : m_pTail;
        Node* node = new Node{TYPE(newElement), prev, prev ? prev->pNext : nullptr};
        Link(node);
        return ToPos(node);
    }

    // The first element equal (operator==) to searchValue after startAfter (from
    // the head when null); null when there is none.
    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const {
        Node* node = startAfter ? FromPos(startAfter)->pNext : m_pHead;
        for (; node; node = node->pNext) {
            if (node->data == searchValue) return ToPos(node);
        }
        return nullptr;
    }
    // Null for an index outside 0 .. GetCount()-1.
    POSITION FindIndex(INT_PTR nIndex) const {
        if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
        Node* node = m_pHead;
        while (nIndex-- > 0) node = node->pNext;
        return ToPos(node);
    }

  private:
    struct Node {
        TYPE data;
        Node* pPrev;
        Node* pNext;
    };

    static POSITION ToPos(Node* node) { return reinterpret_cast<POSITION>(node); }
    static Node* FromPos(POSITION pos) {
        assert(pos != nullptr);
        return reinterpret_cast<Node*>(pos);
    }
    static Node* Checked(Node* node) {
        assert(node != nullptr && "CList: head or tail of an empty list");
        return node;
    }

    void Link(Node* node) {
        (node->pPrev ? node->pPrev->pNext : m_pHead) = node;
        (node->pNext ? node->pNext->pPrev : m_pTail) = node;
        ++m_nCount;
    }
    void Unlink(Node* node) {
        (node->pPrev ? node->pPrev->pNext : m_pHead) = node->pNext;
        (node->pNext ? node->pNext->pPrev : m_pTail) = node->pPrev;
        --m_nCount;
        delete node;
    }

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    INT_PTR m_nCount = 0;
    INT_PTR m_nBlockSize;
};

// List of strings. Elements are passed as CString, so embedded NULs survive;
// an LPCSTR argument converts implicitly.
class CStringList : public CList<CString, const CString&> {
  public:
    explicit CStringList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
};
