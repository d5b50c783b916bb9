#include "aptui/hintbox.h"

#include "aptui/basedialog.h"

namespace aptui {

void setUpHintBox(BaseDialog &dialog, const QSize &size, const QString &title,
                  const QString &message, bool bottomVisible)
{
    dialog.setFixedSize(size);
    dialog.setTitle(title);
    dialog.setBottomVisible(bottomVisible);
    dialog.setObjectName(QStringLiteral("APP_WARNINGDLG"));
    dialog.setDefaultText(message);
}

} // namespace aptui
