#include "recovery/restorepassworddialog.h"

#include "aptui/fieldlabels.h"
#include "aptui/multistatelineedit.h"
#include "aptui/warningdialog.h"
#include "discovery/tarnhandler.h"
#include "recovery/devicecall.h"
#include "recovery/recoverysteps.h"
#include "ui_restorepassworddialog.h"

namespace TarnTool {

RestorePasswordDialog::RestorePasswordDialog(QWidget *parent, QString serialNo)
    : BaseDialog(false, false, false, false, true, true, true, parent)
    , ui(new Ui::ResrotePasswordDialog)
    , m_strSerialNo(std::move(serialNo))
{
    m_centerWidget = new QWidget(this);
    ui->setupUi(m_centerWidget);
    setContentWidget(m_centerWidget);
    resize(500, 280);
    setTitle(tr("Reset Default Password"));
    connect(this, &BaseDialog::signalConfirmButtonClicked, this, &RestorePasswordDialog::onRestorePassword,
            Qt::DirectConnection);
    setEnableDefaultConnections(true, true, true, false, true);

    ui->m_lineEditSecurityCode->installEventFilter(this);
    ui->m_lineEditSecurityCode->setContextMenuPolicy(Qt::NoContextMenu);
    ui->m_lineEditSecurityCode->setMaxLength(32);
    ui->m_lineEditSecurityCode->setFocus();
    aptui::linkFieldLabels(this);
}

RestorePasswordDialog::~RestorePasswordDialog()
{
    delete ui;
}

bool RestorePasswordDialog::eventFilter(QObject *target, QEvent *qevent)
{
    if (target == ui->m_lineEditSecurityCode && qevent->type() == QEvent::MouseButtonPress)
        onClearWarningInfo();
    return BaseDialog::eventFilter(target, qevent);
}

void RestorePasswordDialog::onClearWarningInfo()
{
    ui->m_lineEditSecurityCode->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
    ui->m_labelHintSecurityCode->clear();
}

void RestorePasswordDialog::reject()
{
    if (m_centerWidget->isEnabled())
        BaseDialog::reject();
}

void RestorePasswordDialog::onRestorePassword()
{
    const QPoint pos = WarningDialog::popupPosition(this);
    const QString code = ui->m_lineEditSecurityCode->text();
    if (code.isEmpty()) {
        WarningDialog::showWarning(pos, WarningDialog::WarnError, tr("Please input security code."), this,
                                   ui->m_lineEditSecurityCode, ui->m_labelHintSecurityCode);
        return;
    }
    const QByteArray serial = m_strSerialNo.toLatin1();
    QByteArray latin = code.toLatin1();
    const TARN::OperationOutcome outcome = Recovery::runDeviceCall(this, m_centerWidget, [serial, &latin] {
        return TARN::TarnHandler::instance()->resetDefaultPasswd(serial, latin);
    });
    Recovery::wipe(latin);
    if (!outcome.ok) {
        qWarning("[Tool]Restore default password failed: %d", outcome.error);
        WarningDialog::showWarning(pos, WarningDialog::WarnError, tr("Restore password failed."), this);
        return;
    }
    WarningDialog::showWarning(pos, WarningDialog::WarnOk, tr("Restore password succeed."), this);
    accept();
}

} // namespace TarnTool
