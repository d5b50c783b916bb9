#include <QtTest>

#include <cstring>

#include <QLabel>
#include <QPluginLoader>
#include <QPushButton>
#include <QTextCodec>
#include <QToolButton>

#include "aptui/multistatelineedit.h"
#include "devicecollector.h"
#include "emulatorstate.h"
#include "discovery/deviceinfo.h"
#include "discovery/tarnhandler.h"
#include "kittest.h"
#include "recovery/forgetpassword.h"
#include "recovery/resetpassworddialog.h"
#include "recovery/restorepassworddialog.h"
#include "support/filechooser.h"
#include "support/qrdecode.h"
#include "support/warningboxes.h"
#include "toolkit/guitext.h"

using aptui::MultiStateLineEdit;
using kittest::child;

// The recovery dialogs driven as an installer would drive them, against the emulator on the
// loopback interface with tarn-maker as the device maker: the key request exported to a file or
// shown as a QR code (read back by zbarimg), the maker's key imported or typed in, the reset, and
// the security code. "Forget Password" chooses the dialog from the device's record, as the modify
// panel does. The emulators' state files show what the devices took.
class TestRecoveryDialogsLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void forgetPasswordByKeyFile();
    void qrCodeAndTypedKey();
    void keyOfAnotherDeviceRefused();
    void expiredRequestRefused();
    void exportToAFolderThatVanishes();
    void securityCode();
    void lockoutAfterWrongCodes();

private:
    TARN_DEVICE_INFO device(const char *seed, int index) const;
    QByteArray runMaker(const QStringList &arguments, const QByteArray &input = QByteArray(), int *exitCode = nullptr);
    QJsonObject stateOf(const TARN_DEVICE_INFO &d, const QString &file = QStringLiteral("devices.json")) const;
    std::unique_ptr<aptui::BaseDialog> forgetPassword(const TARN_DEVICE_INFO &d);
    QByteArray showQrCode(aptui::BaseDialog *dialog);
    QVector<warningboxes::Shown> resetWith(aptui::BaseDialog *dialog, const QString &key, const QString &password);
    QVector<warningboxes::Shown> restoreWith(aptui::BaseDialog *dialog, const QString &code);
    bool modifyWith(const TARN_DEVICE_INFO &d, const QByteArray &password, int *error);

    QTemporaryDir m_dir;
    QProcess m_emulator;
    QProcess m_shortLived;  // slow to answer; its key requests expire after 3 seconds
    QString m_secrets;
    QVector<TARN_DEVICE_INFO> m_online;
};

namespace {

QVector<warningboxes::Shown> click(QWidget *dialog, const char *button)
{
    return warningboxes::answer([dialog, button] { QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton); });
}

QStringList texts(const QVector<warningboxes::Shown> &shown)
{
    QStringList list;
    for (const warningboxes::Shown &s : shown)
        list << s.text;
    return list;
}

} // namespace

