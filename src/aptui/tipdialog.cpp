#include "aptui/tipdialog.h"

#include "ui_tipdialog.h"

namespace TarnTool {

TipDialog::TipDialog(QWidget *parent)
    : BaseDialog(false, false, false, false, true, true, true, parent)
    , ui(new Ui::TipDialog)
{
    auto *content = new QWidget(this);
    ui->setupUi(content);
    setContentWidget(content);
    setEnableDefaultConnections(true, true, true, true, true);
}

TipDialog::~TipDialog()
{
    delete ui;
}

void TipDialog::setTipText(const QString &text)
{
    ui->m_labelTip->setText(text);
}

} // namespace TarnTool
