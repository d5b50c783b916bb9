#include <QtTest>

#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QPluginLoader>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCodec>
#include <QToolButton>

#include "aptui/multistatelineedit.h"
#include "kittest.h"
#include "recovery/forgetpassword.h"
#include "recovery/resetpassworddialog.h"
#include "recovery/restorepassworddialog.h"
#include "support/filechooser.h"
#include "support/testfiles.h"
#include "support/warningboxes.h"
#include "toolkit/guitext.h"

using aptui::MultiStateLineEdit;
using kittest::child;
using TarnTool::WarningDialog;

// The recovery dialogs without a device: the form each kind of device gets, the checks before a
// reset in their order with the field each marks, the clipboard kept away from the passwords, and
// every failure that leaves the dialog open. The library is not started here, so each device call
// fails as a device that cannot be reached would.
class TestRecoveryDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formFollowsTheDevice_data();
    void formFollowsTheDevice();
    void resetChecks_data();
    void resetChecks();
    void passwordsKeepOffTheClipboard();
    void failedCallsKeepTheDialogOpen();
    void restoreDialog();

private:
    QTemporaryDir m_dir;
};

namespace {

TARN_DEVICE_INFO deviceWith(int capabilities, int extra)
{
    TARN_DEVICE_INFO d {};
    d.capabilityFlags = uint8_t(capabilities);
    d.extraFlags = uint8_t(extra);
    return d;
}

QVector<warningboxes::Shown> confirm(QWidget *dialog)
{
    return warningboxes::answer([dialog] { QTest::mouseClick(child<QPushButton>(dialog, "btnConfirm"), Qt::LeftButton); });
}

} // namespace