void TestRecoveryDialogsLoopback::initTestCase()
{
    QPluginLoader skin(QStringLiteral(COMMONSKIN_PLUGIN));
    QVERIFY2(skin.load(), qPrintable(skin.errorString()));
    QVERIFY(m_dir.isValid());
    qputenv("TARN_IFACES", "lo");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    OrvoGUIToolkit::InitGuiTextCodec(QTextCodec::codecForName("UTF-8"));
    registerDeviceMetaTypes();
    m_secrets = m_dir.filePath(QStringLiteral("maker.json"));
    int exitCode = -1;
    runMaker({QStringLiteral("init"), QStringLiteral("--secrets"), m_secrets}, {}, &exitCode);
    QCOMPARE(exitCode, 0);
    // The library shows only devices certified by a maker it trusts: this one.
    const QString trusted = m_dir.filePath(QStringLiteral("trusted-makers.txt"));
    runMaker({QStringLiteral("trust"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-o"), trusted}, {}, &exitCode);
    QCOMPARE(exitCode, 0);
    qputenv("TARN_TRUSTED_MAKERS", QFile::encodeName(trusted));

    auto arguments = [this](const char *seed, int count, const char *state) {
        return QStringList {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"), QString::number(count),
                            QStringLiteral("--seed"), QLatin1String(seed), QStringLiteral("--maker"), m_secrets,
                            QStringLiteral("--state"), m_dir.filePath(QLatin1String(state))};
    };
    QVERIFY(startEmulator(m_emulator, arguments("21", 6, "devices.json")));
    QVERIFY(startEmulator(m_shortLived, arguments("22", 2, "short.json") << QStringLiteral("--request-s") << QStringLiteral("3")
                                                                           << QStringLiteral("--delay-ms") << QStringLiteral("150")));

    TARN::TarnHandler *handler = TARN::TarnHandler::instance();
    connect(handler, &TARN::TarnHandler::signalDeviceOnline, this, [this](const TARN_DEVICE_INFO &d) { m_online.append(d); });
    QVERIFY(handler->start());
    QTRY_COMPARE_WITH_TIMEOUT(m_online.size(), 8, 10000);
}

void TestRecoveryDialogsLoopback::cleanupTestCase()
{
    TARN::TarnHandler::instance()->stop();
    stopEmulator(m_emulator);
    stopEmulator(m_shortLived);
}

// The emulator's device `index` of the run with `seed`. Device i has the key procedure unless
// i % 3 == 2, QR code support when i is odd, the "Reset IPC" option when i % 7 == 0, and starts
// without a password when i % 3 == 0.
TARN_DEVICE_INFO TestRecoveryDialogsLoopback::device(const char *seed, int index) const
{
    const QByteArray prefix = QByteArray("TN") + seed;
    const QByteArray suffix = "-" + QByteArray::number(index);
    for (const TARN_DEVICE_INFO &d : m_online) {
        const QByteArray serial(d.serialNumber);
        if (serial.startsWith(prefix) && serial.endsWith(suffix))
            return d;
    }
    return TARN_DEVICE_INFO {};
}

QByteArray TestRecoveryDialogsLoopback::runMaker(const QStringList &arguments, const QByteArray &input, int *exitCode)
{
    QProcess maker;
    maker.start(QStringLiteral(TARN_MAKER_PROGRAM), arguments);
    maker.waitForStarted(5000);
    maker.write(input);
    maker.closeWriteChannel();
    maker.waitForFinished(10000);
    if (exitCode)
        *exitCode = maker.exitStatus() == QProcess::NormalExit ? maker.exitCode() : -1;
    return maker.readAllStandardOutput().trimmed();
}

QJsonObject TestRecoveryDialogsLoopback::stateOf(const TARN_DEVICE_INFO &d, const QString &file) const
{
    return emulatorDeviceState(m_dir.filePath(file), QByteArray(d.serialNumber));
}

std::unique_ptr<aptui::BaseDialog> TestRecoveryDialogsLoopback::forgetPassword(const TARN_DEVICE_INFO &d)
{
    auto dialog = TarnTool::createForgetPasswordDialog(QString::fromLatin1(d.serialNumber), d);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    return dialog;
}

// Shows the QR code and reads it off the screen as a phone would, with zbarimg.
QByteArray TestRecoveryDialogsLoopback::showQrCode(aptui::BaseDialog *dialog)
{
    const QVector<warningboxes::Shown> shown = click(dialog, "m_btnQRcode");
    if (!shown.isEmpty()) {
        qWarning("%s", qPrintable(shown.first().text));
        return QByteArray();
    }
    return decodeQrCodes(child<QLabel>(dialog, "m_labelQcCode")->grab().toImage());
}

QVector<warningboxes::Shown> TestRecoveryDialogsLoopback::resetWith(aptui::BaseDialog *dialog, const QString &key,
                                                                   const QString &password)
{
    if (!key.isNull())
        child<MultiStateLineEdit>(dialog, "m_lineEditFilePath")->setText(key);
    QTest::keyClicks(child<MultiStateLineEdit>(dialog, "m_lineEditNewPassword"), password);
    QTest::keyClicks(child<MultiStateLineEdit>(dialog, "m_lineEditConfirmPassword"), password);
    return click(dialog, "btnConfirm");
}

QVector<warningboxes::Shown> TestRecoveryDialogsLoopback::restoreWith(aptui::BaseDialog *dialog, const QString &code)
{
    auto *field = child<MultiStateLineEdit>(dialog, "m_lineEditSecurityCode");
    field->clear();
    QTest::keyClicks(field, code);
    return click(dialog, "btnConfirm");
}

bool TestRecoveryDialogsLoopback::modifyWith(const TARN_DEVICE_INFO &d, const QByteArray &password, int *error)
{
    TARN_NETWORK_PARAMS p {};
    std::memcpy(p.ipv4Address, d.ipv4Address, sizeof p.ipv4Address);
    std::memcpy(p.ipv4SubnetMask, d.ipv4SubnetMask, sizeof p.ipv4SubnetMask);
    std::memcpy(p.ipv4Gateway, d.ipv4Gateway, sizeof p.ipv4Gateway);
    p.port = uint16_t(d.port);
    p.httpPort = uint16_t(d.httpPort);
    TARN::TarnHandler *handler = TARN::TarnHandler::instance();
    const bool ok = handler->modifyDeviceNetParam(QByteArray(d.macAddress), password, p);
    *error = ok ? 0 : handler->getLastError();
    return ok;
}

// "Forget Password" on a device without QR code support: the request exported to a file, answered
// by the maker, the key file imported, a new password set and passed on to the cameras.
void TestRecoveryDialogsLoopback::forgetPasswordByKeyFile()
{
    const TARN_DEVICE_INFO d = device("21", 0);
    QVERIFY(d.serialNumber[0]);
    const QString before = stateOf(d).value(QStringLiteral("hash")).toString();
    const auto dialog = forgetPassword(d);
    QVERIFY(qobject_cast<TarnTool::ResetPasswordDialog *>(dialog.get()));
    QVERIFY(!child<QWidget>(dialog.get(), "m_btnQRcode")->isVisible());
    QVERIFY(child<QWidget>(dialog.get(), "m_checkBoxIPC")->isVisible());

    const QString folder = m_dir.filePath(QStringLiteral("requests"));
    QVERIFY(QDir().mkpath(folder));
    QString startedAt;
    chooseInNextDialog(folder, &startedAt);
    QCOMPARE(texts(click(dialog.get(), "m_btnExport")), QStringList {QStringLiteral("Exported.")});
    const QStringList files = QDir(folder).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^TN21\\d+-0-\\d{12}\\.xml$")).match(files.first()).hasMatch(),
             qPrintable(files.first()));
    const QString request = QDir(folder).filePath(files.first());
    QCOMPARE(QFileInfo(request).size(), qint64(256));

    const QString keyFile = m_dir.filePath(QStringLiteral("key0.txt"));
    int exitCode = -1;
    runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-o"), keyFile, request}, {},
             &exitCode);
    QCOMPARE(exitCode, 0);
    startedAt.clear();
    chooseInNextDialog(keyFile, &startedAt);
    // The chooser opens after the click has returned.
    QTest::mouseClick(child<QToolButton>(dialog.get(), "m_btnFilePath"), Qt::LeftButton);
    QTRY_VERIFY(!startedAt.isEmpty());
    QCOMPARE(child<MultiStateLineEdit>(dialog.get(), "m_lineEditFilePath")->text(), keyFile);
    child<QAbstractButton>(dialog.get(), "m_checkBoxIPC")->setChecked(true);

    QCOMPARE(texts(resetWith(dialog.get(), QString(), QStringLiteral("File-Pass-42"))),
             QStringList {QStringLiteral("Reset password Succeed.")});
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!dialog->isVisible());
    const QJsonObject state = stateOf(d);
    QVERIFY(!state.value(QStringLiteral("hash")).toString().isEmpty());
    QVERIFY(state.value(QStringLiteral("hash")).toString() != before);
    QCOMPARE(state.value(QStringLiteral("cameraResets")).toInt(), 1);
    QCOMPARE(state.value(QStringLiteral("act")).toInt(), 0);
    QVERIFY(!QFileInfo::exists(TarnTool::ResetPasswordDialog::keyFileCopyPath()));
    int error = 0;
    QVERIFY2(modifyWith(d, "File-Pass-42", &error), qPrintable(QString::number(error)));
}

