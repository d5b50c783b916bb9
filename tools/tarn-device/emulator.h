#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <queue>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/budget.h"
#include "core/recent.h"
#include "core/transport.h"
#include "core/recovery.h"
#include "core/wire.h"

namespace tarn::emu {

using Clock = std::chrono::steady_clock;

struct Options
{
    int count = 8;
    std::string statePath;
    std::uint32_t seed = 1;
    double lossPercent = 0;
    int delayMs = 0;
    int announceS = 20;
    int lockoutAfter = 5;      // wrong passwords in a row
    int lockoutS = 60;
    std::string defaultPassword = "Admin12345";
    std::string makerPath;          // the maker's secrets: certificates, keys, factory secrets
    int requestSeconds = 48 * 3600; // lifetime of a key request
    int answerCacheS = 60;          // how long answers are kept for retransmitted requests
    int opMs = 0;                   // how long a device works on each sealed operation
};

struct VirtualDevice
{
    wire::Device info;
    std::string identityPublic, identitySecret;  // Ed25519: signs announcements
    std::string sealingSecret;                   // its X25519 form: opens operations
    std::string certificate;                     // from the maker, for the serial and MAC
    std::string passwordHash;  // empty until activated
    int failures = 0;
    Clock::time_point lockedUntil {};
    std::uint32_t boot = 0, seq = 0;      // boot grows with every start (kept in the state file)
    std::vector<std::uint32_t> answered;  // recent inquiry ids
    Clock::time_point lastAnswer {};      // when the last answer to an inquiry is due
    Clock::time_point lastSent {};        // when the last announcement went out
    std::string factorySecret;            // per device, from the maker; empty when not provisioned
    std::vector<recovery::KeyRequest> requests;  // open key requests, oldest first
    std::int64_t codeDayUsed = INT64_MIN; // the day of the last security code taken
    int cameraResets = 0;                 // resets passed on to the cameras behind the device
    Clock::time_point busyUntil {};       // with --op-ms: when the operations taken in are done
};

class Emulator
{
public:
    explicit Emulator(Options options);
    // Loads the state file, or makes the devices and writes it. False with `error` on a bad file.
    bool prepare(std::string *error);
    int run(net::Transport &transport, const std::atomic<bool> &stop);

    const std::vector<VirtualDevice> &devices() const { return m_devices; }

private:
    struct Timed
    {
        Clock::time_point at;
        std::uint64_t order;
        std::string datagram;  // empty for an announcement, which is written when it goes out
        int device;             // whose announcement this is, or -1
        std::uint32_t inquiryId;
        bool operator>(const Timed &o) const { return at != o.at ? at > o.at : order > o.order; }
    };
    // A challenge belongs to one request id and one ephemeral key: a stranger asking under the same
    // id with a key of its own gets a challenge of its own, and spends only that.
    using ChallengeKey = std::pair<std::uint32_t, std::string>;
    struct Challenge
    {
        std::size_t device;
        std::string nonce;
        Clock::time_point made;
        std::uint32_t sender;
        std::uint64_t order;
        std::string datagram;  // the signed challenge, signed once
    };
    struct Answer
    {
        std::string datagram;
        Clock::time_point made;
    };
    // What an exact copy of a request handled recently is answered with: what the original got, if
    // that still stands.
    struct CopyNote
    {
        enum { Nothing, ItsChallenge, ItsAnswer } what = Nothing;
        ChallengeKey key;
        Clock::time_point answered;
    };

    // A sealed operation opened and taken in: carried out now, or once the device has worked on it
    // for --op-ms.
    struct Work
    {
        Clock::time_point at;
        ChallengeKey key;
        std::size_t device;
        std::uint32_t id;
        std::string nonce;
        wire::OperationBody body;
        std::string sessionKey;
        bool operator>(const Work &o) const { return at > o.at; }
    };

    void makeDevices();
    bool load(std::string *error);
    bool save();
    bool provision();
    void handle(std::string_view datagram, std::uint32_t source);
    void answerCopy(CopyNote &note, std::uint32_t source, Clock::time_point now);
    void onInquiry(const wire::Inquiry &inquiry);
    void onChallengeRequest(const wire::ChallengeRequest &request, std::uint32_t source);
    void dropChallenge(std::map<ChallengeKey, Challenge>::iterator it);
    void onOperation(const wire::Operation &operation);
    void carryOut(Work &work);
    int apply(std::size_t index, const wire::OperationBody &body, std::string &data);
    int recover(std::size_t index, const wire::OperationBody &body, std::string &data);
    int refuse(std::size_t index);  // a wrong password or code: counts towards the lockout
    void announce(std::size_t index, std::uint32_t inquiryId, Clock::duration after);
    void queue(std::string datagram, Clock::duration after, int device = -1, std::uint32_t inquiryId = 0);
    std::string helloDatagram(std::size_t index, std::uint32_t inquiryId);
    bool lose();
    int findTarget(const wire::Target &target) const;
    std::string hashPassword(const std::string &password) const;
    bool loadMaker(std::string *error);
    std::string m_makerMaster;
    std::string m_makerSigning;  // issues the devices' certificates

    Options m_options;
    std::vector<VirtualDevice> m_devices;
    std::mt19937 m_random;
    std::priority_queue<Timed, std::vector<Timed>, std::greater<Timed>> m_outbox;
    std::uint64_t m_order = 0;
    std::map<ChallengeKey, Challenge> m_challenges;
    std::map<std::uint64_t, ChallengeKey> m_challengeAge;     // oldest first
    // Challenges per device and sender: each device keeps its own count, as a real one would.
    std::map<std::pair<std::size_t, std::uint32_t>, int> m_challengesBySender;
    std::priority_queue<Work, std::vector<Work>, std::greater<Work>> m_work;
    std::set<ChallengeKey> m_working;  // taken in, not yet answered
    std::uint64_t m_challengeOrder = 0;
    RecentDatagrams<CopyNote> m_recent;
    SenderBudget m_budget;           // requests decoded per sender
    std::size_t m_maxOutbox = 0;
    std::uint64_t m_outboxDropped = 0;
    std::map<ChallengeKey, Answer> m_answers;
    std::string m_makerPublic;  // empty: keys cannot be checked
    Clock::time_point m_nextAnnounce;
    net::Transport *m_transport = nullptr;
    std::uint64_t m_rejected = 0;
    std::uint64_t m_copies = 0;         // exact copies of requests, neither decoded nor charged
    std::uint64_t m_applied = 0;        // operations carried out
    std::uint64_t m_repeats = 0;        // retransmitted operations answered from the cache
    std::uint64_t m_appliedTwice = 0;   // must stay 0
    std::map<ChallengeKey, int> m_appliedIds;
};

} // namespace tarn::emu
