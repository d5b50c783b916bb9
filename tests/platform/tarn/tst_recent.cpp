#include <QtTest>

#include "core/recent.h"
#include "core/seal.h"

using namespace tarn;
using namespace std::chrono;

// The table that lets copies be dropped unread: what it keeps, for how long, what goes first.
class TestRecent : public QObject
{
    Q_OBJECT

private slots:
    void copiesUntilForgotten();
};

void TestRecent::copiesUntilForgotten()
{
    QVERIFY(seal::init());
    RecentDatagrams<int> recent(3, seconds(30));
    const RecentDatagrams<int>::Clock::time_point t0;
    const DatagramDigest a = recent.digest("a"), b = recent.digest("b"), c = recent.digest("c");
    QVERIFY(a != b && recent.digest("a") == a);
    QVERIFY(!recent.find(a, t0));
    recent.remember(a, 1, t0);
    recent.remember(b, 2, t0 + seconds(1));
    recent.remember(c, 3, t0 + seconds(2));
    QVERIFY(recent.find(a, t0 + seconds(30)) && *recent.find(a, t0 + seconds(30)) == 1);
    QVERIFY(!recent.find(a, t0 + seconds(31)));  // forgotten after its lifetime, whatever the room

    recent.remember(recent.digest("d"), 4, t0 + seconds(3));  // full: the oldest goes first
    QCOMPARE(recent.size(), std::size_t(3));
    QVERIFY(!recent.find(a, t0 + seconds(3)) && recent.find(b, t0 + seconds(3)));
    recent.remember(b, 5, t0 + seconds(40));  // again, after it was forgotten: it lives from now on
    QCOMPARE(recent.size(), std::size_t(1));
    QVERIFY(recent.find(b, t0 + seconds(69)) && *recent.find(b, t0 + seconds(69)) == 5);

    recent.reset();  // a fresh key: nobody knows beforehand which datagrams will look alike
    QCOMPARE(recent.size(), std::size_t(0));
    QVERIFY(recent.digest("a") != a);
}

QTEST_APPLESS_MAIN(TestRecent)
#include "tst_recent.moc"