// The QR code read by zbarimg is the device's open request: the maker answers the text it read,
// and the key typed in resets the password; the old password is refused afterwards.
void TestRecoveryDialogsLoopback::qrCodeAndTypedKey()
{
    const TARN_DEVICE_INFO d = device("21", 1);
    QVERIFY(d.serialNumber[0]);
    const auto dialog = forgetPassword(d);
    QVERIFY(!child<QWidget>(dialog.get(), "m_btnFilePath")->isVisible());
    const QByteArray text = showQrCode(dialog.get());
    QVERIFY2(text.startsWith("TARN-KR1:"), text.constData());
    // The nonce inside the request read off the screen is the one the device keeps open.
    const QByteArray bytes = QByteArray::fromBase64(text.mid(9));
    QCOMPARE(bytes.size(), 120);
    QStringList open;
    for (const QJsonValue &request : stateOf(d).value(QStringLiteral("requests")).toArray())
        open << request.toObject().value(QStringLiteral("nonce")).toString();
    QVERIFY2(open.contains(QString::fromLatin1(bytes.mid(56, 16).toBase64())), qPrintable(open.join(QLatin1Char(' '))));

    int exitCode = -1;
    const QByteArray key = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")},
                                    text + "\n", &exitCode);
    QCOMPARE(exitCode, 0);
    QCOMPARE(texts(resetWith(dialog.get(), QString::fromLatin1(key), QStringLiteral("Typed-Key-9"))),
             QStringList {QStringLiteral("Reset password Succeed.")});
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    int error = 0;
    QVERIFY2(modifyWith(d, "Typed-Key-9", &error), qPrintable(QString::number(error)));
    QVERIFY(!modifyWith(d, "Admin12345", &error));
    QCOMPARE(error, TARN_ERR_DENIED);
}

