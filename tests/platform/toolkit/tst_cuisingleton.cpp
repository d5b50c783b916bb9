#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

#include <QProcess>

#include "toolkit/cuisingleton.h"

namespace {
std::atomic<int> g_constructions{0};
}

// Slow to build, so that racing threads all arrive while the first one is still constructing.
class Slow : public OrvoGUIToolkit::CUiSingleton<Slow>
{
    friend class OrvoGUIToolkit::CUiSingleton<Slow>;

public:
    int value = 0;

private:
    Slow()
    {
        ++g_constructions;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        value = 42;
    }
};

class TestCUiSingleton : public QObject
{
    Q_OBJECT

private slots:
    void racingThreadsGetOneObject();
    void deletedAtExitInReverseOrderOfCreation();
};

void TestCUiSingleton::racingThreadsGetOneObject()
{
    constexpr int threads = 8;
    std::vector<Slow *> seen(threads, nullptr);
    std::vector<int> values(threads, 0);
    std::atomic<bool> go{false};
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i) {
        pool.emplace_back([&, i] {
            while (!go.load())
                std::this_thread::yield();
            seen[i] = Slow::instance();
            values[i] = seen[i]->value;  // never a half-built object
        });
    }
    go = true;
    for (std::thread &t : pool)
        t.join();

    QCOMPARE(g_constructions.load(), 1);
    for (int i = 0; i < threads; ++i) {
        QCOMPARE(seen[i], Slow::instance());
        QCOMPARE(values[i], 42);
    }
}

void TestCUiSingleton::deletedAtExitInReverseOrderOfCreation()
{
    QProcess process;
    process.start(QStringLiteral(EXIT_ORDER_PROGRAM), QStringList());
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QStringList lines = QString::fromLatin1(process.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Second was finished before Third, so Third goes first and can still use Second.
    const QStringList expected = {
        QStringLiteral("make First"), QStringLiteral("make Second"), QStringLiteral("make Third"),
        QStringLiteral("main returns"), QStringLiteral("delete Third (Second alive)"),
        QStringLiteral("delete Second"), QStringLiteral("delete First")};
    QCOMPARE(lines, expected);
}

QTEST_GUILESS_MAIN(TestCUiSingleton)
#include "tst_cuisingleton.moc"
