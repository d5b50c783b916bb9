#include <QtTest>

#include <QLocalSocket>
#include <QThread>
#include <QtEndian>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/qtlocalpeer.h"
#include "app/tarntoolmainpage.h"
#include "app/toolsapplication.h"

using SharedTools::QtLocalPeer;

// The single-instance channel as a first copy meets later ones, well-behaved or not, and the
// start-up rules for screens and window size.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void laterCopiesAreClientsAndTheirMessagesArrive();
    void badFramesAreRefusedWithoutBlocking();
    void onlyTheUsersOwnFolderAndFileAreUsed();
    void startUpScreenRules();

private:
    // Connects a raw client and writes `bytes`; the socket stays open unless `close`.
    QLocalSocket *rawClient(const QByteArray &bytes);
    static QByteArray frame(quint32 length, const QByteArray &body)
    {
        QByteArray prefix(4, '\0');
        qToBigEndian<quint32>(length, reinterpret_cast<uchar *>(prefix.data()));
        return prefix + body;
    }

    QTemporaryDir m_tmp;
    QString m_id;
    QScopedPointer<QtLocalPeer> m_server;
    QStringList m_received;
    QHash<QLocalSocket *, QByteArray> m_replies;  // what each raw client got back
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    // The lock file and socket go to the user's runtime folder; one of our own keeps parallel runs apart.
    const QString runtime = m_tmp.filePath(QStringLiteral("run"));
    QVERIFY(::mkdir(QFile::encodeName(runtime).constData(), 0700) == 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    m_id = QStringLiteral("tst_singleinstance-") + QString::number(QCoreApplication::applicationPid());
    m_server.reset(new QtLocalPeer(nullptr, m_id));
    QVERIFY(!m_server->isClient());
    QVERIFY(m_server->errorString().isEmpty());
    QVERIFY2(m_server->lockFilePath().startsWith(runtime + QLatin1Char('/')), qPrintable(m_server->lockFilePath()));
    QVERIFY(m_server->socketName().startsWith(runtime + QLatin1Char('/')));
    QVERIFY(m_server->socketName().endsWith(QLatin1Char('-') + QString::number(quint64(::getuid()), 16)));
    connect(m_server.data(), &QtLocalPeer::messageReceived, this, [this](const QString &m) { m_received << m; });
}

QLocalSocket *TestSingleInstance::rawClient(const QByteArray &bytes)
{
    auto *socket = new QLocalSocket(this);
    socket->connectToServer(m_server->socketName());
    if (!socket->waitForConnected(2000))
        return socket;
    socket->write(bytes);
    socket->flush();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { m_replies[socket] += socket->readAll(); });
    return socket;
}

void TestSingleInstance::laterCopiesAreClientsAndTheirMessagesArrive()
{
    // A later copy, on a thread of its own so that its blocking send meets a server that is free
    // to answer: it is a client, and its message, non-ASCII included, arrives whole and is acked.
    const QString message = QStringLiteral("show the window — 窗口");
    bool client = false;
    bool sent = false;
    QString name;
    QThread *thread = QThread::create([&] {
        QtLocalPeer later(nullptr, m_id);
        name = later.socketName();
        client = later.isClient();
        sent = later.sendMessage(message, 5000);
    });
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 10000);
    delete thread;
    QCOMPARE(name, m_server->socketName());
    QVERIFY(client);
    QVERIFY(sent);
    QCOMPARE(m_received, QStringList {message});

    // An empty message is a message: acked and delivered.
    m_received.clear();
    QLocalSocket *empty = rawClient(frame(0, {}));
    QTRY_COMPARE(m_received, QStringList {QString()});
    QTRY_COMPARE(m_replies.value(empty), QByteArray("ack"));
    delete empty;

    // A message that is not the server's own id never reaches it.
    m_received.clear();
    QtLocalPeer stranger(nullptr, QStringLiteral("another tool"));
    QVERIFY(stranger.socketName() != m_server->socketName());
    QVERIFY(!stranger.isClient());
    QVERIFY(!stranger.sendMessage(QStringLiteral("x"), 500));  // a server itself sends nothing
    QVERIFY(m_received.isEmpty());
}

void TestSingleInstance::badFramesAreRefusedWithoutBlocking()
{
    m_received.clear();
    // A length above the bound is refused at once; no 2 MiB is waited for.
    QTest::ignoreMessage(QtWarningMsg, "QtLocalPeer: Message reception failed: a message of 2097152 bytes is too long");
    QLocalSocket *huge = rawClient(frame(2 * 1024 * 1024, QByteArray(64, 'x')));
    QTRY_COMPARE(huge->state(), QLocalSocket::UnconnectedState);
    delete huge;

    // A client that stops half-way and one that leaves early cost the server nothing: a good
    // message that comes after both is answered while they hang.
    QLocalSocket *stalled = rawClient(frame(10, "abc"));
    QTest::ignoreMessage(QtWarningMsg, "QtLocalPeer: Message reception failed: the client left before its message ended");
    QLocalSocket *leaver = rawClient(frame(10, "abc"));
    leaver->disconnectFromServer();
    QElapsedTimer timer;
    timer.start();
    QLocalSocket *good = rawClient(frame(2, "ok"));
    QTRY_COMPARE(m_received, QStringList {QStringLiteral("ok")});
    QVERIFY2(timer.elapsed() < QtLocalPeer::kReceiveTimeoutMs, "a stalled client held up the next one");
    QTRY_COMPARE(m_replies.value(good), QByteArray("ack"));
    QCOMPARE(stalled->state(), QLocalSocket::ConnectedState);
    QVERIFY(m_replies.value(stalled).isEmpty());
    delete good;
    delete leaver;

    // The stalled one is dropped once its time is up, with nothing delivered.
    QTest::ignoreMessage(QtWarningMsg, "QtLocalPeer: Message reception failed: no whole message in time");
    QTRY_COMPARE_WITH_TIMEOUT(stalled->state(), QLocalSocket::UnconnectedState, QtLocalPeer::kReceiveTimeoutMs + 3000);
    delete stalled;
    QCOMPARE(m_received, QStringList {QStringLiteral("ok")});
}

