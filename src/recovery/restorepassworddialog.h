#pragma once

#include <QString>

#include "aptui/basedialog.h"

namespace Ui {
class ResrotePasswordDialog;
}

namespace TarnTool {

// Returns a device to its default password with the security code the maker issues for it. The
// code goes to the device exactly as typed. Only a restore the device took closes the dialog
// (Accepted); cancel and close reject it. The call runs off the GUI thread, with the form disabled.
class RestorePasswordDialog : public aptui::BaseDialog
{
    Q_OBJECT

public:
    RestorePasswordDialog(QWidget *parent, QString serialNo);
    ~RestorePasswordDialog() override;

    // Ignored while a device call runs: the call finishes on its own thread either way. Not a
    // slot of this class: QDialog's own slot reaches it.
    void reject() override;

public Q_SLOTS:
    bool eventFilter(QObject *target, QEvent *qevent) override;
    void onRestorePassword();
    void onClearWarningInfo();

private:
    Q_DISABLE_COPY(RestorePasswordDialog)

    Ui::ResrotePasswordDialog *ui = nullptr;
    QWidget *m_centerWidget = nullptr;
    QString m_strSerialNo;
};

} // namespace TarnTool
