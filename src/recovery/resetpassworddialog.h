#pragma once

#include <functional>

#include <QString>

#include "aptui/basedialog.h"

class QLabel;
class QtQrEncode;

namespace Ui {
class ResetPasswordDialog;
}

namespace aptui {
class MultiStateLineEdit;
}

namespace TarnTool {

// Sets a new admin password on a device whose password is lost, in two steps: the user takes a key
// request out of the device (exported as a file, or shown as a QR code) to the maker, then types
// the maker's key in or imports its key file, enters the new password twice and confirms. Only a
// reset the device took closes the dialog (Accepted); cancel and close reject it.
//
// The request and the reset run off the GUI thread, so the window keeps painting meanwhile; the
// form and the buttons stay disabled until the device has answered.
class ResetPasswordDialog : public aptui::BaseDialog
{
    Q_OBJECT

public:
    // `supportQRCode` is bit 0 of the device record's extraFlags, `supportResetIPC` bit 7 of its
    // capabilityFlags.
    ResetPasswordDialog(QWidget *parent, QString serialNo, bool supportQRCode, bool supportResetIPC);
    ~ResetPasswordDialog() override;

    // Where the copy of an imported key file is put for the library to read: "copy.xml" in the
    // user's data folder. It is removed again after every reset.
    static QString keyFileCopyPath();

    // Ignored while a device call runs: the call finishes on its own thread either way. Not a
    // slot of this class: QDialog's own slot reaches it.
    void reject() override;

public Q_SLOTS:
    bool eventFilter(QObject *target, QEvent *qevent) override;
    void onMaualAutoChanged();
    void onExportFile();
    void onImportFile();
    void onResetPassword();
    void onNewPasswordTextChanged(const QString &strNewPassword);
    void onClearWarningInfo();
    void onClearFilePathError();
    void onGenerateQRcode();

private:
    Q_DISABLE_COPY(ResetPasswordDialog)

    // Runs a library call off the GUI thread with the form disabled; the outcome is the call's.
    bool runDeviceCall(const std::function<bool()> &call, int *error);
    // The kind's request out of the device, or empty with the library's code in `error`.
    QByteArray fetchRequest(unsigned kind, int *error);
    void exportWithKind(unsigned kind, const QString &folder);
    void report(int kind, const QString &text, aptui::MultiStateLineEdit *edit = nullptr, QLabel *hint = nullptr);
    void reportLong(int kind, const QString &text, aptui::MultiStateLineEdit *edit, QLabel *hint);

    Ui::ResetPasswordDialog *ui = nullptr;
    QWidget *m_centerWidget = nullptr;
    QtQrEncode *m_pQREncode = nullptr;
    QString m_strSerialNo;
    bool m_bSupportQRCode = false;
    bool m_bSupportResetIPC = false;

    static QString s_lastExportDir;
    static QString s_lastImportPath;
};

} // namespace TarnTool
