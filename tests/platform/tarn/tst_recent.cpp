#include <QtTest>

#include "core/recent.h"
#include "core/seal.h"

using namespace tarn;
using namespace std::chrono;

// The table of recent datagrams that lets copies be dropped unread: what it keeps, for how long,
// and what it lets go first when full.
class TestRecent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(seal::init()); }
    void copiesUntilForgotten();
};

void TestRecent::copiesUntilForgotten()
{
    RecentDatagrams<int> recent(3, seconds(30));
    const RecentDatagrams<int>::Clock::time_point t0;
    const DatagramDigest a = recent.digest("a"), b = recent.digest("b"), c = recent.digest("c"), d = recent.digest("d");
    QVERIFY(a != b);
    QCOMPARE(recent.digest("a"), a);  // the same bytes, the same digest, under one key
    QVERIFY(!recent.find(a, t0));

    recent.remember(a, 1, t0);
    recent.remember(b, 2, t0 + seconds(1));
    recent.remember(c, 3, t0 + seconds(2));
    QVERIFY(recent.find(a, t0 + seconds(30)) && *recent.find(a, t0 + seconds(30)) == 1);
    QVERIFY(!recent.find(a, t0 + seconds(31)));  // forgotten after its lifetime, whatever the room
    *recent.find(b, t0 + seconds(2)) = 20;       // the note is the receiver's to change
    QCOMPARE(*recent.find(b, t0 + seconds(2)), 20);

    // Full: the oldest goes first.
    recent.remember(d, 4, t0 + seconds(3));
    QCOMPARE(recent.size(), std::size_t(3));
    QVERIFY(!recent.find(a, t0 + seconds(3)));
    QVERIFY(recent.find(b, t0 + seconds(3)) && recent.find(c, t0 + seconds(3)) && recent.find(d, t0 + seconds(3)));

    // Remembered again after it was forgotten, it lives from then on; what expired meanwhile is gone.
    recent.remember(b, 5, t0 + seconds(40));
    QCOMPARE(recent.size(), std::size_t(1));
    QVERIFY(recent.find(b, t0 + seconds(69)) && *recent.find(b, t0 + seconds(69)) == 5);

    // A fresh key after reset: nobody can know beforehand which datagrams will look alike.
    recent.reset();
    QCOMPARE(recent.size(), std::size_t(0));
    QVERIFY(recent.digest("a") != a);
}

QTEST_APPLESS_MAIN(TestRecent)
#include "tst_recent.moc"
