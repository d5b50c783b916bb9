#pragma once

#include <atomic>
#include <memory>

#include "qpx/qpxguard.h"
#include "qpx/qpxmutex.h"

namespace Singleton {

class CNoncopyable
{
protected:
    CNoncopyable() = default;
    ~CNoncopyable() = default;

public:
    CNoncopyable(const CNoncopyable &) = delete;
    CNoncopyable &operator=(const CNoncopyable &) = delete;
};

// One process-wide T, made on the first instance() from any thread under a runtime mutex and
// deleted at process exit by a function-local holder. The holder is initialised with the finished
// object, so objects are deleted in reverse order of completed creation.
template <class T>
class CSingleton : public CNoncopyable
{
public:
    static T *instance()
    {
        T *object = s_instance.load(std::memory_order_acquire);
        if (object)
            return object;
        static QPX_Mutex creation;
        QPX_Guard guard(creation);
        object = s_instance.load(std::memory_order_relaxed);
        if (!object) {
            static std::unique_ptr<T, Release> holder(new T);
            object = holder.get();
            s_instance.store(object, std::memory_order_release);
        }
        return object;
    }

protected:
    CSingleton() = default;
    ~CSingleton() = default;

private:
    struct Release
    {
        void operator()(T *object) const
        {
            s_instance.store(nullptr, std::memory_order_release);
            delete object;
        }
    };

    static inline std::atomic<T *> s_instance{nullptr};
};

} // namespace Singleton
