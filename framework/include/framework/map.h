// CMap: hash map keyed through ARG_KEY, walked with POSITION values. The table
// never grows by itself, so positions stay valid while other keys are added.
#pragma once

#include <cassert>
#include <cstring>
#include <type_traits>
#include <vector>

#include "framework/cstring.h"
#include "framework/list.h"
#include "framework/object.h"

namespace quorvex::framework {

inline UINT HashBytes(const char* p, std::size_t n) {
    UINT hash = 0;
    for (std::size_t i = 0; i < n; ++i)
        hash = (hash << 5) + hash + static_cast<unsigned char>(p[i]);
    return hash;
}

}  // namespace quorvex::framework

template <class ARG_KEY>
inline UINT HashKey(ARG_KEY key) {
    using K = std::decay_t<ARG_KEY>;
    if constexpr (std::is_same_v<K, CString>) {
        return quorvex::framework::HashBytes(key.GetString(),
                                             static_cast<std::size_t>(key.GetLength()));
    } else if constexpr (std::is_same_v<K, const char*> || std::is_same_v<K, char*>) {
        return key ? quorvex::framework::HashBytes(key, std::strlen(key)) : 0;
    } else if constexpr (std::is_pointer_v<K>) {
        return static_cast<UINT>(reinterpret_cast<UINT_PTR>(key) >> 4);
    } else {
        static_assert(std::is_integral_v<K> || std::is_enum_v<K>, "HashKey: unsupported key type");
        return static_cast<UINT>(key);
    }
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
  public:
    explicit CMap(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    INT_PTR GetBlockSize() const { return m_nBlockSize; }
    UINT GetHashTableSize() const { return m_nHashTableSize; }

    BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
        const Assoc* a = Find(key);
        if (!a) return FALSE;
        rValue = a->value;
        return TRUE;
    }
    // The value of key, inserted value-initialised when absent.
    VALUE& operator[](ARG_KEY key) {
        if (Assoc* a = Find(key)) return a->value;
        if (m_buckets.empty()) m_buckets.assign(m_nHashTableSize, nullptr);
        const UINT bucket = HashKey<ARG_KEY>(key) % m_nHashTableSize;
        Assoc* a = new Assoc{KEY(key), VALUE(), bucket, m_buckets[bucket]};
        m_buckets[bucket] = a;
        ++m_nCount;
        return a->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
    BOOL RemoveKey(ARG_KEY key) {
        if (m_buckets.empty()) return FALSE;
        Assoc** link = &m_buckets[HashKey<ARG_KEY>(key) % m_nHashTableSize];
        for (; *link; link = &(*link)->pNext) {
            if ((*link)->key == key) {
                Assoc* dead = *link;
                *link = dead->pNext;
                delete dead;
                --m_nCount;
                return TRUE;
            }
        }
        return FALSE;
    }
    void RemoveAll() {
        for (Assoc*& head : m_buckets) {
            while (head) {
                Assoc* next = head->pNext;
                delete head;
                head = next;
            }
        }
        m_buckets.clear();
        m_nCount = 0;
    }
    // Sets the bucket count; only honoured while the map is empty.
    void InitHashTable(UINT hashSize) {
        if (m_nCount == 0 && hashSize > 0) {
            m_nHashTableSize = hashSize;
            m_buckets.clear();
        }
    }

    POSITION GetStartPosition() const { return ToPos(FirstFrom(0)); }
    // Fills key and value of the association at rNextPosition and moves it on
    // (null after the last one).
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
        assert(rNextPosition != nullptr);
        const Assoc* a = reinterpret_cast<const Assoc*>(rNextPosition);
        rKey = a->key;
        rValue = a->value;
        rNextPosition = ToPos(a->pNext ? a->pNext : FirstFrom(a->nBucket + 1));
    }

  private:
    struct Assoc {
        KEY key;
        VALUE value;
        UINT nBucket;
        Assoc* pNext;
    };

    static POSITION ToPos(const Assoc* a) {
        return reinterpret_cast<POSITION>(const_cast<Assoc*>(a));
    }

    Assoc* Find(ARG_KEY key) const {
        if (m_buckets.empty()) return nullptr;
        for (Assoc* a = m_buckets[HashKey<ARG_KEY>(key) % m_nHashTableSize]; a; a = a->pNext) {
            if (a->key == key) return a;
        }
        return nullptr;
    }
    Assoc* FirstFrom(std::size_t bucket) const {
        for (; bucket < m_buckets.size(); ++bucket) {
            if (m_buckets[bucket]) return m_buckets[bucket];
        }
        return nullptr;
    }

    std::vector<Assoc*> m_buckets;
    UINT m_nHashTableSize = 17;
    INT_PTR m_nCount = 0;
    INT_PTR m_nBlockSize;
};
