#include "aptui/cdlgabout.h"

#include <QPushButton>

#include "aptui/widget.h"
#include "ui_cdlgabout.h"

namespace aptui {

CDlgAbout::CDlgAbout(QObject *parent)
    : QWidgetAction(parent)
    , ui(new Ui::AboutClass)
{
    // The action owns its default widget; it is reparented into the menu that shows it.
    m_panel = new Widget;
    m_panel->setObjectName(QStringLiteral("AboutDialog_ID_FX_CANNOT_BE_MULTI"));
    ui->setupUi(m_panel);
    m_panel->setFixedSize(290, 134);
    m_panel->setWindowTitle(tr("About"));
    setDefaultWidget(m_panel);

    ui->SoftIcon->setPixmap(QPixmap(QStringLiteral(":/aptui/complex/Images/System/Complex/calculate.png")));
    ui->m_labNameValue->clear();

    ui->m_labVersionValue->setText(tr(" v2.0.0.3") + tr(" Build")
                                   + QString::number(buildNumber(QStringLiteral(__DATE__))));

    connect(ui->aboutbtn1, &QPushButton::clicked, this, &CDlgAbout::siganlBtn1Clicked);
    connect(ui->aboutbtn2, &QPushButton::clicked, this, &CDlgAbout::siganlBtn2Clicked);
    connect(ui->m_conerBtn, &QPushButton::clicked, this, &CDlgAbout::signalConerBtnClicked);
}

CDlgAbout::~CDlgAbout()
{
    delete ui;
}

uint CDlgAbout::buildNumber(const QString &date)
{
    static const QStringList months{
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    if (date.size() < 11)
        return 0;
    const int month = months.indexOf(date.mid(0, 3)) + 1;
    bool dayOk = false;
    bool yearOk = false;
    // The compiler pads a one-digit day with a blank ("Nov  3 2017"); toInt ignores it.
    const int day = date.mid(4, 2).toInt(&dayOk);
    const int year = date.mid(7, 4).toInt(&yearOk);
    if (month == 0 || !dayOk || !yearOk || day < 1 || day > 31 || year < 1000)
        return 0;
    const QString joined = QString::number(year) + QString::asprintf("%02d", month)
                           + QString::asprintf("%02d", day);
    return joined.toUInt();
}

void CDlgAbout::setSoftName(const QString &name)
{
    ui->m_labNameValue->setText(tr("Name: ") + name);
}

void CDlgAbout::setVersion(const QString &version)
{
    ui->m_labVersionValue->setText(tr("Version: ") + version);
}

void CDlgAbout::setBtn1Text(const QString &text)
{
    ui->aboutbtn1->setText(text);
}

void CDlgAbout::setBtn2Text(const QString &text)
{
    ui->aboutbtn2->setText(text);
}

void CDlgAbout::setConerBtnText(const QString &text)
{
    ui->m_conerBtn->setText(text);
}

void CDlgAbout::setConerBtnVisible(bool visible)
{
    ui->m_conerBtn->setVisible(visible);
}

void CDlgAbout::setButtonsVisible(bool visible)
{
    ui->aboutLine1->setVisible(visible);
    ui->aboutLine2->setVisible(visible);
    ui->aboutbtn1->setVisible(visible);
    ui->aboutbtn2->setVisible(visible);
}

} // namespace aptui
