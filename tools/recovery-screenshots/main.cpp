// Renders the password recovery dialogs for the emulator's devices, in English and in Chinese,
// with the tool's skin: the reset dialog of a device with QR code support showing its QR code, the
// same for a device without it (key file input), and the restore dialog.
//
//   recovery-screenshots <folder>
//
// The emulator and the library run on the loopback interface, in a network namespace of their own
// when the program may make one.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

#include "discovery/deviceinfo.h"
#include "discovery/tarnhandler.h"
#include "recovery/forgetpassword.h"
#include "toolskin.h"

namespace {

QVector<TARN_DEVICE_INFO> g_devices;

const TARN_DEVICE_INFO *find(bool keyReset, bool qr)
{
    for (const TARN_DEVICE_INFO &d : qAsConst(g_devices)) {
        if (bool(d.capabilityFlags & TARN_CAP_KEY_RESET) == keyReset && (!keyReset || bool(d.extraFlags & 1) == qr))
            return &d;
    }
    return nullptr;
}

template <class T>
T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

bool save(QWidget *dialog, const QString &path)
{
    QApplication::processEvents();
    const bool saved = dialog->grab().save(path);
    std::printf("recovery-screenshots: %s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

bool shoot(const QDir &out, const QString &suffix)
{
    bool ok = true;
    if (const TARN_DEVICE_INFO *d = find(true, true)) {
        auto dialog = TarnTool::createForgetPasswordDialog(QString::fromLatin1(d->serialNumber), *d);
        dialog->show();
        child<QPushButton>(dialog.get(), "m_btnQRcode")->click();
        child<QLineEdit>(dialog.get(), "m_lineEditFilePath")->setText(QStringLiteral("Uo3CkVbD6fZ0t1Kx9Yh2"));
        child<QLineEdit>(dialog.get(), "m_lineEditNewPassword")->setText(QStringLiteral("Site-Pass-42"));
        child<QLineEdit>(dialog.get(), "m_lineEditConfirmPassword")->setText(QStringLiteral("Site-Pass-42"));
        ok = save(dialog.get(), out.filePath(QStringLiteral("resetpassworddialog%1.png").arg(suffix))) && ok;
    } else {
        std::fprintf(stderr, "recovery-screenshots: no device with QR code support answered\n");
        ok = false;
    }
    if (const TARN_DEVICE_INFO *d = find(true, false)) {
        auto dialog = TarnTool::createForgetPasswordDialog(QString::fromLatin1(d->serialNumber), *d);
        dialog->show();
        child<QLineEdit>(dialog.get(), "m_lineEditFilePath")->setText(QDir::homePath() + QStringLiteral("/key-from-maker.txt"));
        child<QLineEdit>(dialog.get(), "m_lineEditNewPassword")->setText(QStringLiteral("weakpass1"));
        ok = save(dialog.get(), out.filePath(QStringLiteral("resetpassworddialog_file%1.png").arg(suffix))) && ok;
    }
    if (const TARN_DEVICE_INFO *d = find(false, false)) {
        auto dialog = TarnTool::createForgetPasswordDialog(QString::fromLatin1(d->serialNumber), *d);
        dialog->show();
        child<QLineEdit>(dialog.get(), "m_lineEditSecurityCode")->setText(QStringLiteral("K7QM-3XPD-RT8W-ZN2C"));
        ok = save(dialog.get(), out.filePath(QStringLiteral("restorepassworddialog%1.png").arg(suffix))) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    const bool privateNetwork = confineToLoopback();
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: recovery-screenshots <folder>\n");
        return 2;
    }
    const QDir out(app.arguments().at(1));
    QTemporaryDir work;
    if (!QDir().mkpath(out.path()) || !work.isValid())
        return 1;
    if (!applyToolSkin(QStringLiteral(TARN_BIN_DIR "/plugins/skins/")))
        std::fprintf(stderr, "recovery-screenshots: the CommonSkin plug-in was not found; icons will be missing\n");
    if (!privateNetwork)
        std::fprintf(stderr, "recovery-screenshots: on the shared loopback; other emulators' devices may show\n");
    registerDeviceMetaTypes();

    const QString secrets = work.filePath(QStringLiteral("maker.json"));
    if (QProcess::execute(QStringLiteral(TARN_MAKER_PROGRAM), {QStringLiteral("init"), QStringLiteral("--secrets"), secrets}) != 0) {
        std::fprintf(stderr, "recovery-screenshots: tarn-maker init failed\n");
        return 1;
    }
    // The library shows only devices certified by a maker it trusts: this one.
    const QString trusted = work.filePath(QStringLiteral("trusted-makers.txt"));
    if (QProcess::execute(QStringLiteral(TARN_MAKER_PROGRAM),
                          {QStringLiteral("trust"), QStringLiteral("--secrets"), secrets, QStringLiteral("-o"), trusted}) != 0) {
        std::fprintf(stderr, "recovery-screenshots: tarn-maker trust failed\n");
        return 1;
    }
    qputenv("TARN_TRUSTED_MAKERS", QFile::encodeName(trusted));
    QProcess emulator;
    if (!startEmulator(emulator, QStringLiteral(TARN_DEVICE_PROGRAM),
                       {QStringLiteral("--count"), QStringLiteral("6"), QStringLiteral("--seed"), QStringLiteral("41"),
                        QStringLiteral("--maker"), secrets})) {
        std::fprintf(stderr, "recovery-screenshots: the emulator did not start\n");
        return 1;
    }
    TARN::TarnHandler *handler = TARN::TarnHandler::instance();
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceOnline, &app,
                     [](const TARN_DEVICE_INFO &d) { g_devices.append(d); });
    if (!handler->start()) {
        std::fprintf(stderr, "recovery-screenshots: discovery did not start\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    while (g_devices.size() < 6 && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    bool ok = shoot(out, QString());
    QTranslator chinese;
    if (chinese.load(QStringLiteral(TARN_BIN_DIR "/translations/tarntool_zh.qm"))) {
        QApplication::installTranslator(&chinese);
        ok = shoot(out, QStringLiteral("_zh")) && ok;
    }
    handler->stop();
    emulator.terminate();
    emulator.waitForFinished(5000);
    return ok ? 0 : 1;
}
