#pragma once

// The discovery library: one network thread that receives and keeps the device table, one thread
// that runs the caller's callback, and blocking device operations on the caller's thread. Every
// call answers TARN_ERR_NONE or the error; the C entry points turn that into their result.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/budget.h"
#include "core/recent.h"
#include "core/transport.h"
#include "core/wire.h"
#include "devicetable.h"
#include "operation.h"
#include "tarn.h"
#include "verifier.h"

namespace tarn {

class Library
{
public:
    static Library &get();

    int start(TARN_DEVICE_CALLBACK callback, int mode, void *context);
    int stop();
    int clearup();
    int sendInquiry();
    int setFilter(int rule);
    // Runs one device operation; `data` receives what the answer carries (a key request). The
    // body's secrets are wiped before it returns.
    int operate(const wire::Target &target, wire::OperationBody &&body, std::string *data = nullptr);

private:
    Library();
    ~Library() { stop(); }

    void networkLoop();
    void callbackLoop();
    void handle(std::string_view datagram, std::uint32_t source);
    bool dispatch(const wire::Message &message, std::uint32_t source);
    void onChallenge(const wire::Challenge &challenge, std::uint32_t source);
    void emit(const wire::Device &device, int eventType);
    void sendInquiryRound(int round);
    void scheduleInquiries();

    std::mutex m_lifecycle;               // start and stop, one at a time
    std::atomic<std::thread::id> m_callbackThread {};
    int m_activeOperations = 0;           // callers using the transport outside the lock

    std::mutex m_mutex;
    std::condition_variable m_changed;   // pending operations
    bool m_running = false;
    int m_filter = TARN_FILTER_NONE;
    net::Transport m_transport;
    std::thread m_network, m_callbacks;
    TARN_DEVICE_CALLBACK m_callback = nullptr;
    void *m_context = nullptr;

    Verifier m_verifier;
    DeviceTable m_table;
    RecentDatagrams<> m_recent;  // the network thread's
    SenderBudget m_datagramBudget;
    PendingTable m_pending;
    std::vector<std::pair<Clock::time_point, int>> m_rounds;
    // Each inquiry goes out a second time shortly after: devices answer an id once, and a search
    // that lost its inquiry would otherwise hear nobody for a whole round.
    std::vector<std::pair<Clock::time_point, std::string>> m_repeats;
    std::uint64_t m_undecodable = 0;

    std::mutex m_eventMutex;
    std::condition_variable m_eventReady;
    std::deque<TARN_DEVICE_INFO> m_events;
    bool m_eventsStop = false;
};

} // namespace tarn
