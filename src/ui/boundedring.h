#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// The newest items, up to a fixed number. Once full, an append overwrites
// the oldest in place: nothing moves and nothing is allocated.
template<typename T> class BoundedRing
{
public:
    explicit BoundedRing(int capacity) : m_capacity(static_cast<std::size_t>(capacity)) { }

    int size() const { return static_cast<int>(m_items.size()); }
    bool isFull() const { return m_items.size() == m_capacity; }
    // 0 is the oldest item.
    const T &at(int index) const { return m_items[slot(index)]; }
    T &at(int index) { return m_items[slot(index)]; }

    void append(T item)
    {
        if (!isFull()) {
            m_items.push_back(std::move(item));
            return;
        }
        m_items[m_oldest] = std::move(item);
        m_oldest = (m_oldest + 1) % m_capacity;
    }

private:
    std::size_t slot(int index) const
    {
        return (m_oldest + static_cast<std::size_t>(index)) % m_items.size();
    }

    std::vector<T> m_items;
    std::size_t m_oldest = 0;
    std::size_t m_capacity;
};
