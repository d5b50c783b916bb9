#pragma once

#include <QWidgetAction>

namespace Ui {
class AboutClass;
}

namespace aptui {

class Widget;

// The kit's about panel. It is a widget action, so a menu shows the panel itself as an entry:
// icon, name and version lines, a corner button and two optional buttons below a separator.
class CDlgAbout : public QWidgetAction
{
    Q_OBJECT

public:
    explicit CDlgAbout(QObject *parent = nullptr);
    ~CDlgAbout() override;

    void setSoftName(const QString &name);
    void setVersion(const QString &version);
    void setBtn1Text(const QString &text);
    void setBtn2Text(const QString &text);
    void setConerBtnText(const QString &text);
    void setConerBtnVisible(bool visible);
    // Shows or hides both separators and both lower buttons together.
    void setButtonsVisible(bool visible);

    // The panel the menu shows.
    Widget *panel() const { return m_panel; }

    // The build number of a compiler date text such as "Nov 13 2017": 20171113. Zero when the
    // text is not such a date.
    static uint buildNumber(const QString &date);

Q_SIGNALS:
    void siganlBtn1Clicked();
    void siganlBtn2Clicked();
    void signalConerBtnClicked();

private:
    Q_DISABLE_COPY(CDlgAbout)
    Ui::AboutClass *ui = nullptr;
    Widget *m_panel = nullptr;
};

} // namespace aptui
