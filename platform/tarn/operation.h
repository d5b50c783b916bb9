#pragma once

// One device operation, run on the caller's thread in two phases: a fresh challenge from the
// device, bound to the operation's own ephemeral key and proving the device's certified key; then
// the body sealed with both, retransmitted until a genuine answer comes or the budget runs out. The
// network thread hands challenges and answers over through the pending table, under the library's
// lock.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>

#include "core/seal.h"
#include "core/transport.h"
#include "core/wire.h"

namespace tarn {

// What the network thread hands over to an operation waiting on the caller's thread.
struct Pending
{
    std::uint32_t id = 0;
    wire::Target target;
    std::string ephemeralKey;    // the operation's public key: only a challenge bound to it counts
    bool haveChallenge = false;
    bool sawUnverified = false;  // a challenge came that did not prove the device's identity
    wire::Challenge challenge;
    std::deque<wire::Result> results;
};

using PendingTable = std::map<std::uint32_t, Pending *>;

// Hands an answer to the operation waiting for it; false when none waits or its queue is full.
bool queueResult(PendingTable &table, const wire::Result &result);

// What an operation shares with the library; everything but `transport` is guarded by the lock
// the operation is given.
struct OperationLink
{
    std::condition_variable &changed;
    const bool &running;
    PendingTable &pending;
    net::Transport &transport;
};

// An operation's entry in the pending table, under a fresh id, for exactly as long as it lives.
// Made and destroyed under the lock.
class PendingEntry
{
public:
    PendingEntry(PendingTable &table, const wire::Target &target, const std::string &ephemeralKey);
    ~PendingEntry();
    PendingEntry(const PendingEntry &) = delete;
    PendingEntry &operator=(const PendingEntry &) = delete;

    Pending &operator*() { return m_pending; }
    Pending *operator->() { return &m_pending; }

private:
    PendingTable &m_table;
    Pending m_pending;
};

// An operation body and its encoded text. The body's secrets (password, reset key, security code)
// and the text are wiped in place when this goes, whichever way the operation ended.
class SecretBody
{
public:
    explicit SecretBody(wire::OperationBody &body);
    ~SecretBody();
    SecretBody(const SecretBody &) = delete;
    SecretBody &operator=(const SecretBody &) = delete;

    const wire::OperationBody &body() const { return m_body; }
    // Null when the body holds values the protocol cannot carry.
    const std::string *text() const { return m_text ? &*m_text : nullptr; }

private:
    wire::OperationBody &m_body;
    std::optional<std::string> m_text;
};

class Operation
{
public:
    // Registers the operation; `lock` holds the library's lock, here and whenever run() returns.
    Operation(const OperationLink &link, std::unique_lock<std::mutex> &lock, const wire::Target &target,
              const SecretBody &body);
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;

    // TARN_ERR_NONE or the error; `data` receives what the answer carries (a key request).
    int run(std::string *data);

private:
    using Clock = std::chrono::steady_clock;

    int challenge();
    int exchange(std::string *data);
    Clock::time_point nextGap(std::chrono::milliseconds &gap);
    template <typename Ready>
    void waitFor(Clock::time_point until, Ready ready);

    const OperationLink m_link;
    std::unique_lock<std::mutex> &m_lock;
    const wire::Target m_target;
    const SecretBody &m_body;
    const seal::KeyPair m_ephemeral;  // this operation's alone, from its challenge request to its answer
    PendingEntry m_pending;
    std::mt19937 m_random;
    const Clock::time_point m_deadline;
};

} // namespace tarn
