// Renders the modify panel's views with devices held in the store, the password strength bars at
// each level and the result list after a batch, in English and in Chinese. No device is asked
// anything: the records are made here.
//
//   panel-screenshots <folder>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTranslator>

#include "configpanel/devicemodifypage.h"
#include "configpanel/devicemodifyresultpage.h"
#include "devicelist/devicestore.h"
#include "discovery/devicefields.h"
#include "toolskin.h"

namespace {

class StandInWindow : public QWidget
{
    Q_OBJECT

public slots:
    void enableCover() {}
    void disableCover() {}
};

TARN_DEVICE_INFO record(int i, bool activated)
{
    TARN_DEVICE_INFO r;
    std::memset(&r, 0, sizeof r);
    TARN::setFieldText(r.serialNumber, QStringLiteral("TN31%1-%2").arg(4410 + i * 37, 7, 10, QLatin1Char('0')).arg(i));
    TARN::setFieldText(r.macAddress, QStringLiteral("02-1f-00-00-%1-5c").arg(i, 2, 16, QLatin1Char('0')));
    TARN::setFieldText(r.ipv4Address, QStringLiteral("10.77.0.%1").arg(10 + i));
    TARN::setFieldText(r.ipv4SubnetMask, QStringLiteral("255.255.255.0"));
    TARN::setFieldText(r.ipv4Gateway, QStringLiteral("10.77.0.1"));
    TARN::setFieldText(r.ipv6Address, QStringLiteral("fe80::200:%1").arg(i));
    TARN::setFieldText(r.ipv6Gateway, QStringLiteral("fe80::1"));
    TARN::setFieldText(r.deviceTypeName, QStringLiteral("NC-D42 dome"));
    r.port = 8000;
    r.httpPort = 80;
    r.ipv6PrefixLength = 64;
    r.ipv6Valid = 1;
    r.capabilityFlags = TARN_CAP_IPV6 | TARN_CAP_MODIFY_IPV6 | TARN_CAP_DHCP | TARN_CAP_KEY_RESET;
    r.activationState = activated ? TARN_ACTIVATED : TARN_NOT_ACTIVATED;
    return r;
}

QVector<DeviceInfo> select(int first, int count, bool activated)
{
    QVector<DeviceInfo> infos;
    for (int i = first; i < first + count; ++i) {
        const TARN_DEVICE_INFO r = record(i, activated);
        TarnTool::DeviceStore::instance()->add(r);
        DeviceInfo d;
        d.strIndex = QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        d.strSerialNo = TARN::serialOf(r);
        d.strMAC = TARN::macOf(r);
        d.strIPv4 = TARN::fieldText(r.ipv4Address);
        d.strDeviceType = TARN::fieldText(r.deviceTypeName);
        infos << d;
    }
    return infos;
}

bool save(QWidget *widget, const QString &path)
{
    // Layout requests travel up one parent per round.
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
    const bool ok = widget->grab().save(path);
    std::printf("panel-screenshots: %s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

void type(QWidget *panel, const char *name, const QString &text)
{
    panel->findChild<QLineEdit *>(QLatin1String(name))->setText(text);
}

bool shootPanel(const QDir &out, const QString &suffix)
{
    bool ok = true;
    TarnTool::DeviceStore::instance()->clear();
    StandInWindow window;
    window.setStyleSheet(QStringLiteral("StandInWindow { background: #FFFFFF; }"));
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *panel = new TarnTool::DeviceModifyPage(&window);
    layout->addWidget(panel);
    window.resize(380, 740);
    window.show();

    panel->onCurrentSelectionChange(MODIFY_SINGLE, {});
    ok = save(&window, out.filePath(QStringLiteral("panel_none%1.png").arg(suffix))) && ok;
    panel->onCurrentSelectionChange(MODIFY_SINGLE, select(0, 1, true));
    type(panel, "m_lineEditAdminPassword", QStringLiteral("Admin12345"));
    ok = save(&window, out.filePath(QStringLiteral("panel_single%1.png").arg(suffix))) && ok;
    panel->onCurrentSelectionChange(MODIFY_BATCH, select(1, 3, true));
    type(panel, "m_lineEditStartIp", QStringLiteral("10.77.0.254"));
    type(panel, "m_lineEditSubnetMask", QStringLiteral("255.255.0.0"));
    type(panel, "m_lineEditGateway", QStringLiteral("10.77.0.1"));
    type(panel, "m_lineEditPort", QStringLiteral("8000"));
    type(panel, "m_lineEditHttpPort", QStringLiteral("80"));
    type(panel, "m_lineEditAdminPassword", QStringLiteral("Admin12345"));
    ok = save(&window, out.filePath(QStringLiteral("panel_batch%1.png").arg(suffix))) && ok;
    // The progress line as a running batch shows it.
    auto *progress = panel->findChild<QWidget *>(QStringLiteral("m_widgetProgress"));
    panel->findChild<QLabel *>(QStringLiteral("m_labelProgress"))
        ->setText(TarnTool::DeviceModifyPage::tr("Device %1 of %2: %3").arg(2).arg(3).arg(QStringLiteral("10.77.1.1")));
    panel->findChild<QWidget *>(QStringLiteral("m_widgetModifyPage"))->setEnabled(false);
    progress->show();
    ok = save(&window, out.filePath(QStringLiteral("panel_batch_progress%1.png").arg(suffix))) && ok;
    progress->hide();
    panel->findChild<QWidget *>(QStringLiteral("m_widgetModifyPage"))->setEnabled(true);

    panel->onCurrentSelectionChange(ACTIVE_SINGLE, select(4, 1, false));
    const char *levels[] = {"abcdefgh", "abcd1234", "abcdEFGH", "Abcd#1234"};
    for (int level = 0; level < 4; ++level) {
        type(panel, "m_lineEditNewPassword", QLatin1String(levels[level]));
        type(panel, "m_lineEditConfirmPassword", QLatin1String(levels[level]));
        ok = save(&window, out.filePath(QStringLiteral("panel_active_level%1%2.png").arg(level).arg(suffix))) && ok;
    }
    panel->onCurrentSelectionChange(ACTIVE_BATCH, select(5, 4, false));
    type(panel, "m_lineEditNewPassword", QStringLiteral("Abcd#1234"));
    type(panel, "m_lineEditConfirmPassword", QStringLiteral("Abcd#1234"));
    ok = save(&window, out.filePath(QStringLiteral("panel_active_batch%1.png").arg(suffix))) && ok;
    panel->onCurrentSelectionChange(MIXED_BATCH, select(9, 2, true));
    ok = save(&window, out.filePath(QStringLiteral("panel_mixed%1.png").arg(suffix))) && ok;
    return ok;
}

bool shootResults(const QDir &out, const QString &suffix)
{
    const QString succeed = TarnTool::DeviceModifyResultPage::tr("Succeed");
    QVector<DeviceInfo> devices = select(0, 5, true);
    const char *addresses[] = {"10.77.0.254", "10.77.1.1", "10.77.1.2", "10.77.0.13", "10.77.0.14"};
    for (int i = 0; i < devices.size(); ++i) {
        devices[i].strIPv4 = QLatin1String(addresses[i]);
        devices[i].strResult = succeed;
    }
    devices[3].strResult = TarnTool::DeviceModifyPage::tr("Error%1:no answer, result unknown").arg(2011);
    devices[4].strResult = TarnTool::DeviceModifyPage::tr("Not changed: the batch was stopped");
    bool ok = true;
    {
        TarnTool::DeviceModifyResultPage list;
        list.setDeviceInfos(devices);
        list.show();
        ok = save(&list, out.filePath(QStringLiteral("resultlist_modify%1.png").arg(suffix))) && ok;
    }
    devices[3].strResult = TarnTool::DeviceModifyPage::tr("Error%1:reactive").arg(2021);
    devices[4].strResult = succeed;
    TarnTool::DeviceModifyResultPage list;
    list.setHeaderText(4, TarnTool::DeviceModifyPage::tr("Activation"));
    list.setTotalCaption(TarnTool::DeviceModifyPage::tr("Batch activate devices"));
    list.setFailedCaption(TarnTool::DeviceModifyPage::tr("Activate fail numbers"));
    list.setDeviceInfos(devices);
    list.show();
    return save(&list, out.filePath(QStringLiteral("resultlist_activate%1.png").arg(suffix))) && ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: panel-screenshots <folder>\n");
        return 2;
    }
    const QDir out(app.arguments().at(1));
    if (!QDir().mkpath(out.path()))
        return 1;
    if (!applyToolSkin(QStringLiteral(TARN_BIN_DIR "/plugins/skins/")))
        std::fprintf(stderr, "panel-screenshots: the CommonSkin plug-in was not found; icons will be missing\n");
    registerDeviceMetaTypes();
    bool ok = shootPanel(out, QString()) && shootResults(out, QString());
    QTranslator chinese;
    if (chinese.load(QStringLiteral(TARN_BIN_DIR "/translations/tarntool_zh.qm"))) {
        QApplication::installTranslator(&chinese);
        ok = shootPanel(out, QStringLiteral("_zh")) && shootResults(out, QStringLiteral("_zh")) && ok;
    }
    return ok ? 0 : 1;
}

#include "main.moc"
