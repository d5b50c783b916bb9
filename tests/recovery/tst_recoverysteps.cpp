#include <QtTest>

#include <csignal>
#include <cstring>

#include <sys/resource.h>

#include <QDateTime>

#include "recovery/recoverysteps.h"
#include "support/testfiles.h"

using namespace TarnTool::Recovery;

// The recovery steps that need no window: reading the library's request buffers without trusting
// their count, the request file's name and its all-or-nothing write, the key file's copy, and the
// reset record's bounded fields.
class TestRecoverySteps : public QObject
{
    Q_OBJECT

private slots:
    void requestBuffers();
    void requestFile();
    void keyFileCopy_data();
    void keyFileCopy();
    void keyFileCopyFailures();
    void resetRecord();
};

namespace {

QByteArray buffer(quint32 count, const QByteArray &data, int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(count >> (8 * i));
    std::memcpy(b.data() + 4, data.constData(), size_t(qMin(data.size(), size - 4)));
    return b;
}

// A disk that fills up after `bytes` bytes of a file, for as long as it lives.
struct FullDisk
{
    explicit FullDisk(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved); }
    struct rlimit saved {};
};

QByteArray field(const char *bytes, size_t size)
{
    return QByteArray(bytes, int(size));
}

} // namespace

void TestRecoverySteps::requestBuffers()
{
    QCOMPARE(requestBufferSize(TARN_CONFIG_KEY_REQUEST), 260);
    QCOMPARE(requestBufferSize(TARN_CONFIG_KEY_REQUEST_QR), 388);
    const QByteArray file(256, '\x01');
    QCOMPARE(requestData(buffer(256, file, 260), TARN_CONFIG_KEY_REQUEST), file);
    // A count beyond the kind's size or the buffer is cut to what is there, never read past.
    QCOMPARE(requestData(buffer(0xFFFFFFFF, file, 260), TARN_CONFIG_KEY_REQUEST), file);
    QCOMPARE(requestData(buffer(300, file, 200), TARN_CONFIG_KEY_REQUEST).size(), 196);
    QCOMPARE(requestData(buffer(10, file, 260), TARN_CONFIG_KEY_REQUEST), file.left(10));
    QCOMPARE(requestData(QByteArray(3, '\x05'), TARN_CONFIG_KEY_REQUEST), QByteArray());
    QCOMPARE(requestData(buffer(5, file, 260), 7), QByteArray());
    // The text form ends at its first NUL, and never runs past 384 bytes.
    QCOMPARE(requestText(buffer(388, "TARN-KR1:abc", 388)), QByteArray("TARN-KR1:abc"));
    QCOMPARE(requestText(buffer(400, QByteArray(384, 'q'), 388)), QByteArray(384, 'q'));
}

void TestRecoverySteps::requestFile()
{
    const QDateTime at(QDate(2017, 11, 13), QTime(15, 30, 59));
    QCOMPARE(requestFileName(QStringLiteral("A/B\\C"), at), QStringLiteral("A_B_C-201711131530.xml"));
    QCOMPARE(requestFileName(QStringLiteral("../x"), at.addSecs(-15 * 3600)), QStringLiteral(".._x-201711130030.xml"));

    QTemporaryDir dir;
    const QString path = dir.filePath(requestFileName(QStringLiteral("SN1"), at));
    QVERIFY(writeRequestFile(path, "first request, longer"));
    QVERIFY(writeRequestFile(path, "second"));  // the same minute replaces the file
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("second"));

    // A disk that fills up mid-write: false, and the earlier file stays whole.
    bool whole = true;
    {
        FullDisk full(100);
        whole = writeRequestFile(path, QByteArray(256, 'r'));
    }
    QVERIFY(!whole);
    written.close();
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("second"));

    // A folder that is gone: false with a reason, and no file claimed.
    QString error;
    QVERIFY(!writeRequestFile(dir.filePath(QStringLiteral("gone/r.xml")), "data", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone/r.xml"))));
}

void TestRecoverySteps::keyFileCopy_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("copy");
    QTest::newRow("CR LF at the end") << QByteArray("KEYTEXT==\r\n") << QByteArray("KEYTEXT==");
    QTest::newRow("line ends only") << QByteArray("\r\n\n\r\r\n") << QByteArray();
    QTest::newRow("inner line ends kept, as LF") << QByteArray("AB\r\nCD\n\n") << QByteArray("AB\nCD");
    QTest::newRow("lone CR at the end") << QByteArray("KEY\r") << QByteArray("KEY");
}

