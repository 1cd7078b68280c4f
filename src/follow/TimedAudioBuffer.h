#pragma once

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace tavilo {

// The most recent microphone samples, shared between the recording thread and the decoding
// loop. Sample i of a snapshot is sample number total − size + i of the whole recording.
class TimedAudioBuffer {
public:
    static constexpr int64_t kDefaultCapacity = 192000; // 12 s at 16 kHz

    explicit TimedAudioBuffer(int64_t capacity = kDefaultCapacity);

    void append(const std::vector<float>& chunk);

    struct Snapshot {
        std::vector<float> samples;
        int64_t total = 0;
    };
    Snapshot snapshot() const;
    int64_t total() const;
    int64_t capacity() const { return m_capacity; }

private:
    mutable std::mutex m_lock;
    // A ring, so that dropping the oldest samples costs nothing.
    std::vector<float> m_ring;
    size_t m_head = 0;
    size_t m_size = 0;
    int64_t m_total = 0;
    int64_t m_capacity;
};

} // namespace tavilo
