#pragma once

#include <QVector>

#include "aptui/basedialog.h"
#include "discovery/deviceinfo.h"

class QLabel;
class QStandardItemModel;

namespace OrvoGUIToolkit {
class CTableView;
}

namespace TarnTool {

// The "Confirmation List" shown after a batch: each device of the batch with a success or failure
// icon, the total and the number of failures. It keeps its own copy of the records.
class DeviceModifyResultPage : public aptui::BaseDialog
{
    Q_OBJECT

public:
    explicit DeviceModifyResultPage(QWidget *parent = nullptr);

    void setHeaderText(int column, const QString &text);
    void setTotalCaption(const QString &text);
    void setFailedCaption(const QString &text);
    // Fills the list and appends the counts to the captions; once per dialog, after the captions.
    void setDeviceInfos(QVector<DeviceInfo> devices);

private:
    Q_DISABLE_COPY(DeviceModifyResultPage)

    QLabel *m_labelDeviceAll = nullptr;
    QLabel *m_labelPic = nullptr;
    QLabel *m_labelDeviceFail = nullptr;
    OrvoGUIToolkit::CTableView *m_tableViewResult = nullptr;
    QStandardItemModel *m_model = nullptr;
    QVector<DeviceInfo> m_devices;
};

} // namespace TarnTool