void TestRecoveryDialogs::initTestCase()
{
    QPluginLoader loader(QStringLiteral(COMMONSKIN_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    QVERIFY(m_dir.isValid());
    OrvoGUIToolkit::InitGuiTextCodec(QTextCodec::codecForName("UTF-8"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
}

void TestRecoveryDialogs::formFollowsTheDevice_data()
{
    QTest::addColumn<int>("capabilities");
    QTest::addColumn<int>("extra");
    QTest::addColumn<bool>("qr");
    QTest::addColumn<bool>("ipc");
    QTest::newRow("key procedure, QR code, cameras") << (TARN_CAP_KEY_RESET | TARN_CAP_RESET_OPTION) << 1 << true << true;
    QTest::newRow("key procedure only") << TARN_CAP_KEY_RESET << 0xFE << false << false;
    QTest::newRow("no key procedure") << int(TARN_CAP_RESET_OPTION | TARN_CAP_DHCP) << 1 << false << false;
}

void TestRecoveryDialogs::formFollowsTheDevice()
{
    QFETCH(int, capabilities);
    QFETCH(int, extra);
    QFETCH(bool, qr);
    QFETCH(bool, ipc);
    const auto dialog = TarnTool::createForgetPasswordDialog(QStringLiteral("SN-1"), deviceWith(capabilities, extra));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    if (!(capabilities & TARN_CAP_KEY_RESET)) {
        QVERIFY(qobject_cast<TarnTool::RestorePasswordDialog *>(dialog.get()));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Reset Default Password"));
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog.get(), "m_lineEditSecurityCode"));
        return;
    }
    QVERIFY(qobject_cast<TarnTool::ResetPasswordDialog *>(dialog.get()));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Reset Password"));
    QVERIFY(child<QWidget>(dialog.get(), "ResetPasswordDialog_centerWidget"));
    auto *manual = child<QRadioButton>(dialog.get(), "m_radioBtnManualInput");
    auto *browse = child<QToolButton>(dialog.get(), "m_btnFilePath");
    QCOMPARE(manual->isVisible(), qr);
    QCOMPARE(manual->isChecked(), qr);
    QCOMPARE(child<QWidget>(dialog.get(), "m_btnQRcode")->isVisible(), qr);
    QCOMPARE(browse->isVisible(), !qr);
    QCOMPARE(child<QWidget>(dialog.get(), "m_checkBoxIPC")->isVisible(), ipc);
    QCOMPARE(child<QLabel>(dialog.get(), "m_labelQcCode")->pixmap(Qt::ReturnByValue).isNull(), true);
    // The browse button follows the input kind.
    child<QRadioButton>(dialog.get(), qr ? "m_radioBtnAutoInput" : "m_radioBtnManualInput")->setChecked(true);
    QCOMPARE(browse->isVisible(), qr);
}

void TestRecoveryDialogs::resetChecks_data()
{
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("marked");

    const QString rule = QStringLiteral("Valid password range [8-16]. You can use a combination of numbers, lowercase, "
                                        "uppercase and special character for your password with at least two kinds "
                                        "of them contained.");
    const QString good = QStringLiteral("Good-Pass-42");
    const QString key = QStringLiteral("KEY");
    QTest::newRow("everything empty: the key only") << false << QString() << QString() << QString()
                                                    << "Please input the secret key." << "m_lineEditFilePath";
    QTest::newRow("no password") << false << key << QString() << good << "The password can not be empty."
                                 << "m_lineEditNewPassword";
    QTest::newRow("case differs") << false << key << good << good.toLower() << "The password you typed do not match."
                                  << "m_lineEditNewPassword";
    QTest::newRow("rated 0 although matching") << false << key << "abcdefghij" << "abcdefghij" << rule
                                               << "m_lineEditNewPassword";
    // 16 characters, 18 bytes: cut to 16 it would be another password.
    QTest::newRow("longer than the device's 16 bytes")
        << false << key << QStringLiteral("P\u00e4ssw\u00f6rd-1234567") << QStringLiteral("P\u00e4ssw\u00f6rd-1234567")
        << "The device cannot take this password: it is too long, or it holds characters the device does not know."
        << "m_lineEditNewPassword";
    QTest::newRow("typed key beyond the record's field") << false << QString(128, QChar(0x5BC6)) << good << good
                                                         << "The secret key is not valid." << "m_lineEditFilePath";
    QTest::newRow("key file not there") << true << m_dir.filePath(QStringLiteral("missing.txt")) << good << good
                                        << "The key file cannot be read." << "m_lineEditFilePath";
    QTest::newRow("all good, no device") << false << key << good << good << "Reset password failed." << QString();
}

void TestRecoveryDialogs::resetChecks()
{
    QFETCH(bool, fromFile);
    QFETCH(QString, key);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);
    QFETCH(QString, marked);
    TarnTool::ResetPasswordDialog dialog(nullptr, QStringLiteral("SN-2"), true, false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    child<QRadioButton>(&dialog, fromFile ? "m_radioBtnAutoInput" : "m_radioBtnManualInput")->setChecked(true);
    child<MultiStateLineEdit>(&dialog, "m_lineEditFilePath")->setText(key);
    child<MultiStateLineEdit>(&dialog, "m_lineEditNewPassword")->setText(password);
    child<MultiStateLineEdit>(&dialog, "m_lineEditConfirmPassword")->setText(confirmation);

    const QVector<warningboxes::Shown> shown = confirm(&dialog);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, message);
    QCOMPARE(shown.first().kind, int(WarningDialog::WarnError));
    for (const char *name : {"m_lineEditFilePath", "m_lineEditNewPassword", "m_lineEditConfirmPassword"}) {
        auto *field = child<MultiStateLineEdit>(&dialog, name);
        QCOMPARE(field->lineEditState(), QLatin1String(name) == marked ? MultiStateLineEdit::ERROR : MultiStateLineEdit::NORMAL);
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    // Pressing the mouse in the marked field takes the mark away.
    if (!marked.isEmpty()) {
        auto *field = child<MultiStateLineEdit>(&dialog, marked.toLatin1().constData());
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(field->lineEditState(), MultiStateLineEdit::NORMAL);
    }
}

void TestRecoveryDialogs::passwordsKeepOffTheClipboard()
{
    TarnTool::ResetPasswordDialog dialog(nullptr, QStringLiteral("SN-3"), true, false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QApplication::clipboard()->setText(QStringLiteral("Pasted-Pass-1"));
    for (const char *name : {"m_lineEditNewPassword", "m_lineEditConfirmPassword"}) {
        auto *field = child<MultiStateLineEdit>(&dialog, name);
        field->setFocus();
        QTest::keySequence(field, QKeySequence::Paste);
        QCOMPARE(field->text(), QString());
        QTest::keyClicks(field, QStringLiteral("Typed-Pass-2"));
        field->selectAll();
        QTest::keySequence(field, QKeySequence::Copy);
        QTest::keySequence(field, QKeySequence::Cut);
        QCOMPARE(field->text(), QStringLiteral("Typed-Pass-2"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Pasted-Pass-1"));
    }
    // The key field takes a pasted key.
    auto *key = child<MultiStateLineEdit>(&dialog, "m_lineEditFilePath");
    key->setFocus();
    QTest::keySequence(key, QKeySequence::Paste);
    QCOMPARE(key->text(), QStringLiteral("Pasted-Pass-1"));
}

void TestRecoveryDialogs::failedCallsKeepTheDialogOpen()
{
    TarnTool::ResetPasswordDialog dialog(nullptr, QStringLiteral("SN/4"), true, true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QString out = m_dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));

    // The export folder starts at home, then where the user went; a request the device does not
    // give leaves no file.
    QString startedAt;
    chooseInNextDialog(out, &startedAt);
    QVector<warningboxes::Shown> shown =
        warningboxes::answer([&dialog] { child<QPushButton>(&dialog, "m_btnExport")->click(); });
    QCOMPARE(startedAt, QDir::homePath());
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Get key error."));
    QVERIFY(QDir(out).isEmpty());
    chooseInNextDialog(out, &startedAt);
    warningboxes::answer([&dialog] { child<QPushButton>(&dialog, "m_btnExport")->click(); });
    QCOMPARE(startedAt, out);

    shown = warningboxes::answer([&dialog] { child<QPushButton>(&dialog, "m_btnQRcode")->click(); });
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Generate QR code error."));
    QVERIFY(child<QLabel>(&dialog, "m_labelQcCode")->pixmap(Qt::ReturnByValue).isNull());

    // A key file chosen in the chooser; the library's failure leaves no copy behind.
    const QString keyFile = writeTestFile(m_dir, QStringLiteral("key.txt"), "S0meKey==\r\n");
    child<QRadioButton>(&dialog, "m_radioBtnAutoInput")->setChecked(true);
    startedAt.clear();
    chooseInNextDialog(keyFile, &startedAt);
    // The chooser opens after the click has returned.
    QTest::mouseClick(child<QToolButton>(&dialog, "m_btnFilePath"), Qt::LeftButton);
    QTRY_VERIFY(!startedAt.isEmpty());
    auto *keyField = child<MultiStateLineEdit>(&dialog, "m_lineEditFilePath");
    QCOMPARE(startedAt, QDir::homePath());
    QCOMPARE(keyField->text(), keyFile);
    QCOMPARE(keyField->cursorPosition(), 0);
    // A cancelled chooser leaves the field as it was.
    bool asked = false;
    kittest::onNextModal([&asked](QWidget *chooser) {
        asked = true;
        static_cast<QDialog *>(chooser)->reject();
    });
    QTest::mouseClick(child<QToolButton>(&dialog, "m_btnFilePath"), Qt::LeftButton);
    QTRY_VERIFY(asked);
    QCOMPARE(keyField->text(), keyFile);
    child<MultiStateLineEdit>(&dialog, "m_lineEditNewPassword")->setText(QStringLiteral("Good-Pass-42"));
    child<MultiStateLineEdit>(&dialog, "m_lineEditConfirmPassword")->setText(QStringLiteral("Good-Pass-42"));
    shown = confirm(&dialog);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Reset password failed."));
    QVERIFY(TarnTool::ResetPasswordDialog::keyFileCopyPath().startsWith(m_dir.filePath(QStringLiteral("data"))));
    QVERIFY(!QFileInfo::exists(TarnTool::ResetPasswordDialog::keyFileCopyPath()));

    // A data folder that cannot be made says so, instead of a bare failure.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/dev/null/data");
    shown = confirm(&dialog);
    qputenv("XDG_DATA_HOME", dataHome);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("The key file cannot be copied to the data folder."));
    QVERIFY(dialog.isVisible());
    QCOMPARE(keyField->text(), keyFile);
}

void TestRecoveryDialogs::restoreDialog()
{
    TarnTool::RestorePasswordDialog dialog(nullptr, QStringLiteral("SN-5"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *code = child<MultiStateLineEdit>(&dialog, "m_lineEditSecurityCode");
    auto *hint = child<QLabel>(&dialog, "m_labelHintSecurityCode");
    QVector<warningboxes::Shown> shown = confirm(&dialog);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Please input security code."));
    QCOMPARE(code->lineEditState(), MultiStateLineEdit::ERROR);
    QVERIFY(!hint->pixmap(Qt::ReturnByValue).isNull());
    QTest::mouseClick(code, Qt::LeftButton);
    QCOMPARE(code->lineEditState(), MultiStateLineEdit::NORMAL);
    QVERIFY(hint->pixmap(Qt::ReturnByValue).isNull());

    // Blanks are a code too: sent as typed, and the failure marks nothing.
    code->setText(QStringLiteral("   "));
    shown = confirm(&dialog);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Restore password failed."));
    QCOMPARE(shown.first().kind, int(WarningDialog::WarnError));
    QCOMPARE(code->lineEditState(), MultiStateLineEdit::NORMAL);
    QVERIFY(dialog.isVisible());
    QTest::keyClicks(code, QString(40, QLatin1Char('A')));
    QCOMPARE(code->text().size(), 32);
}

QTEST_MAIN(TestRecoveryDialogs)
#include "tst_recoverydialogs.moc"
