#pragma once

#include <QWidget>

class QLabel;

namespace TarnTool {

// Page 1 of the modify panel: the notice shown instead of the network form when the checked
// devices are not activated (one, several) or mixed. It only informs; the panel lays the
// activation form below it.
class DeviceActivePage : public QWidget
{
    Q_OBJECT

public:
    explicit DeviceActivePage(QWidget *parent = nullptr);

    void setSingleActiveNotice();
    void setBatchActiveNotice();
    void setMixedBatchNotice();

private:
    Q_DISABLE_COPY(DeviceActivePage)

    void setActiveNotice(const QString &title);
    void setPicture(const QString &path);

    QLabel *m_labelToolTitle = nullptr;
    QLabel *m_labelNetPara = nullptr;
    QLabel *m_labelPicture = nullptr;
    QLabel *m_labelWord1 = nullptr;
    QLabel *m_labelWord2 = nullptr;
    QWidget *m_tipWidget = nullptr;
    QLabel *m_labelWord3 = nullptr;
    QLabel *m_labelGrayline2 = nullptr;
    QLabel *m_labelGrayline3 = nullptr;
    QLabel *m_labelActiveNow = nullptr;
};

} // namespace TarnTool
