#pragma once

#include <QMainWindow>

class AboutDialog;
class QHBoxLayout;
class QLabel;

namespace Ui {
class TARNToolMainPage;
}

namespace TARN {
class TarnHandler;
}

namespace aptui {
class CoverWidget;
class Menu;
class PinButton;
class WindowTitle;
}

namespace TarnTool {

class DeviceDisplayPage;
class DeviceEventQueue;
class DeviceModifyPage;

// The one top-level window: its own title bar, the device table on the left, the modify panel
// beside it with a pin button that folds it away, and a cover laid over everything while a modal
// dialog is open. Building it wires the pages to each other and to discovery, and starts discovery.
class TARNToolMainPage : public QMainWindow
{
    Q_OBJECT

public:
    // `handler` is the discovery handler to start and listen to; null means
    // TarnHandler::instance(). `columnConfig` is the column layout file for the device table.
    explicit TARNToolMainPage(QWidget *parent = nullptr, TARN::TarnHandler *handler = nullptr,
                              const QString &columnConfig = QStringLiteral("ColumnConfig.xml"));
    ~TARNToolMainPage() override;

    DeviceDisplayPage *displayPage() const { return m_pDisplayPage; }
    DeviceModifyPage *modifyPage() const { return m_pModifyPage; }
    bool isCovered() const { return m_bCovered; }
    // The notice that devices in other subnets may be missed; null while link-layer receive works.
    QLabel *linkLayerNotice() const { return m_pLinkLayerNotice; }

    // The size start-up gives the window for a screen work area: 768 high and as wide as the work
    // area's aspect makes it, or the whole work area when that is lower than 768. `moveToOrigin`
    // says whether the window also goes to (0, 0).
    static QSize startSize(const QRect &workArea, bool *moveToOrigin);

signals:
    void signalGetHelp();

public slots:
    void setCover(bool coverIt);
    void enableCover();
    void disableCover();

private slots:
    void onMovePinButtion();
    void onShowOrHideRightSpace();
    void OnBtnSystemMenu();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Q_DISABLE_COPY(TARNToolMainPage)

    void showInitializationFailed();
    void showLinkLayerNotice(const QString &why);

    Ui::TARNToolMainPage *ui = nullptr;
    TARN::TarnHandler *m_handler = nullptr;
    aptui::WindowTitle *m_pWindowTitle = nullptr;
    QHBoxLayout *m_pHLayout = nullptr;
    DeviceDisplayPage *m_pDisplayPage = nullptr;
    DeviceModifyPage *m_pModifyPage = nullptr;
    DeviceEventQueue *m_pDeviceEvents = nullptr;
    QWidget *m_pRightSpace = nullptr;
    QWidget *m_pPinBorder = nullptr;
    aptui::PinButton *m_pPinButton = nullptr;
    aptui::CoverWidget *m_pCover = nullptr;
    bool m_bCovered = false;
    aptui::Menu *m_pMenu = nullptr;
    AboutDialog *m_pAboutAction = nullptr;
    QLabel *m_pLinkLayerNotice = nullptr;
};

} // namespace TarnTool
