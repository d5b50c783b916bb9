#pragma once

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace OrvoGUIToolkit {

// One process-wide instance of T, made on the first call of instance() from any thread and deleted
// at process exit. T derives from CUiSingleton<T> and befriends it when its constructor is private.
//
// Deletion is registered with atexit() only after T's constructor has returned, so a singleton
// that uses another one while it is being built outlives the one that uses it: exit deletes in
// reverse order of completed creation.
template <class T>
class CUiSingleton
{
public:
    static T *instance()
    {
        T *object = s_instance.load(std::memory_order_acquire);
        if (object)
            return object;
        static std::mutex creation;
        std::lock_guard<std::mutex> lock(creation);
        object = s_instance.load(std::memory_order_relaxed);
        if (!object) {
            object = new T;
            s_instance.store(object, std::memory_order_release);
            std::atexit(&CUiSingleton::destroy);
        }
        return object;
    }

    virtual ~CUiSingleton() = default;

    CUiSingleton(const CUiSingleton &) = delete;
    CUiSingleton &operator=(const CUiSingleton &) = delete;

protected:
    CUiSingleton() = default;

private:
    static void destroy() { delete s_instance.exchange(nullptr, std::memory_order_acq_rel); }

    static inline std::atomic<T *> s_instance{nullptr};
};

} // namespace OrvoGUIToolkit
