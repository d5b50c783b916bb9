#include "configpanel/devicemodifyresultpage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "aptui/treeviewwithleftpixmapdelegate.h"
#include "toolkit/ctableview.h"

namespace TarnTool {

namespace {

const char kOkIcon[] = ":/CommonSkin/TARNTool/Images/TARNTool/BaseControl/Inputs/icon_alert_ok.png";
const char kErrorIcon[] = ":/CommonSkin/TARNTool/Images/TARNTool/BaseControl/Inputs/icon_alert_error.png";
const QColor kCellColour(QStringLiteral("#666666"));
const int kWidths[] = {50, 120, 120, 175, 175};

QStandardItem *cell(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setForeground(kCellColour);
    item->setEditable(false);
    return item;
}

} // namespace

DeviceModifyResultPage::DeviceModifyResultPage(QWidget *parent)
    : aptui::BaseDialog(false, false, false, false, true, true, false, parent)
{
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("DeviceModifyResultPage"));
    auto *root = new QVBoxLayout(content);
    root->setContentsMargins(16, 10, 16, 6);
    auto *counts = new QHBoxLayout;
    m_labelDeviceAll = new QLabel(tr("Devices Number:"), content);
    m_labelDeviceAll->setObjectName(QStringLiteral("m_labelDeviceAll"));
    auto *split = new QFrame(content);
    split->setObjectName(QStringLiteral("m_ResultSplit"));
    split->setFrameShape(QFrame::VLine);
    split->setMaximumHeight(12);
    m_labelPic = new QLabel(content);
    m_labelPic->setObjectName(QStringLiteral("m_labelPic"));
    m_labelPic->setPixmap(QPixmap(QLatin1String(kErrorIcon)));
    m_labelDeviceFail = new QLabel(tr("Failed Number:"), content);
    m_labelDeviceFail->setObjectName(QStringLiteral("m_labelDeviceFail"));
    counts->addWidget(m_labelDeviceAll);
    counts->addSpacing(8);
    counts->addWidget(split);
    counts->addSpacing(8);
    counts->addWidget(m_labelPic);
    counts->addWidget(m_labelDeviceFail);
    counts->addStretch();
    root->addLayout(counts);

    m_tableViewResult = new OrvoGUIToolkit::CTableView(content);
    m_tableViewResult->setObjectName(QStringLiteral("m_tableViewResult"));
    m_tableViewResult->setAccessibleName(tr("Results"));
    m_tableViewResult->setAlternatingRowColors(true);
    m_tableViewResult->ShowGridLine(false);
    m_tableViewResult->setItemDelegate(new aptui::TreeViewWithLeftPixmapDelegate(m_tableViewResult));
    m_model = new QStandardItemModel(0, 5, this);
    m_model->setHorizontalHeaderLabels(
        {tr("ID"), tr("Device Type"), tr("IPv4 Address"), tr("Serial Number"), tr("Modification")});
    for (int c = 0; c < 5; ++c)
        m_model->setHeaderData(c, Qt::Horizontal, int(Qt::AlignLeft | Qt::AlignVCenter), Qt::TextAlignmentRole);
    m_tableViewResult->setModel(m_model);
    // Failure texts can be long: the last column takes what the dialog has left.
    m_tableViewResult->header()->setStretchLastSection(true);
    root->addWidget(m_tableViewResult);

    setContentWidget(content);
    setTitle(tr("Confirmation List"));
    setWindowIcon(QIcon(QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/SystemInfo/logo_large.png")));
    resize(700, 500);
}

void DeviceModifyResultPage::setHeaderText(int column, const QString &text)
{
    m_model->setHeaderData(column, Qt::Horizontal, text);
}

void DeviceModifyResultPage::setTotalCaption(const QString &text)
{
    m_labelDeviceAll->setText(text);
}

void DeviceModifyResultPage::setFailedCaption(const QString &text)
{
    m_labelDeviceFail->setText(text);
}

void DeviceModifyResultPage::setDeviceInfos(QVector<DeviceInfo> devices)
{
    m_devices = devices;
    m_labelDeviceAll->setText(m_labelDeviceAll->text() + QLatin1Char(' ') + QString::number(devices.size()));
    for (int c = 0; c < 5; ++c)
        m_tableViewResult->setColumnWidth(c, kWidths[c]);
    int failed = 0;
    const QString succeed = tr("Succeed");
    for (int i = 0; i < devices.size(); ++i) {
        const DeviceInfo &d = devices.at(i);
        m_model->setItem(i, 0, cell(d.strIndex));
        m_model->setItem(i, 1, cell(d.strDeviceType));
        m_model->setItem(i, 2, cell(d.strIPv4));
        m_model->setItem(i, 3, cell(d.strSerialNo));
        QStandardItem *result = cell(d.strResult);
        if (d.strResult == succeed) {
            result->setIcon(QIcon(QLatin1String(kOkIcon)));
            result->setText(QString());
            // Only the icon shows; screen readers read the cell by this name.
            result->setData(tr("Succeeded"), Qt::AccessibleTextRole);
        } else {
            result->setIcon(QIcon(QLatin1String(kErrorIcon)));
            result->setToolTip(d.strResult);
            ++failed;
        }
        m_model->setItem(i, 4, result);
    }
    m_labelDeviceFail->setText(m_labelDeviceFail->text() + QLatin1Char(' ') + QString::number(failed));
}

} // namespace TarnTool
