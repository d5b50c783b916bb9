#pragma once

#include <QSize>
#include <QString>

namespace aptui {

class BaseDialog;

// Shapes `dialog` as a hint box, the tool's plain message box: fixed size, title, the object name
// "APP_WARNINGDLG" that the style sheet shapes every hint box by, the message in the centre, and
// the bottom bar only when the user must choose. The caller translates title and message.
void setUpHintBox(BaseDialog &dialog, const QSize &size, const QString &title,
                  const QString &message, bool bottomVisible);

} // namespace aptui
