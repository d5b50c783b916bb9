#pragma once

// Shared by the programs that render the tool's widgets to PNGs.
#include <sched.h>

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QPluginLoader>
#include <QProcess>

#include "skins/iskinplugin.h"
#include "toolkit/cfile.h"

// The skin and sheets exactly as start-up applies them. False when the CommonSkin plug-in is not
// in `skinDir`.
inline bool applyToolSkin(const QString &skinDir)
{
    bool found = false;
    const QStringList files = QDir(skinDir).entryList(QDir::Files, QDir::Unsorted);
    for (const QString &file : files) {
        QPluginLoader loader(QDir::cleanPath(skinDir + QLatin1Char('/') + file));
        if (!loader.load())
            continue;
        if (auto *skin = qobject_cast<ISkinPlugin *>(loader.instance()))
            found = found || skin->skinNames().contains(QStringLiteral("CommonSkin"));
    }
    QFont font(QStringLiteral("Microsoft YaHei"), 9);
    font.setStyleHint(QFont::Helvetica, QFont::PreferAntialias);
    QApplication::setFont(font);
    const QString dir = QStringLiteral(":/OrvoDesk/Qss/Qss/OrvoGUIToolkit/");
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Unsorted);
    names.removeAll(QStringLiteral("MacSpecial.qss"));
    qApp->setStyleSheet(OrvoGUIToolkit::CFile::ReadAll(names, dir)
                        + OrvoGUIToolkit::CFile::ReadAll(QStringLiteral(":/OrvoDesk/Qss/Qss/TARNTool/TARNTool.qss")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/aptui/complex/Images/System/Complex/calculate.png")));
    return found;
}

// Moves the program into a network namespace of its own with only its loopback up, where it may
// make one, and confines the discovery library to the loopback. False when it stays on the shared
// loopback, where other emulators' devices may show. Call before any thread starts.
inline bool confineToLoopback()
{
    const bool privateNetwork = unshare(CLONE_NEWNET) == 0
        && QProcess::execute(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                                                   QStringLiteral("up")}) == 0;
    qputenv("TARN_IFACES", "lo");
#ifdef TARN_TEST_MAKER_SECRETS
    // The emulator's devices are certified by the build's test maker, which the library trusts.
    if (qEnvironmentVariableIsEmpty("TARN_MAKER_SECRETS"))
        qputenv("TARN_MAKER_SECRETS", TARN_TEST_MAKER_SECRETS);
    if (qEnvironmentVariableIsEmpty("TARN_TRUSTED_MAKERS"))
        qputenv("TARN_TRUSTED_MAKERS", TARN_TEST_TRUSTED_MAKERS);
#endif
    return privateNetwork;
}

// Starts the device emulator `program` on the loopback with `arguments` and waits until it talks.
inline bool startEmulator(QProcess &emulator, const QString &program, const QStringList &arguments)
{
    emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emulator.start(program, QStringList {QStringLiteral("--iface"), QStringLiteral("lo")} + arguments);
    return emulator.waitForStarted(5000) && emulator.waitForReadyRead(10000);
}