// The key the maker made for device 0 (forgetPasswordByKeyFile), typed in for another device.
void TestRecoveryDialogsLoopback::keyOfAnotherDeviceRefused()
{
    QFile keyFile(m_dir.filePath(QStringLiteral("key0.txt")));
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    const QString otherKey = QString::fromLatin1(keyFile.readAll().trimmed());
    const TARN_DEVICE_INFO target = device("21", 3);
    QVERIFY(target.serialNumber[0]);
    const auto dialog = forgetPassword(target);
    QVERIFY(!showQrCode(dialog.get()).isEmpty());
    QCOMPARE(texts(resetWith(dialog.get(), otherKey, QStringLiteral("Other-Key-7"))),
             QStringList {QStringLiteral("Reset password failed.")});
    QVERIFY(dialog->isVisible());
    QCOMPARE(stateOf(target).value(QStringLiteral("hash")).toString(), QString());
    QCOMPARE(stateOf(target).value(QStringLiteral("act")).toInt(), 1);
}

void TestRecoveryDialogsLoopback::expiredRequestRefused()
{
    const TARN_DEVICE_INFO d = device("22", 1);
    QVERIFY(d.serialNumber[0]);
    const QString before = stateOf(d, QStringLiteral("short.json")).value(QStringLiteral("hash")).toString();
    const auto dialog = forgetPassword(d);
    // While the slow device is asked, the event loop runs: the form is disabled and closing the
    // dialog is refused until the answer is in.
    auto *form = child<QWidget>(dialog.get(), "ResetPasswordDialog_centerWidget");
    int ticksWhileBusy = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (!form->isEnabled()) {
            ++ticksWhileBusy;
            dialog->reject();
        }
    });
    ticker.start(20);
    const QByteArray text = showQrCode(dialog.get());
    ticker.stop();
    QVERIFY2(ticksWhileBusy >= 3, qPrintable(QString::number(ticksWhileBusy)));
    QVERIFY(dialog->isVisible());
    QVERIFY(form->isEnabled());
    int exitCode = -1;
    const QByteArray key = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")},
                                    text, &exitCode);
    QCOMPARE(exitCode, 0);
    // Past the request's 3 seconds. The maker goes by the same clock and the expiry the request
    // carries: once it refuses the request, the device does too.
    const auto makerRefuses = [&] {
        runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")}, text, &exitCode);
        return exitCode != 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(makerRefuses(), 10000);
    QVERIFY(exitCode != 0);  // the maker sees it too
    QCOMPARE(texts(resetWith(dialog.get(), QString::fromLatin1(key), QStringLiteral("Late-Key-12"))),
             QStringList {QStringLiteral("Reset password failed.")});
    QVERIFY(dialog->isVisible());
    QCOMPARE(stateOf(d, QStringLiteral("short.json")).value(QStringLiteral("hash")).toString(), before);
}

