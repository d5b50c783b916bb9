#pragma once

// Work allowed per sender: a token bucket for each source address, so one host's flood uses up
// its own allowance and nobody else's. The table is bounded; when it is full, senders not yet in
// it share one overflow bucket, so a flood from forged addresses cannot grow memory either.

#include <chrono>
#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace tarn {

class SenderBudget
{
public:
    using Clock = std::chrono::steady_clock;

    // `perSecond` tokens are added each second, up to `burst`; at most `maxSenders` are tracked.
    SenderBudget(double perSecond, double burst, std::size_t maxSenders)
        : m_rate(perSecond), m_burst(burst), m_maxSenders(maxSenders)
    {
    }

    // Takes `cost` tokens from the sender's bucket; false (and nothing taken) when it has too few.
    bool take(std::uint32_t sender, Clock::time_point now, double cost = 1)
    {
        Bucket *bucket = find(sender, now);
        const double elapsed = std::chrono::duration<double>(now - bucket->last).count();
        bucket->tokens = std::min(m_burst, bucket->tokens + std::max(0.0, elapsed) * m_rate);
        bucket->last = now;
        if (bucket->tokens < cost)
            return false;
        bucket->tokens -= cost;
        return true;
    }

    std::size_t senders() const { return m_buckets.size(); }

private:
    struct Bucket
    {
        double tokens = 0;
        Clock::time_point last;
    };

    Bucket *find(std::uint32_t sender, Clock::time_point now)
    {
        auto it = m_buckets.find(sender);
        if (it != m_buckets.end())
            return &it->second;
        if (m_buckets.size() >= m_maxSenders && now - m_lastSweep > std::chrono::seconds(1)) {
            // A bucket that has refilled completely carries no history worth keeping. Swept at
            // most once a second, so a flood of new senders costs no scan per datagram.
            m_lastSweep = now;
            const auto full = std::chrono::duration<double>(m_burst / m_rate);
            for (auto old = m_buckets.begin(); old != m_buckets.end();)
                old = now - old->second.last > full ? m_buckets.erase(old) : std::next(old);
        }
        if (m_buckets.size() >= m_maxSenders) {
            if (m_overflow.last == Clock::time_point())
                m_overflow = {m_burst, now};
            return &m_overflow;
        }
        return &m_buckets.emplace(sender, Bucket {m_burst, now}).first->second;
    }

    double m_rate, m_burst;
    std::size_t m_maxSenders;
    std::unordered_map<std::uint32_t, Bucket> m_buckets;
    Bucket m_overflow;
    Clock::time_point m_lastSweep;
};

} // namespace tarn