void TestRecoverySteps::keyFileCopy()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, copy);
    QTemporaryDir dir;
    const QString source = writeTestFile(dir, QStringLiteral("key.txt"), content);
    const QString target = dir.filePath(QStringLiteral("copy.xml"));
    QVERIFY(writeTestFile(dir, QStringLiteral("copy.xml"), "an old copy, longer than any key").size() > 0);
    QCOMPARE(prepareKeyFile(source, target), KeyFileResult::Ok);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), copy);
    QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
}

void TestRecoverySteps::keyFileCopyFailures()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("copy.xml"));
    QVERIFY(writeTestFile(dir, QStringLiteral("copy.xml"), "stale").size() > 0);
    // Too large to be a key: unreadable, and the old copy is gone all the same.
    const QString big = writeTestFile(dir, QStringLiteral("big.bin"), QByteArray(KeyFileMax + 1, 'k'));
    QCOMPARE(prepareKeyFile(big, target), KeyFileResult::SourceUnreadable);
    QVERIFY(!QFileInfo::exists(target));
    // A target that cannot be written is told apart from a source that cannot be read.
    const QString key = writeTestFile(dir, QStringLiteral("key.txt"), QByteArray(KeyFileMax, 'k'));
    QCOMPARE(prepareKeyFile(key, QStringLiteral("/dev/null/copy.xml")), KeyFileResult::TargetUnwritable);
    {
        FullDisk full(100);
        QCOMPARE(prepareKeyFile(key, target), KeyFileResult::TargetUnwritable);
    }
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(prepareKeyFile(key, target), KeyFileResult::Ok);
}

void TestRecoverySteps::resetRecord()
{
    TARN_RESET_PARAM r;
    std::memset(&r, 0x5A, sizeof r);
    QCOMPARE(fillResetParam(r, "KEY", QByteArray(), "Sixteen-bytes-16", true), FillResult::Ok);
    QCOMPARE(field(r.key, sizeof r.key), QByteArray("KEY") + QByteArray(253, '\0'));
    QCOMPARE(field(r.keyFilePath, sizeof r.keyFilePath), QByteArray(260, '\0'));
    QCOMPARE(field(r.password, sizeof r.password), QByteArray("Sixteen-bytes-16"));  // fills the field exactly
    QCOMPARE(r.resetIpc, uint8_t(1));
    QCOMPARE(field(reinterpret_cast<const char *>(r.reserved), sizeof r.reserved), QByteArray(511, '\0'));

    // The longest texts that keep their terminator, then one byte more: refused, record zeroed.
    QCOMPARE(fillResetParam(r, QByteArray(255, 'k'), QByteArray(), "Pass-word-1", false), FillResult::Ok);
    QCOMPARE(r.key[254], 'k');
    QCOMPARE(r.key[255], '\0');
    QCOMPARE(r.resetIpc, uint8_t(0));
    QCOMPARE(fillResetParam(r, QByteArray(), QByteArray(259, '/'), "Pass-word-1", false), FillResult::Ok);
    QCOMPARE(r.keyFilePath[259], '\0');
    QCOMPARE(fillResetParam(r, QByteArray(256, 'k'), QByteArray(), "Pass-word-1", false), FillResult::KeyTooLong);
    QCOMPARE(fillResetParam(r, QByteArray(), QByteArray(260, '/'), "Pass-word-1", false), FillResult::PathTooLong);
    QCOMPARE(fillResetParam(r, "KEY", QByteArray(), "Seventeen-bytes-7", true), FillResult::PasswordTooLong);
    QCOMPARE(field(reinterpret_cast<const char *>(&r), sizeof r), QByteArray(int(sizeof r), '\0'));
}

QTEST_GUILESS_MAIN(TestRecoverySteps)
#include "tst_recoverysteps.moc"
