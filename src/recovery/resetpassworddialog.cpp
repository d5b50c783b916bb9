#include "recovery/resetpassworddialog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QStandardPaths>

#include "aptui/fieldlabels.h"
#include "aptui/multistatelineedit.h"
#include "aptui/passwordlevel.h"
#include "aptui/warningdialog.h"
#include "common/passwordrule.h"
#include "discovery/tarnhandler.h"
#include "qrencode/qtqrencode.h"
#include "recovery/devicecall.h"
#include "recovery/recoverysteps.h"
#include "toolkit/guitext.h"
#include "ui_resetpassworddialog.h"

namespace TarnTool {

namespace {

const char *const kGreyBar = ":/CommonSkin/Password/Images/Public/Control/Password/grey.png";

// The QR code's modules are drawn two screen pixels wide at least: any less and a phone camera
// pointed at a laptop screen no longer tells them apart.
const int kQrPixelsPerModule = 2;

bool blocksClipboard(QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    return key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut);
}

} // namespace

QString ResetPasswordDialog::s_lastExportDir;
QString ResetPasswordDialog::s_lastImportPath;

ResetPasswordDialog::ResetPasswordDialog(QWidget *parent, QString serialNo, bool supportQRCode, bool supportResetIPC)
    : BaseDialog(false, false, false, false, true, true, true, parent)
    , ui(new Ui::ResetPasswordDialog)
    , m_strSerialNo(std::move(serialNo))
    , m_bSupportQRCode(supportQRCode)
    , m_bSupportResetIPC(supportResetIPC)
{
    m_pQREncode = new QtQrEncode;
    m_centerWidget = new QWidget(this);
    m_centerWidget->setObjectName(QStringLiteral("ResetPasswordDialog_centerWidget"));
    ui->setupUi(m_centerWidget);
    for (QLabel *bar : {ui->m_labelLevel1, ui->m_labelLevel2, ui->m_labelLevel3})
        bar->setPixmap(QPixmap(QLatin1String(kGreyBar)));
    setContentWidget(m_centerWidget);
    setTitle(tr("Reset Password"));
    resize(510, 360);
    ui->m_btnFilePath->hide();

    connect(ui->m_radioBtnManualInput, &QRadioButton::toggled, this, &ResetPasswordDialog::onMaualAutoChanged);
    connect(ui->m_radioBtnAutoInput, &QRadioButton::toggled, this, &ResetPasswordDialog::onMaualAutoChanged);
    connect(ui->m_btnExport, &QPushButton::clicked, this, &ResetPasswordDialog::onExportFile);
    connect(ui->m_btnFilePath, &QToolButton::clicked, this, &ResetPasswordDialog::onClearFilePathError);
    // Queued: the chooser is modal, and a press through the accessibility bus waits for the click.
    connect(ui->m_btnFilePath, &QToolButton::clicked, this, &ResetPasswordDialog::onImportFile,
            Qt::QueuedConnection);
    connect(this, &BaseDialog::signalConfirmButtonClicked, this, &ResetPasswordDialog::onResetPassword,
            Qt::DirectConnection);
    connect(ui->m_lineEditNewPassword, &QLineEdit::textChanged, this, &ResetPasswordDialog::onNewPasswordTextChanged);
    connect(ui->m_btnQRcode, &QPushButton::clicked, this, &ResetPasswordDialog::onGenerateQRcode);
    setEnableDefaultConnections(true, true, true, false, true);

    if (!m_bSupportQRCode) {
        ui->m_radioBtnManualInput->hide();
        ui->m_radioBtnAutoInput->setChecked(true);
        ui->m_labelQcCode->clear();
        ui->m_btnQRcode->hide();
    }
    if (!m_bSupportResetIPC)
        ui->m_checkBoxIPC->hide();

    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui->m_lineEditFilePath), static_cast<QLineEdit *>(ui->m_lineEditNewPassword),
                            static_cast<QLineEdit *>(ui->m_lineEditConfirmPassword)})
        edit->installEventFilter(this);
    ui->m_lineEditNewPassword->setMaxLength(16);
    ui->m_lineEditConfirmPassword->setMaxLength(16);
    ui->m_lineEditFilePath->setMaxLength(128);
    setWindowIcon(QIcon(QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/SystemInfo/logo_large.png")));
    ui->m_lineEditNewPassword->setContextMenuPolicy(Qt::NoContextMenu);
    ui->m_lineEditConfirmPassword->setContextMenuPolicy(Qt::NoContextMenu);
    aptui::linkFieldLabels(this);
    aptui::tiePasswordLevel(ui->m_lineEditNewPassword, ui->m_labelLevel1, ui->m_labelLevel2, ui->m_labelLevel3,
                            ui->m_labelLevel);
    onMaualAutoChanged();
}

ResetPasswordDialog::~ResetPasswordDialog()
{
    delete m_pQREncode;
    delete ui;
}

QString ResetPasswordDialog::keyFileCopyPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/copy.xml");
}