// The folder goes while the slow device is asked: the export says so and claims no file.
void TestRecoveryDialogsLoopback::exportToAFolderThatVanishes()
{
    const TARN_DEVICE_INFO d = device("22", 0);
    QVERIFY(d.serialNumber[0]);
    const auto dialog = forgetPassword(d);
    const QString folder = m_dir.filePath(QStringLiteral("vanishing"));
    QVERIFY(QDir().mkpath(folder));
    auto *form = child<QWidget>(dialog.get(), "ResetPasswordDialog_centerWidget");
    QTimer remover;
    connect(&remover, &QTimer::timeout, this, [&] {
        if (!form->isEnabled())
            QDir(folder).removeRecursively();
    });
    remover.start(10);
    QString startedAt;
    chooseInNextDialog(folder, &startedAt);
    QCOMPARE(texts(click(dialog.get(), "m_btnExport")), QStringList {QStringLiteral("Create device key file error.")});
    QVERIFY(!QFileInfo::exists(folder));
}

void TestRecoveryDialogsLoopback::securityCode()
{
    const TARN_DEVICE_INFO d = device("21", 2);
    QVERIFY(d.serialNumber[0]);
    const auto dialog = forgetPassword(d);
    QVERIFY(qobject_cast<TarnTool::RestorePasswordDialog *>(dialog.get()));
    QCOMPARE(texts(restoreWith(dialog.get(), QStringLiteral("AAAA-BBBB-CCCC-DDDD"))),
             QStringList {QStringLiteral("Restore password failed.")});
    QVERIFY(dialog->isVisible());
    int exitCode = -1;
    const QByteArray code = runMaker({QStringLiteral("code"), QStringLiteral("--secrets"), m_secrets,
                                      QString::fromLatin1(d.serialNumber)}, {}, &exitCode);
    QCOMPARE(exitCode, 0);
    QCOMPARE(texts(restoreWith(dialog.get(), QString::fromLatin1(code))),
             QStringList {QStringLiteral("Restore password succeed.")});
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    // The device forgot its password and waits to be activated anew.
    QCOMPARE(stateOf(d).value(QStringLiteral("hash")).toString(), QString());
    QCOMPARE(stateOf(d).value(QStringLiteral("act")).toInt(), 1);
}

void TestRecoveryDialogsLoopback::lockoutAfterWrongCodes()
{
    const TARN_DEVICE_INFO d = device("21", 5);
    QVERIFY(d.serialNumber[0]);
    const QString before = stateOf(d).value(QStringLiteral("hash")).toString();
    QVERIFY(!before.isEmpty());
    const auto dialog = forgetPassword(d);
    for (int attempt = 0; attempt < 5; ++attempt) {
        QCOMPARE(texts(restoreWith(dialog.get(), QStringLiteral("WRNG-CODE-%1AAA-BBBB").arg(attempt))),
                 QStringList {QStringLiteral("Restore password failed.")});
    }
    // Locked now: even the maker's code is refused, and the password stays.
    int exitCode = -1;
    const QByteArray code = runMaker({QStringLiteral("code"), QStringLiteral("--secrets"), m_secrets,
                                      QString::fromLatin1(d.serialNumber)}, {}, &exitCode);
    QCOMPARE(exitCode, 0);
    QCOMPARE(texts(restoreWith(dialog.get(), QString::fromLatin1(code))),
             QStringList {QStringLiteral("Restore password failed.")});
    QVERIFY(dialog->isVisible());
    QCOMPARE(stateOf(d).value(QStringLiteral("hash")).toString(), before);
    int error = 0;
    QVERIFY(!modifyWith(d, "Admin12345", &error));
    QCOMPARE(error, TARN_ERR_LOCKED);
}

QTEST_MAIN(TestRecoveryDialogsLoopback)
#include "tst_recoverydialogs_lo.moc"
