#include "TimedAudioBuffer.h"

#include <algorithm>

namespace tavilo {

TimedAudioBuffer::TimedAudioBuffer(int64_t capacity)
    : m_ring(static_cast<size_t>(std::max<int64_t>(capacity, 1)))
    , m_capacity(std::max<int64_t>(capacity, 1))
{
}

void TimedAudioBuffer::append(const std::vector<float>& chunk)
{
    std::lock_guard lock(m_lock);
    m_total += static_cast<int64_t>(chunk.size());
    const size_t capacity = m_ring.size();
    if (chunk.size() >= capacity) {
        std::copy(chunk.end() - static_cast<std::ptrdiff_t>(capacity), chunk.end(), m_ring.begin());
        m_head = 0;
        m_size = capacity;
        return;
    }
    size_t write = (m_head + m_size) % capacity;
    for (float sample : chunk) {
        m_ring[write] = sample;
        write = write + 1 == capacity ? 0 : write + 1;
    }
    const size_t grown = m_size + chunk.size();
    if (grown > capacity) {
        m_head = (m_head + (grown - capacity)) % capacity;
        m_size = capacity;
    } else {
        m_size = grown;
    }
}

TimedAudioBuffer::Snapshot TimedAudioBuffer::snapshot() const
{
    std::lock_guard lock(m_lock);
    Snapshot snapshot;
    snapshot.total = m_total;
    snapshot.samples.resize(m_size);
    const size_t first = std::min(m_size, m_ring.size() - m_head);
    std::copy_n(m_ring.begin() + static_cast<std::ptrdiff_t>(m_head), first, snapshot.samples.begin());
    std::copy_n(m_ring.begin(), m_size - first, snapshot.samples.begin() + static_cast<std::ptrdiff_t>(first));
    return snapshot;
}

int64_t TimedAudioBuffer::total() const
{
    std::lock_guard lock(m_lock);
    return m_total;
}

} // namespace tavilo
