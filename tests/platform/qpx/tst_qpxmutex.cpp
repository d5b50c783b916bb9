#include <QtTest>

#include <atomic>
#include <thread>

#include "qpx/qpxguard.h"
#include "qpx/qpxmutex.h"

class TestQpxMutex : public QObject
{
    Q_OBJECT

private slots:
    void handleApi();
    void recursiveForTheOwner();
    void excludesOtherThreads();
    void unlockByAnotherThreadIsRefused();
    void guardReleasesOnEveryPath();
};

void TestQpxMutex::handleApi()
{
    QCOMPARE(QPX_MutexCreate(nullptr), int(QPX_ERROR));
    QPX_MUTEX m = nullptr;
    QCOMPARE(QPX_MutexLock(&m), int(QPX_ERROR));  // never created
    QCOMPARE(QPX_MutexCreate(&m), int(QPX_OK));
    QVERIFY(m);
    QCOMPARE(QPX_MutexUnlock(&m), int(QPX_ERROR));  // not held
    QCOMPARE(QPX_MutexLock(&m), int(QPX_OK));
    QCOMPARE(QPX_MutexDestroy(&m), int(QPX_ERROR));  // still held
    QCOMPARE(QPX_MutexUnlock(&m), int(QPX_OK));
    QCOMPARE(QPX_MutexDestroy(&m), int(QPX_OK));
    QVERIFY(!m);
    QCOMPARE(QPX_MutexDestroy(&m), int(QPX_ERROR));
}

void TestQpxMutex::recursiveForTheOwner()
{
    QPX_Mutex mutex;
    QCOMPARE(mutex.Lock(), int(QPX_OK));
    QCOMPARE(mutex.Lock(), int(QPX_OK));
    QCOMPARE(mutex.Unlock(), int(QPX_OK));

    // Still held once: another thread must wait until the last unlock.
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        mutex.Lock();
        acquired = true;
        mutex.Unlock();
    });
    QTest::qWait(50);
    QVERIFY(!acquired);
    QCOMPARE(mutex.Unlock(), int(QPX_OK));
    other.join();
    QVERIFY(acquired);
}

void TestQpxMutex::excludesOtherThreads()
{
    QPX_Mutex mutex;
    long counter = 0;  // deliberately not atomic: the mutex is what protects it
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            QPX_Guard outer(mutex);
            QPX_Guard inner(mutex);
            if (inside.fetch_add(1) != 0)
                ++overlaps;
            ++counter;
            inside.fetch_sub(1);
        }
    };
    std::thread t1(work), t2(work), t3(work);
    t1.join();
    t2.join();
    t3.join();
    QCOMPARE(overlaps.load(), 0);
    QCOMPARE(counter, 60000L);
}

void TestQpxMutex::unlockByAnotherThreadIsRefused()
{
    QPX_Mutex mutex;
    QCOMPARE(mutex.Lock(), int(QPX_OK));
    int result = QPX_OK;
    std::thread([&] { result = mutex.Unlock(); }).join();
    QCOMPARE(result, int(QPX_ERROR));
    QCOMPARE(mutex.Unlock(), int(QPX_OK));
}

void TestQpxMutex::guardReleasesOnEveryPath()
{
    QPX_Mutex mutex;
    auto early = [&](bool leave) {
        QPX_Guard guard(mutex);
        if (leave)
            return 1;
        return 2;
    };
    QCOMPARE(early(true), 1);
    QCOMPARE(early(false), 2);
    bool free = false;
    std::thread([&] {
        free = mutex.Lock() == QPX_OK;
        mutex.Unlock();
    }).join();
    QVERIFY(free);
}

QTEST_APPLESS_MAIN(TestQpxMutex)
#include "tst_qpxmutex.moc"