// Another account could once take the lock file's name in the shared temporary folder first, or
// plant a link there: the tool then said "already running", or created a file where the link
// pointed. Now only a folder and a lock file of the user's own are used, and anything else is an
// error with its reason, never taken for another copy.
void TestSingleInstance::onlyTheUsersOwnFolderAndFileAreUsed()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    auto peerIn = [](const QString &folder, const QString &id) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        return new QtLocalPeer(nullptr, id);
    };
    auto refused = [](QtLocalPeer *peer, const char *why) {
        QScopedPointer<QtLocalPeer> owner(peer);
        return !peer->isClient() && peer->errorString().contains(QLatin1String(why));
    };

    // A runtime folder others may write to is refused.
    const QString open = m_tmp.filePath(QStringLiteral("open"));
    QVERIFY(QDir().mkpath(open));
    QVERIFY(::chmod(QFile::encodeName(open).constData(), 0777) == 0);
    QVERIFY(refused(peerIn(open, QStringLiteral("a")), "0700"));

    // A link planted where the lock file goes: refused, and nothing is made where it points.
    const QString folder = m_tmp.filePath(QStringLiteral("own"));
    QVERIFY(::mkdir(QFile::encodeName(folder).constData(), 0700) == 0);
    QScopedPointer<QtLocalPeer> probe(peerIn(folder, QStringLiteral("b")));
    const QString lockPath = probe->lockFilePath();
    probe.reset();
    QVERIFY(QFile::remove(lockPath));
    const QString pointed = m_tmp.filePath(QStringLiteral("pointed"));
    QVERIFY(QFile::link(pointed, lockPath));
    QVERIFY(refused(peerIn(folder, QStringLiteral("b")), "lockfile"));
    QVERIFY(!QFile::exists(pointed));

    // A lock file of another user's: refused, not taken for a running copy.
    if (::geteuid() == 0) {
        QScopedPointer<QtLocalPeer> first(peerIn(folder, QStringLiteral("c")));
        const QString path = first->lockFilePath();
        first.reset();
        QVERIFY(::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
        QVERIFY(refused(peerIn(folder, QStringLiteral("c")), "not a file of this user's"));
    }

    // A copy that truly holds the lock is one: the next is its client, without an error.
    {
        QScopedPointer<QtLocalPeer> holder(peerIn(folder, QStringLiteral("d")));
        QVERIFY(!holder->isClient());
        QScopedPointer<QtLocalPeer> next(peerIn(folder, QStringLiteral("d")));
        QVERIFY(next->isClient());
        QVERIFY(next->errorString().isEmpty());
    }

    // Without a runtime folder, a private one under the user's cache folder.
    qunsetenv("XDG_RUNTIME_DIR");
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_tmp.filePath(QStringLiteral("cache"))));
    {
        QtLocalPeer peer(nullptr, QStringLiteral("e"));
        QVERIFY(!peer.isClient());
        QVERIFY(peer.errorString().isEmpty());
        const QFileInfo made(QFileInfo(peer.lockFilePath()).path());
        QVERIFY(made.path() == m_tmp.filePath(QStringLiteral("cache")));
        QCOMPARE(int(made.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)), 0);
    }
    qputenv("XDG_CACHE_HOME", cache);
    qputenv("XDG_RUNTIME_DIR", saved);
}

void TestSingleInstance::startUpScreenRules()
{
    using apt::ToolsApplication;
    QVERIFY(ToolsApplication::resolutionSufficient({QRect(0, 0, 1920, 1080)}));
    QVERIFY(ToolsApplication::resolutionSufficient({QRect(0, 0, 1024, 768)}));
    QVERIFY(!ToolsApplication::resolutionSufficient({QRect(0, 0, 1023, 768)}));
    QVERIFY(!ToolsApplication::resolutionSufficient({QRect(0, 0, 1024, 767)}));
    QVERIFY(!ToolsApplication::resolutionSufficient({}));
    // Width from one screen and height from another is enough.
    QVERIFY(ToolsApplication::resolutionSufficient({QRect(0, 0, 1280, 600), QRect(1280, 0, 800, 900)}));

    bool toOrigin = true;
    QCOMPARE(TarnTool::TARNToolMainPage::startSize(QRect(0, 0, 1920, 1040), &toOrigin), QSize(1417, 768));
    QVERIFY(!toOrigin);
    QCOMPARE(TarnTool::TARNToolMainPage::startSize(QRect(0, 0, 1280, 760), &toOrigin), QSize(1280, 760));
    QVERIFY(toOrigin);
    QCOMPARE(TarnTool::TARNToolMainPage::startSize(QRect(0, 0, 1024, 768), &toOrigin), QSize(1024, 768));
    QVERIFY(!toOrigin);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
