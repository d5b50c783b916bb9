#pragma once

#include "app/qtsingleapplication.h"

class ISkinPlugin;

namespace apt {

// The tool's application object: start-up in a fixed order (settings, fonts, skin, style and
// sheets, codec, translations, locale, the single-instance refusal, the resolution check), and an
// application-wide event filter.
class ToolsApplication : public SharedTools::QtSingleApplication
{
    Q_OBJECT

public:
    ToolsApplication(const QString &id, int &argc, char **argv);

    // Runs start-up; false means quit without a window.
    bool init();

    void loadConfigure();
    void initFont();
    void loadSkin();
    void loadStyle();
    void initLanguage();
    bool checkResolution();

    bool notify(QObject *receiver, QEvent *event) override;

    // The skin plug-in in `folder` that offers `skin` (case-sensitive); null when none does. Every
    // plug-in in the folder is loaded on the way and stays loaded: loading registers the images.
    static ISkinPlugin *findSkin(const QString &folder, const QString &skin);
    // Whether screens of these geometries reach 1024 x 768, each dimension by any screen.
    static bool resolutionSufficient(const QList<QRect> &screens);

private:
    // The one-line hint boxes of start-up; `question` adds Confirm and Cancel. Returns exec()'s code.
    static int showStartupHint(const QString &text, bool question);
};

} // namespace apt
