#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <vector>

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
    std::string makerPath;          // the maker's secrets: public key to check keys, master for factory secrets
    int requestSeconds = 48 * 3600; // lifetime of a key request
    int answerCacheS = 60;          // how long answers are kept for retransmitted requests
};

struct VirtualDevice
{
    wire::Device info;
    std::string publicKey, secretKey;
    std::string passwordHash;  // empty until activated
    int failures = 0;
    Clock::time_point lockedUntil {};
    std::uint32_t boot = 0, seq = 0;
    std::vector<std::uint32_t> answered;  // recent inquiry ids
    std::string factorySecret;            // per device, from the maker; empty when not provisioned
    bool requestOpen = false;             // the key request below may still be answered
    recovery::KeyRequest request;
    int cameraResets = 0;                 // resets passed on to the cameras behind the device
};

class Emulator
{
public:
    explicit Emulator(Options options);
    // Loads the state file, or makes the devices and writes it. False with `error` on a bad file.
    bool prepare(std::string *error);
    int run(net::Transport &transport, const volatile bool &stop);

    const std::vector<VirtualDevice> &devices() const { return m_devices; }

private:
    struct Timed
    {
        Clock::time_point at;
        std::uint64_t order;
        std::string datagram;
        bool operator>(const Timed &o) const { return at != o.at ? at > o.at : order > o.order; }
    };
    struct Challenge
    {
        std::size_t device;
        std::string nonce;
        Clock::time_point made;
    };
    struct Answer
    {
        std::string datagram;
        Clock::time_point made;
    };

    void makeDevices();
    bool load(std::string *error);
    bool save();
    void handle(const std::string &datagram);
    void onInquiry(const wire::Inquiry &inquiry);
    void onChallengeRequest(const wire::ChallengeRequest &request);
    void onOperation(const wire::Operation &operation);
    int apply(std::size_t index, const wire::OperationBody &body, std::string &data);
    int recover(std::size_t index, const wire::OperationBody &body, std::string &data);
    int refuse(std::size_t index);  // a wrong password or code: counts towards the lockout
    void announce(std::size_t index, std::uint32_t inquiryId, Clock::duration after);
    void queue(std::string datagram, Clock::duration after);
    bool lose();
    int findTarget(const wire::Target &target) const;
    std::string hashPassword(const std::string &password) const;
    bool loadMaker(std::string *error);
    std::string m_makerMaster;

    Options m_options;
    std::vector<VirtualDevice> m_devices;
    std::mt19937 m_random;
    std::priority_queue<Timed, std::vector<Timed>, std::greater<Timed>> m_outbox;
    std::uint64_t m_order = 0;
    std::map<std::uint32_t, Challenge> m_challenges;
    std::map<std::uint32_t, Answer> m_answers;
    std::string m_makerPublic;  // empty: keys cannot be checked
    Clock::time_point m_nextAnnounce;
    net::Transport *m_transport = nullptr;
    std::uint64_t m_rejected = 0;
    std::uint64_t m_applied = 0;        // operations carried out
    std::uint64_t m_repeats = 0;        // retransmitted operations answered from the cache
    std::uint64_t m_appliedTwice = 0;   // must stay 0
    std::map<std::uint32_t, int> m_appliedIds;
};

} // namespace tarn::emu
