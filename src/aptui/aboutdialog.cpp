#include "aptui/aboutdialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "aptui/basedialog.h"
#include "aptui/hintbox.h"

AboutDialog::AboutDialog(QObject *parent)
    : CDlgAbout(parent)
    , m_language([] { return 0; })
    , m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setSoftName(tr("TARN"));
    setConerBtnText(tr("User Help"));
    setButtonsVisible(false);
    setVersion(tr("v3.0.0.1build") + QStringLiteral("20160531_050"));
    connect(this, &CDlgAbout::signalConerBtnClicked, this, &AboutDialog::onGetHelp);
}

void AboutDialog::setLanguageSource(LanguageSource source)
{
    if (source)
        m_language = std::move(source);
}

void AboutDialog::setUrlOpener(UrlOpener opener)
{
    if (opener)
        m_openUrl = std::move(opener);
}

QString AboutDialog::manualFileName(int language)
{
    switch (language) {
    case 0:
        return QStringLiteral("TARN User Manual.pdf");
    case 1:
        return QStringLiteral("TARN用户使用手册.pdf");
    default:
        return QString();
    }
}

bool AboutDialog::onGetHelp()
{
    const QString name = manualFileName(m_language());
    const QString path = QDir::current().filePath(name);
    // The desktop's opener starts a viewer and reports success even for a file that is not
    // there, so the file is checked first.
    if (!name.isEmpty() && QFileInfo(path).isFile() && m_openUrl(QUrl::fromLocalFile(path)))
        return true;

    aptui::BaseDialog dialog(false, false, false, false, true, false, false, nullptr);
    aptui::setUpHintBox(dialog, QSize(350, 220), tr("Hint"), tr("No user manual found."), false);
    Q_EMIT signalCover();
    dialog.exec();
    Q_EMIT signalDiscover();
    return false;
}
