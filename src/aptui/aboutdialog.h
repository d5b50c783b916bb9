#pragma once

#include <functional>

#include "aptui/cdlgabout.h"

class QUrl;

// The tool's about panel: name and version, and a "User Help" button that opens the user manual
// from the working directory in the desktop's viewer.
class AboutDialog : public aptui::CDlgAbout
{
    Q_OBJECT

public:
    // The configured language id (0 English, 1 Chinese), asked each time help is opened.
    using LanguageSource = std::function<int()>;
    // Hands a URL to the desktop; true when it was opened.
    using UrlOpener = std::function<bool(const QUrl &)>;

    explicit AboutDialog(QObject *parent = nullptr);

    // Until set, the language is English and URLs go to QDesktopServices::openUrl.
    void setLanguageSource(LanguageSource source);
    void setUrlOpener(UrlOpener opener);

    // The manual's file name for a language id; empty when there is none for it.
    static QString manualFileName(int language);

Q_SIGNALS:
    void signalCover();
    void signalDiscover();

public Q_SLOTS:
    // Opens the manual; when it is missing or cannot be opened, says so in a hint box
    // (signalCover() before, signalDiscover() after) and returns false.
    bool onGetHelp();

private:
    LanguageSource m_language;
    UrlOpener m_openUrl;
};
