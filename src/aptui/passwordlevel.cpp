#include "aptui/passwordlevel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

namespace aptui {

namespace {
QPixmap bar(const char *colour)
{
    return QPixmap(QStringLiteral(":/CommonSkin/Password/Images/Public/Control/Password/%1.png")
                       .arg(QLatin1String(colour)));
}
} // namespace

void paintPasswordLevel(int level, QLabel *bar1, QLabel *bar2, QLabel *bar3, QLabel *word,
                        const QString &levelWord)
{
    QLabel *const bars[3] = {bar1, bar2, bar3};
    const QPixmap grey = bar("grey");
    for (QLabel *label : bars)
        label->setPixmap(grey);
    word->setText(level >= 1 && level <= 3 ? levelWord : QString());
    const char *colour = level == 1 ? "red" : level == 2 ? "yellow" : "green";
    for (int i = 0; i < level && i < 3; ++i)
        bars[i]->setPixmap(bar(colour));
}

void tiePasswordLevel(QLineEdit *field, QLabel *bar1, QLabel *bar2, QLabel *bar3, QLabel *word)
{
    QLabel *const bars[3] = {bar1, bar2, bar3};
    for (int i = 0; i < 3; ++i)
        bars[i]->setAccessibleName(QCoreApplication::translate("aptui::PasswordLevel", "Strength bar %1").arg(i + 1));
    word->setBuddy(field);
}

} // namespace aptui