bool ResetPasswordDialog::eventFilter(QObject *target, QEvent *qevent)
{
    if (qevent->type() == QEvent::MouseButtonPress) {
        if (target == ui->m_lineEditFilePath) {
            onClearFilePathError();
        } else if (target == ui->m_lineEditConfirmPassword) {
            ui->m_labelHintConfirmPassword->clear();
            ui->m_lineEditConfirmPassword->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
        } else if (target == ui->m_lineEditNewPassword) {
            ui->m_labelHintNewPassword->clear();
            ui->m_lineEditNewPassword->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
        }
    }
    // Passwords can neither be pasted in nor copied out.
    if ((target == ui->m_lineEditNewPassword || target == ui->m_lineEditConfirmPassword) && blocksClipboard(qevent)) {
        qevent->accept();
        return true;
    }
    return BaseDialog::eventFilter(target, qevent);
}

void ResetPasswordDialog::onMaualAutoChanged()
{
    const bool manual = ui->m_radioBtnManualInput->isChecked();
    ui->m_btnFilePath->setVisible(!manual);
    // The field has no label of its own: the choice above it says what goes in.
    ui->m_lineEditFilePath->setAccessibleName(manual ? tr("Key") : tr("Key file"));
}

void ResetPasswordDialog::report(int kind, const QString &text, aptui::MultiStateLineEdit *edit, QLabel *hint)
{
    WarningDialog::showWarning(WarningDialog::popupPosition(this), kind, text, this, edit, hint);
}

void ResetPasswordDialog::reportLong(int kind, const QString &text, aptui::MultiStateLineEdit *edit, QLabel *hint)
{
    WarningDialog::showLongWarning(WarningDialog::popupPosition(this), kind, text, this, edit, hint);
}

bool ResetPasswordDialog::runDeviceCall(const std::function<bool()> &call, int *error)
{
    const TARN::OperationOutcome outcome = Recovery::runDeviceCall(this, m_centerWidget, call);
    *error = outcome.error;
    return outcome.ok;
}

void ResetPasswordDialog::reject()
{
    if (m_centerWidget->isEnabled())
        BaseDialog::reject();
}

QByteArray ResetPasswordDialog::fetchRequest(unsigned kind, int *error)
{
    QByteArray buffer(Recovery::requestBufferSize(kind), '\0');
    const QByteArray serial = m_strSerialNo.toLatin1();
    char *out = buffer.data();
    const unsigned size = unsigned(buffer.size());
    if (!runDeviceCall([serial, kind, out, size] {
            return TARN::TarnHandler::instance()->getDeviceConfig(serial, kind, nullptr, 0, out, size);
        }, error))
        return QByteArray();
    return buffer;
}

