#pragma once

#include "aptui/basedialog.h"

namespace Ui {
class TipDialog;
}

namespace TarnTool {

// A yes/no question in the common frame: only the close button in the title, "Confirm" and
// "Cancel" below. exec() returns QDialog::Accepted when the user confirms.
class TipDialog : public aptui::BaseDialog
{
public:
    explicit TipDialog(QWidget *parent = nullptr);
    ~TipDialog() override;

    void setTipText(const QString &text);

private:
    Q_DISABLE_COPY(TipDialog)
    Ui::TipDialog *ui = nullptr;
};

} // namespace TarnTool
