#include "exportdialog/devicesinfosavepage.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>

#include "config/configuremanager.h"
#include "config/usersettings.h"
#include "aptui/fieldlabels.h"
#include "aptui/multistatelineedit.h"
#include "aptui/warningdialog.h"
#include "export/csvwriter.h"
#include "export/excelmanager.h"
#include "ui_devicesinfosavepage.h"

namespace TarnTool {

QString DevicesInfoSavePage::s_lastExportPath;

namespace {
const char kExportFolder[] = "ExportFolder";

// The folder stays for the next opening, and for the next run.
void rememberExportPath(QString *remembered, const QString &folder)
{
    *remembered = folder;
    apt::UserSettings::instance()->setValue(QLatin1String(kExportFolder), folder);
}
} // namespace

DevicesInfoSavePage::DevicesInfoSavePage(QStandardItemModel *model, QWidget *parent)
    : BaseDialog(false, false, false, false, true, true, true, parent)
    , ui(new Ui::DevicesInfoSavePage)
    , m_model(model)
{
    auto *content = new QWidget(this);
    m_excelManager = new ExcelManager(this);
    ui->setupUi(content);
    setContentWidget(content);

    ui->m_lineEditFilename->setMaxLength(32);
    if (s_lastExportPath.isEmpty())
        s_lastExportPath = apt::UserSettings::instance()->value(QLatin1String(kExportFolder));
    ui->m_lineEditFilepath->setText(s_lastExportPath);

    setTitle(tr("Export"));
    setDialogFixedSize(510, 362);
    setEnableConfirm(false);

    m_btnSaveExcel = new QPushButton(tr("Export to Excel"), this);
    m_btnSaveExcel->setObjectName(QStringLiteral("m_btnSaveExcel"));
    m_btnSaveExcel->setMinimumSize(72, 30);
    m_btnSaveExcel->setToolTip(tr("Save the list as an Excel workbook (.xls)"));
    addBottomButton(m_btnSaveExcel);
    // Return in a field saves the CSV file, as "Confirm" does, whichever button Qt would pick.
    if (auto *confirm = findChild<QPushButton *>(QStringLiteral("btnConfirm"))) {
        confirm->setToolTip(tr("Save the list as a CSV file (.csv)"));
        confirm->setDefault(true);
    }

    connect(ui->m_btnFilepath, &QToolButton::clicked, this, &DevicesInfoSavePage::onClearLineEditFilePathError);
    // Queued: the chooser is modal, and a press through the accessibility bus waits for the click.
    connect(ui->m_btnFilepath, &QToolButton::clicked, this, &DevicesInfoSavePage::onBtnFilepathClicked,
            Qt::QueuedConnection);
    connect(this, &BaseDialog::signalConfirmButtonClicked, this, &DevicesInfoSavePage::onSaveDevicesInfoToCSV);
    connect(m_btnSaveExcel, &QPushButton::clicked, this, &DevicesInfoSavePage::onSaveDevicesInfo);

    ui->m_lineEditFilename->installEventFilter(this);
    ui->m_lineEditFilepath->installEventFilter(this);
    ui->m_lineEditFilename->setFocus();
    aptui::linkFieldLabels(this);
}

DevicesInfoSavePage::~DevicesInfoSavePage()
{
    delete ui;
}

void DevicesInfoSavePage::setExportRows(const QVector<int> &rows)
{
    exportRows = rows;
}

bool DevicesInfoSavePage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == ui->m_lineEditFilename) {
            ui->m_labelHintFileName->clear();
            ui->m_lineEditFilename->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
        } else if (watched == ui->m_lineEditFilepath) {
            onClearLineEditFilePathError();
        }
    }
    return BaseDialog::eventFilter(watched, event);
}

void DevicesInfoSavePage::onBtnFilepathClicked()
{
    // A remembered folder that is gone since would open the chooser somewhere arbitrary.
    const QString start = QFileInfo(s_lastExportPath).isDir() ? s_lastExportPath : QDir::homePath();
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    rememberExportPath(&s_lastExportPath, folder);
    QString shown = QDir::toNativeSeparators(folder);
    if (!shown.endsWith(QDir::separator()))
        shown += QDir::separator();
    ui->m_lineEditFilepath->setText(shown);
}

