#pragma once

// Datagrams handled recently, known by a keyed digest: an exact copy of one is recognised before it
// is decoded or charged to anyone's budget, so saying again what was already said costs nothing,
// whoever's address it comes under. The table is bounded, oldest out first, and forgets after
// `lifetime`. The key is secret and made afresh by reset(), so nobody can make two datagrams look
// alike. Not thread-safe: one receiving thread owns it.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>

namespace tarn {

using DatagramDigest = std::array<std::uint64_t, 2>;

// 128 bits of BLAKE2b keyed with `key`, or with a fresh key when `key` is empty (it is then set).
DatagramDigest digestDatagram(std::string_view datagram, std::string &key);

// `Note` is what the receiver keeps about an original, for answering its copies.
template <typename Note = std::monostate>
class RecentDatagrams
{
public:
    using Clock = std::chrono::steady_clock;

    RecentDatagrams(std::size_t capacity, Clock::duration lifetime) : m_capacity(capacity), m_lifetime(lifetime) {}

    // Forgets everything, under a new key.
    void reset()
    {
        m_entries.clear();
        m_order.clear();
        m_key.clear();
    }

    DatagramDigest digest(std::string_view datagram) { return digestDatagram(datagram, m_key); }

    // The note kept with the original of a copy; null for a datagram not handled recently.
    Note *find(const DatagramDigest &digest, Clock::time_point now)
    {
        const auto it = m_entries.find(digest);
        return it != m_entries.end() && now - it->second.first <= m_lifetime ? &it->second.second : nullptr;
    }

    void remember(const DatagramDigest &digest, Note note, Clock::time_point now)
    {
        while (!m_order.empty() && (now - m_order.front().second > m_lifetime || m_entries.size() >= m_capacity)) {
            const auto old = m_entries.find(m_order.front().first);
            if (old != m_entries.end() && old->second.first == m_order.front().second)
                m_entries.erase(old);
            m_order.pop_front();
        }
        m_entries[digest] = {now, std::move(note)};
        m_order.emplace_back(digest, now);
    }

    std::size_t size() const { return m_entries.size(); }

private:
    struct Hash
    {
        std::size_t operator()(const DatagramDigest &d) const { return std::size_t(d[0]); }  // keyed already
    };

    std::size_t m_capacity;
    Clock::duration m_lifetime;
    std::string m_key;
    std::unordered_map<DatagramDigest, std::pair<Clock::time_point, Note>, Hash> m_entries;
    std::deque<std::pair<DatagramDigest, Clock::time_point>> m_order;  // oldest first
};

} // namespace tarn
