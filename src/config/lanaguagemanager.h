#pragma once

#include <QLocale>
#include <QString>
#include <QVector>

#include "toolkit/cuisingleton.h"

class QTranslator;

namespace apt {

// Installs the translators of the configured language once, at its creation, and keeps the
// locale that goes with them. 0 is English, 1 Chinese; any other id installs empty translators
// and keeps the default locale, so every text stays in its source form.
class LanaguageManager : public OrvoGUIToolkit::CUiSingleton<LanaguageManager>
{
public:
    // The language of the configuration, translations from "translations/" beside the program.
    LanaguageManager();
    // For callers that already know both, such as tests.
    LanaguageManager(int language, const QString &folder);
    ~LanaguageManager() override;

    int language() const { return m_language; }
    QLocale locale() const { return m_locale; }
    // In installation order; the last one is searched first.
    QVector<QTranslator *> translators() const { return m_translators; }

    static QString translationFolder();

private:
    void install(int language, const QString &folder);

    QLocale m_locale;
    QVector<QTranslator *> m_translators;
    int m_language = 0;
};

} // namespace apt