void DevicesInfoSavePage::onClearWarningInfo()
{
    ui->m_labelHintFileName->clear();
    ui->m_lineEditFilename->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
    onClearLineEditFilePathError();
}

void DevicesInfoSavePage::onClearLineEditFilePathError()
{
    ui->m_labelHintFilePath->clear();
    ui->m_lineEditFilepath->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
}

void DevicesInfoSavePage::report(int kind, const QString &text, aptui::MultiStateLineEdit *edit,
                                 QLabel *hintLabel)
{
    WarningDialog::showWarning(WarningDialog::popupPosition(this), kind, text, this, edit, hintLabel);
}

bool DevicesInfoSavePage::checkTarget(const QString &extension, QString *name, QString *dir, QString *file)
{
    const QString path = ui->m_lineEditFilepath->text();
    if (!path.isEmpty())
        rememberExportPath(&s_lastExportPath, path);
    *name = ui->m_lineEditFilename->text();
    if (name->isEmpty()) {
        report(WarningDialog::WarnError, tr("Please input file name."), ui->m_lineEditFilename,
               ui->m_labelHintFileName);
        return false;
    }
    // The name would otherwise lead the file out of the chosen folder ("../escaped").
    if (name->contains(QLatin1Char('/')) || name->contains(QLatin1Char('\\')) || *name == QLatin1String(".")
        || *name == QLatin1String("..")) {
        report(WarningDialog::WarnError, tr("The file name cannot hold / or \\, nor be . or ..: the file goes into "
                                            "the folder chosen below."),
               ui->m_lineEditFilename, ui->m_labelHintFileName);
        return false;
    }
    if (path.isEmpty()) {
        report(WarningDialog::WarnError, tr("Please input file path."), ui->m_lineEditFilepath,
               ui->m_labelHintFilePath);
        return false;
    }
    *dir = QDir::fromNativeSeparators(path);
    if (!dir->endsWith(QLatin1Char('/')))
        *dir += QLatin1Char('/');
    *file = *dir + *name + extension;
    // A dangling link counts as used too: writing through it would create a file elsewhere.
    const QFileInfo target(*file);
    if (target.exists() || target.isSymLink()) {
        report(WarningDialog::WarnError, tr("The file name has been used, please change it"));
        return false;
    }
    return true;
}

// The standard edition in Chinese does not show the halyard columns, so its CSV file leaves them out.
bool DevicesInfoSavePage::dropHalyardColumns()
{
    const apt::ConfigureManager *config = apt::ConfigureManager::instance();
    return config->versionType() == 1 && config->translator() == 1;
}

void DevicesInfoSavePage::onSaveDevicesInfoToCSV()
{
    QString name;
    QString dir;
    QString file;
    if (!checkTarget(QStringLiteral(".csv"), &name, &dir, &file))
        return;
    QString error = QStringLiteral("no table to export");
    if (!m_model || !CsvWriter::write(file, *m_model, exportRows, dropHalyardColumns(), &error)) {
        qWarning("[Tool]CSV export failed: %s", qUtf8Printable(error));
        report(WarningDialog::WarnError, tr("Saving failed: %1").arg(error));
        return;
    }
    report(WarningDialog::WarnOk, tr("Saving succeed."));
    accept();
}

void DevicesInfoSavePage::onSaveDevicesInfo()
{
    QString name;
    QString dir;
    QString file;
    if (!checkTarget(QStringLiteral(".xls"), &name, &dir, &file))
        return;
    if (!m_excelManager->exportToExcel(name, dir, m_model, exportRows)) {
        report(WarningDialog::WarnError, tr("Saving failed: %1").arg(m_excelManager->lastError()));
        return;
    }
    report(WarningDialog::WarnOk, tr("Saving succeed."));
    accept();
}

} // namespace TarnTool
