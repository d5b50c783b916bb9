#include "configpanel/deviceactivepage.h"
#include "configpanel/panelwidgets.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace TarnTool {

using namespace panelwidgets;

namespace {

const char kCentre[] = "<html><head/><body><p align=\"center\">%1</p></body></html>";
const char kEmphasis[] =
    "<html><head/><body><p>%1<span style=\"font-weight:600;\">%2</span>%3</p></body></html>";
const char kNotActivatedIcon[] = ":/CommonSkin/TARNTool/Images/TARNTool/ParamModify/icon_not_activated.png";
const char kAbnormalIcon[] = ":/CommonSkin/TARNTool/Images/TARNTool/ParamModify/icon_abnormal.png";


QString centred(const QString &text)
{
    return QString::fromLatin1(kCentre).arg(text);
}

// The emphasis template puts its three parts side by side; between two words of a language that
// separates words by blanks ("activate" + "the device") one blank goes in, elsewhere none.
QString joined(const QString &left, const QString &right)
{
    if (left.isEmpty() || right.isEmpty() || left.back().isSpace() || right.front().isSpace())
        return left;
    const bool latinWords = left.back().isLetterOrNumber() && left.back().unicode() < 0x3000
        && right.front().isLetterOrNumber() && right.front().unicode() < 0x3000;
    return latinWords ? left + QLatin1Char(' ') : left;
}

} // namespace

DeviceActivePage::DeviceActivePage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DeviceActivePage"));
    setMaximumHeight(450);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(16, 12, 16, 4);
    root->setSpacing(10);

    auto *title = new QHBoxLayout;
    m_labelToolTitle = makeLabel(this, "m_labelToolTitle");
    m_labelToolTitle->setFixedSize(3, 11);
    m_labelToolTitle->setText(QStringLiteral("<html><head/><body><p><br/></p></body></html>"));
    m_labelNetPara = makeLabel(this, "m_labelNetPara");
    title->addWidget(m_labelToolTitle);
    title->addWidget(m_labelNetPara, 1);
    root->addLayout(title);

    m_labelPicture = makeLabel(this, "m_labelPicture");
    m_labelPicture->setFixedSize(100, 100);
    root->addWidget(m_labelPicture, 0, Qt::AlignHCenter);
    m_labelWord1 = makeLabel(this, "m_labelWord1", true);
    m_labelWord1->setMinimumWidth(30);
    root->addWidget(m_labelWord1);
    m_labelWord2 = makeLabel(this, "m_labelWord2", true);
    m_labelWord2->setMinimumWidth(30);
    root->addWidget(m_labelWord2);

    m_tipWidget = new QWidget(this);
    m_tipWidget->setObjectName(QStringLiteral("m_tipWidget"));
    m_tipWidget->setMinimumHeight(45);
    auto *tip = new QHBoxLayout(m_tipWidget);
    tip->setContentsMargins(8, 6, 8, 6);
    m_labelWord3 = makeLabel(m_tipWidget, "m_labelWord3", true);
    tip->addWidget(m_labelWord3);
    root->addWidget(m_tipWidget);
    root->addStretch();

    auto *caption = new QHBoxLayout;
    m_labelGrayline2 = makeLabel(this, "m_labelGrayline2");
    m_labelGrayline2->setMinimumWidth(120);
    m_labelGrayline2->setFixedHeight(1);
    m_labelActiveNow = makeLabel(this, "m_labelActiveNow");
    m_labelGrayline3 = makeLabel(this, "m_labelGrayline3");
    m_labelGrayline3->setFixedHeight(1);
    caption->addWidget(m_labelGrayline2, 1);
    caption->addWidget(m_labelActiveNow);
    caption->addWidget(m_labelGrayline3, 1);
    root->addLayout(caption);
}

void DeviceActivePage::setPicture(const QString &path)
{
    // Exactly 100 x 100 whatever the image's own size.
    const QImage image = QImage(path).scaled(100, 100, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    m_labelPicture->setPixmap(QPixmap::fromImage(image));
}

void DeviceActivePage::setActiveNotice(const QString &title)
{
    m_labelNetPara->setText(centred(title));
    m_labelWord1->setText(centred(tr("Device not activated")));
    m_labelWord2->hide();
    m_labelWord3->setText(centred(tr("The network parameters can be modified after the device is activated")));
    m_tipWidget->show();
    m_labelActiveNow->setText(tr("Active now"));
    m_labelActiveNow->show();
    m_labelGrayline2->show();
    m_labelGrayline3->show();
    setPicture(QLatin1String(kNotActivatedIcon));
}

void DeviceActivePage::setSingleActiveNotice()
{
    setActiveNotice(tr("Device active"));
}

void DeviceActivePage::setBatchActiveNotice()
{
    setActiveNotice(tr("Batch devices active"));
}

void DeviceActivePage::setMixedBatchNotice()
{
    m_labelNetPara->setText(centred(tr("Batch devices network parameters")));
    m_labelWord1->setText(tr("Sorry,the devices you have chosen has not activated devices"));
    const QString note = tr("Note: please activate");
    const QString device = tr("the device");
    const QString rest = tr("to perform other operations");
    m_labelWord2->setText(QString::fromLatin1(kEmphasis).arg(joined(note, device), joined(device, rest), rest));
    m_labelWord2->show();
    m_tipWidget->hide();
    m_labelActiveNow->hide();
    m_labelGrayline2->hide();
    m_labelGrayline3->hide();
    setPicture(QLatin1String(kAbnormalIcon));
}

} // namespace TarnTool