void ResetPasswordDialog::onGenerateQRcode()
{
    int error = 0;
    const QByteArray text = Recovery::requestText(fetchRequest(TARN_CONFIG_KEY_REQUEST_QR, &error));
    if (text.isEmpty() || !m_pQREncode->setString(QString::fromLatin1(text))) {
        qWarning("[Tool]Key request for the QR code failed: %d", error);
        report(WarningDialog::WarnError, tr("Generate QR code error."));
        return;
    }
    const int side = qMax(108, m_pQREncode->sizeFor(kQrPixelsPerModule));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(m_pQREncode->getQRCode(qRound(side * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    ui->m_labelQcCode->setFixedSize(side, side);
    ui->m_labelQcCode->setPixmap(pixmap);
}

void ResetPasswordDialog::onExportFile()
{
    if (s_lastExportDir.isEmpty() || !QFileInfo(s_lastExportDir).isDir())
        s_lastExportDir = QDir::homePath();
    QString folder = QFileDialog::getExistingDirectory(this, QString(), s_lastExportDir, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    s_lastExportDir = folder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    exportWithKind(m_bSupportQRCode ? TARN_CONFIG_KEY_REQUEST_QR : TARN_CONFIG_KEY_REQUEST, folder);
}

void ResetPasswordDialog::exportWithKind(unsigned kind, const QString &folder)
{
    int error = 0;
    const QByteArray buffer = fetchRequest(kind, &error);
    if (buffer.isEmpty()) {
        qWarning("[Tool]Key request failed: %d", error);
        report(WarningDialog::WarnError, tr("Get key error."));
        return;
    }
    const QString path = folder + Recovery::requestFileName(m_strSerialNo, QDateTime::currentDateTime());
    QString why;
    if (!Recovery::writeRequestFile(path, Recovery::requestData(buffer, kind), &why)) {
        qWarning("[Tool]Key request file %s not written: %s", qUtf8Printable(path), qUtf8Printable(why));
        report(WarningDialog::WarnError, tr("Create device key file error."));
        return;
    }
    report(WarningDialog::WarnOk, tr("Exported."));
}

void ResetPasswordDialog::onImportFile()
{
    QString start = s_lastImportPath;
    if (start.isEmpty() || !QFileInfo::exists(QFileInfo(start).absolutePath()))
        start = QDir::homePath();
    const QString path = QFileDialog::getOpenFileName(this, QString(), start);
    // A cancelled chooser leaves what the field held.
    if (path.isEmpty())
        return;
    s_lastImportPath = path;
    ui->m_lineEditFilePath->setText(path);
    ui->m_lineEditFilePath->setCursorPosition(0);
}

void ResetPasswordDialog::onNewPasswordTextChanged(const QString &strNewPassword)
{
    const int level = passwordLevelOfText(strNewPassword);
    const QString word = level == 1 ? tr("Weak") : level == 2 ? tr("Medium") : level == 3 ? tr("Strong") : QString();
    aptui::paintPasswordLevel(level, ui->m_labelLevel1, ui->m_labelLevel2, ui->m_labelLevel3, ui->m_labelLevel, word);
}

void ResetPasswordDialog::onResetPassword()
{
    aptui::MultiStateLineEdit *keyField = ui->m_lineEditFilePath;
    aptui::MultiStateLineEdit *newField = ui->m_lineEditNewPassword;
    if (keyField->text().isEmpty()) {
        report(WarningDialog::WarnError, tr("Please input the secret key."), keyField, ui->m_labelHintFilePath);
        return;
    }
    if (newField->text().isEmpty()) {
        newField->setFocus();
        report(WarningDialog::WarnError, tr("The password can not be empty."), newField, ui->m_labelHintNewPassword);
        return;
    }
    if (newField->text() != ui->m_lineEditConfirmPassword->text()) {
        report(WarningDialog::WarnError, tr("The password you typed do not match."), newField,
               ui->m_labelHintNewPassword);
        return;
    }
    if (ui->m_labelLevel->text().isEmpty()) {
        reportLong(WarningDialog::WarnError,
                   tr("Valid password range [8-16]. You can use a combination of numbers, lowercase, uppercase and "
                      "special character for your password with at least two kinds of them contained."),
                   newField, ui->m_labelHintNewPassword);
        return;
    }

    // The device takes at most 16 bytes: a password whose 8-bit form is longer, or that the 8-bit
    // form cannot hold, is refused here rather than cut or changed behind the user's back.
    bool representable = false;
    QByteArray password = OrvoGUIToolkit::ConvertFromUnicode(newField->text(), nullptr, &representable);
    if (!representable || password.size() > int(sizeof(TARN_RESET_PARAM::password))) {
        Recovery::wipe(password);
        reportLong(WarningDialog::WarnError,
                   tr("The device cannot take this password: it is too long, or it holds characters the device "
                      "does not know."),
                   newField, ui->m_labelHintNewPassword);
        return;
    }

    QByteArray key;
    QByteArray keyFilePath;
    QString copy;
    if (ui->m_radioBtnAutoInput->isChecked()) {
        copy = keyFileCopyPath();
        QString why;
        const Recovery::KeyFileResult prepared = QDir().mkpath(QFileInfo(copy).absolutePath())
            ? Recovery::prepareKeyFile(keyField->text(), copy, &why)
            : Recovery::KeyFileResult::TargetUnwritable;
        if (prepared != Recovery::KeyFileResult::Ok) {
            Recovery::wipe(password);
            qWarning("[Tool]Key file not prepared: %s", qUtf8Printable(why));
            if (prepared == Recovery::KeyFileResult::SourceUnreadable)
                report(WarningDialog::WarnError, tr("The key file cannot be read."), keyField, ui->m_labelHintFilePath);
            else
                report(WarningDialog::WarnError, tr("The key file cannot be copied to the data folder."));
            return;
        }
        keyFilePath = QFile::encodeName(copy);
    } else {
        bool keyRepresentable = false;
        key = OrvoGUIToolkit::ConvertFromUnicode(keyField->text(), nullptr, &keyRepresentable);
        if (!keyRepresentable || key.size() >= int(sizeof(TARN_RESET_PARAM::key))) {
            Recovery::wipe(password);
            Recovery::wipe(key);
            report(WarningDialog::WarnError, tr("The secret key is not valid."), keyField, ui->m_labelHintFilePath);
            return;
        }
    }

    TARN_RESET_PARAM request;
    const Recovery::FillResult filled = Recovery::fillResetParam(
        request, key, keyFilePath, password, !ui->m_checkBoxIPC->isHidden() && ui->m_checkBoxIPC->isChecked());
    Recovery::wipe(password);
    Recovery::wipe(key);
    bool ok = false;
    int error = 0;
    if (filled == Recovery::FillResult::Ok) {
        const QByteArray serial = m_strSerialNo.toLatin1();
        const TARN_RESET_PARAM *record = &request;
        ok = runDeviceCall([serial, record] { return TARN::TarnHandler::instance()->resetPasswd(serial, *record); },
                           &error);
    }
    Recovery::wipe(request);
    // The copy holds the key: it is not left behind, whatever the outcome.
    if (!copy.isEmpty())
        QFile::remove(copy);

    if (filled != Recovery::FillResult::Ok) {
        report(WarningDialog::WarnError, tr("The key file cannot be copied to the data folder."));
        return;
    }
    if (!ok) {
        qWarning("[Tool]Reset password failed: %d", error);
        report(WarningDialog::WarnError, tr("Reset password failed."));
        return;
    }
    report(WarningDialog::WarnOk, tr("Reset password Succeed."));
    accept();
}

void ResetPasswordDialog::onClearWarningInfo()
{
    for (aptui::MultiStateLineEdit *edit : {ui->m_lineEditFilePath, ui->m_lineEditNewPassword, ui->m_lineEditConfirmPassword})
        edit->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
    ui->m_labelHintFilePath->clear();
    ui->m_labelHintNewPassword->clear();
    ui->m_labelHintConfirmPassword->clear();
}

void ResetPasswordDialog::onClearFilePathError()
{
    ui->m_labelHintFilePath->clear();
    ui->m_lineEditFilePath->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
}

} // namespace TarnTool
