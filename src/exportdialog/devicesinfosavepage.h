#pragma once

#include <QString>
#include <QVector>

#include "aptui/basedialog.h"

class QLabel;
class QPushButton;
class QStandardItemModel;

namespace Ui {
class DevicesInfoSavePage;
}

namespace aptui {
class MultiStateLineEdit;
}

namespace TarnTool {

class ExcelManager;

// The export dialog: the user names a file and picks a folder, and the checked rows of the device
// table are written there. "Confirm" saves a CSV file; the button "Export to Excel" beside it
// saves the same rows as an .xls workbook. Each save refuses an empty name or folder and a file
// that exists already, reports the outcome in a warning box, and accepts the dialog only once the
// file is written. The folder is remembered for the next opening, and in the user's settings for
// the next run.
class DevicesInfoSavePage : public aptui::BaseDialog
{
    Q_OBJECT

public:
    // `model` is the device table; it is not owned and must outlive the dialog.
    explicit DevicesInfoSavePage(QStandardItemModel *model, QWidget *parent = nullptr);
    ~DevicesInfoSavePage() override;

    // The checked rows' numbers, in table order.
    void setExportRows(const QVector<int> &rows);

public Q_SLOTS:
    // Clears a field's mark when the user presses the mouse in it.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void onBtnFilepathClicked();
    void onSaveDevicesInfo();
    void onSaveDevicesInfoToCSV();
    void onClearWarningInfo();
    void onClearLineEditFilePathError();

private:
    Q_DISABLE_COPY(DevicesInfoSavePage)

    // The checks both save actions share; on success `file` is the folder, name and `extension`.
    bool checkTarget(const QString &extension, QString *name, QString *dir, QString *file);
    void report(int kind, const QString &text, aptui::MultiStateLineEdit *edit = nullptr,
                QLabel *hintLabel = nullptr);
    static bool dropHalyardColumns();

    Ui::DevicesInfoSavePage *ui = nullptr;
    ExcelManager *m_excelManager = nullptr;
    QPushButton *m_btnSaveExcel = nullptr;
    QStandardItemModel *m_model = nullptr;
    QVector<int> exportRows;

    static QString s_lastExportPath;
};

} // namespace TarnTool
