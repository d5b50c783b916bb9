#include <QtTest>

#include <functional>

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>

#include "config/configuremanager.h"
#include "config/usersettings.h"
#include "aptui/multistatelineedit.h"
#include "aptui/warningdialog.h"
#include "exportdialog/devicesinfosavepage.h"
#include "export/exporttestdata.h"
#include "kittest.h"
#include "support/warningboxes.h"

using aptui::MultiStateLineEdit;
using kittest::child;
using kittest::onNextModal;
using TarnTool::DevicesInfoSavePage;
using TarnTool::WarningDialog;
using warningboxes::Shown;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A data row's name; newRow() copies it before the temporary goes.
const char *tag(const QString &action, const char *what)
{
    static QByteArray name;
    name = action.toUtf8() + ": " + what;
    return name.constData();
}

QStringList csvHeader()
{
    QStringList header = deviceHeaders().mid(1);
    header.replace(header.indexOf(QStringLiteral("ID")), QStringLiteral("Index"));
    header.replace(header.indexOf(QStringLiteral("Serial Number")), QStringLiteral("Device Serial Number"));
    return header;
}

QStringList xlsHeader()
{
    QStringList header = deviceHeaders().mid(1);
    header.replace(header.indexOf(QStringLiteral("Serial Number")), QStringLiteral("Device Serial Number"));
    return header;
}

} // namespace

class TestDevicesInfoSavePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // First: it relies on no folder being remembered yet in this process.
    void folderButtonFillsAndRemembersThePath();
    void checks_data();
    void checks();
    void marksClearWhenTheUserTurnsToTheField();
    void exportsRows2And5InTableOrder_data();
    void exportsRows2And5InTableOrder();
    void failureKeepsTheDialogOpen_data();
    void failureKeepsTheDialogOpen();
    void secondExportToTheSameNameIsRefused();
    void halyardColumnsFollowTheConfiguration_data();
    void halyardColumnsFollowTheConfiguration();

private:
    void newDialog();
    void useConfiguration(const QByteArray &entries);
    // Clicks "Confirm" ("csv"), "Export to Excel" ("xls") or presses Return in the name field.
    QVector<Shown> save(const QString &action);
    QStringList filesInDir() const;

    QTemporaryDir m_settingsHome;
    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<QStandardItemModel> m_model;
    QScopedPointer<DevicesInfoSavePage> m_page;
    MultiStateLineEdit *m_name = nullptr;
    MultiStateLineEdit *m_path = nullptr;
    QLabel *m_nameHint = nullptr;
    QLabel *m_pathHint = nullptr;
};

void TestDevicesInfoSavePage::initTestCase()
{
    // The warning icons are the skin's, as in the running tool; they tell the kinds apart.
    QPluginLoader loader(QStringLiteral(COMMONSKIN_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    // A folder remembered by an earlier run would be where the first dialog starts.
    QVERIFY(m_settingsHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settingsHome.path()));
}

void TestDevicesInfoSavePage::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    useConfiguration(QByteArray());
    QVector<QStringList> cells;
    for (int r = 0; r < 6; ++r) {
        QStringList row;
        for (int c = 1; c < deviceHeaders().size(); ++c)
            row.append(c == 1 ? QString::asprintf("%03d", r + 1) : QStringLiteral("cell %1.%2").arg(r).arg(c));
        cells.append(row);
    }
    cells[4][1] = QStringLiteral("IPC, outdoor \"dome\"");
    cells[4][2] = QStringLiteral("摄像机");
    m_model.reset(makeDeviceTable(6, cells));
    newDialog();
}

void TestDevicesInfoSavePage::cleanup()
{
    m_page.reset();
}

void TestDevicesInfoSavePage::newDialog()
{
    m_page.reset(new DevicesInfoSavePage(m_model.data()));
    m_page->setExportRows({1, 4});
    m_name = child<MultiStateLineEdit>(m_page.data(), "m_lineEditFilename");
    m_path = child<MultiStateLineEdit>(m_page.data(), "m_lineEditFilepath");
    m_nameHint = child<QLabel>(m_page.data(), "m_labelHintFileName");
    m_pathHint = child<QLabel>(m_page.data(), "m_labelHintFilePath");
    QVERIFY(m_name && m_path && m_nameHint && m_pathHint);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.data()));
}

void TestDevicesInfoSavePage::useConfiguration(const QByteArray &entries)
{
    const QString path = m_dir->filePath(QStringLiteral(".Setup.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<Setup>" + entries + "</Setup>");
    file.close();
    QVERIFY(apt::ConfigureManager::instance()->load(path));
    QVERIFY(file.remove());
}

QVector<Shown> TestDevicesInfoSavePage::save(const QString &action)
{
    return warningboxes::answer([this, action] {
        if (action == QLatin1String("csv"))
            QTest::mouseClick(child<QPushButton>(m_page.data(), "btnConfirm"), Qt::LeftButton);
        else if (action == QLatin1String("xls"))
            QTest::mouseClick(child<QPushButton>(m_page.data(), "m_btnSaveExcel"), Qt::LeftButton);
        else
            QTest::keyClick(m_name, Qt::Key_Return);
    });
}

QStringList TestDevicesInfoSavePage::filesInDir() const
{
    return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void TestDevicesInfoSavePage::folderButtonFillsAndRemembersThePath()
{
    QCOMPARE(m_path->text(), QString());
    QCOMPARE(QApplication::focusWidget(), m_name);

    QString startedAt;
    const QString chosen = m_dir->path();
    onNextModal([&startedAt, chosen](QWidget *modal) {
        auto *chooser = qobject_cast<QFileDialog *>(modal);
        QVERIFY(chooser);
        startedAt = chooser->directory().absolutePath();
        chooser->setDirectory(chosen);
        static_cast<QDialog *>(chooser)->accept();
    });
    // The chooser opens after the click has returned.
    QTest::mouseClick(child<QToolButton>(m_page.data(), "m_btnFilepath"), Qt::LeftButton);
    QVERIFY(startedAt.isEmpty());
    QTRY_VERIFY(!startedAt.isEmpty());
    QCOMPARE(startedAt, QDir(QDir::homePath()).absolutePath());
    QCOMPARE(m_path->text(), QDir::toNativeSeparators(chosen) + QDir::separator());
    // The next run reads it from the user's settings.
    const QString saved = m_settingsHome.filePath(QStringLiteral("tarntool/UserSettings.xml"));
    QCOMPARE(apt::UserSettings(saved).value(QStringLiteral("ExportFolder")), chosen);

    // The next dialog of the run starts in the chosen folder, and its chooser too.
    newDialog();
    QCOMPARE(QDir::cleanPath(QDir::fromNativeSeparators(m_path->text())), QDir::cleanPath(chosen));
    onNextModal([&startedAt](QWidget *modal) {
        auto *chooser = qobject_cast<QFileDialog *>(modal);
        QVERIFY(chooser);
        startedAt = chooser->directory().absolutePath();
        chooser->reject();
    });
    const QString before = m_path->text();
    startedAt.clear();
    QTest::mouseClick(child<QToolButton>(m_page.data(), "m_btnFilepath"), Qt::LeftButton);
    QTRY_VERIFY(!startedAt.isEmpty());
    QCOMPARE(startedAt, QDir(chosen).absolutePath());
    QCOMPARE(m_path->text(), before);
}

void TestDevicesInfoSavePage::checks_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("withPath");
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("marked");

    const QString noName = QStringLiteral("Please input file name.");
    const QString noPath = QStringLiteral("Please input file path.");
    const QString used = QStringLiteral("The file name has been used, please change it");
    for (const QString &action : {QStringLiteral("csv"), QStringLiteral("xls")}) {
        QTest::newRow(tag(action, "no name")) << action << QString() << true << QString() << noName << "name";
        QTest::newRow(tag(action, "neither, the name first"))
            << action << QString() << false << QString() << noName << "name";
        QTest::newRow(tag(action, "no path")) << action << "devices" << false << QString() << noPath << "path";
        QTest::newRow(tag(action, "file exists")) << action << "devices" << true << "devices." + action << used << "";
        QTest::newRow(tag(action, "dangling link"))
            << action << "devices" << true << "link:devices." + action << used << "";
        // "../escaped" once wrote beside the chosen folder and said it succeeded.
        const QString pathInName = QStringLiteral("The file name cannot hold / or \\, nor be . or ..: the file goes "
                                                  "into the folder chosen below.");
        QTest::newRow(tag(action, "name leaving the folder")) << action << "../escaped" << true << QString()
                                                              << pathInName << "name";
        QTest::newRow(tag(action, "name with a backslash")) << action << "a\\b" << true << QString() << pathInName
                                                            << "name";
        QTest::newRow(tag(action, "name ..")) << action << ".." << true << QString() << pathInName << "name";
    }
    // The other format's file does not stand in the way.
    const QString succeed = QStringLiteral("Saving succeed.");
    QTest::newRow("xls: only the CSV file exists") << "xls" << "devices" << true << "devices.csv" << succeed << "";
    QTest::newRow("csv: only the workbook exists") << "csv" << "devices" << true << "devices.xls" << succeed << "";
}

void TestDevicesInfoSavePage::checks()
{
    QFETCH(QString, action);
    QFETCH(QString, name);
    QFETCH(bool, withPath);
    QFETCH(QString, existing);
    QFETCH(QString, message);
    QFETCH(QString, marked);

    const QByteArray firstExport("first export\n");
    if (existing.startsWith(QLatin1String("link:"))) {
        existing = existing.mid(5);
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("nowhere")), m_dir->filePath(existing)));
    } else if (!existing.isEmpty()) {
        QFile file(m_dir->filePath(existing));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(firstExport);
    }
    const QStringList before = filesInDir();
    m_name->setText(name);
    m_path->setText(withPath ? m_dir->path() : QString());

    const QVector<Shown> shown = save(action);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, message);
    const bool succeeded = message == QLatin1String("Saving succeed.");
    QCOMPARE(shown.at(0).kind, succeeded ? int(WarningDialog::WarnOk) : int(WarningDialog::WarnError));
    QCOMPARE(m_page->isVisible(), !succeeded);
    QCOMPARE(m_page->result() == QDialog::Accepted, succeeded);

    const auto state = [&marked](const char *field) {
        return marked == QLatin1String(field) ? MultiStateLineEdit::ERROR : MultiStateLineEdit::NORMAL;
    };
    QCOMPARE(m_name->lineEditState(), state("name"));
    QCOMPARE(!m_nameHint->pixmap(Qt::ReturnByValue).isNull(), marked == QLatin1String("name"));
    QCOMPARE(m_path->lineEditState(), state("path"));
    QCOMPARE(!m_pathHint->pixmap(Qt::ReturnByValue).isNull(), marked == QLatin1String("path"));

    if (!succeeded) {
        QCOMPARE(filesInDir(), before);
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("../escaped.") + action)));
        if (!existing.isEmpty() && !QFileInfo(m_dir->filePath(existing)).isSymLink())
            QCOMPARE(readAll(m_dir->filePath(existing)), firstExport);
    }
}

void TestDevicesInfoSavePage::marksClearWhenTheUserTurnsToTheField()
{
    m_path->setText(m_dir->path());
    QCOMPARE(save(QStringLiteral("csv")).size(), 1);
    m_name->setText(QStringLiteral("devices"));
    m_path->clear();
    QCOMPARE(save(QStringLiteral("xls")).size(), 1);
    QCOMPARE(m_name->lineEditState(), MultiStateLineEdit::ERROR);
    QCOMPARE(m_path->lineEditState(), MultiStateLineEdit::ERROR);

    // A press in one field clears that field's mark only.
    QTest::mouseClick(m_path, Qt::LeftButton);
    QCOMPARE(m_path->lineEditState(), MultiStateLineEdit::NORMAL);
    QVERIFY(m_pathHint->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(m_name->lineEditState(), MultiStateLineEdit::ERROR);
    QVERIFY(!m_nameHint->pixmap(Qt::ReturnByValue).isNull());
    QTest::mouseClick(m_name, Qt::LeftButton);
    QCOMPARE(m_name->lineEditState(), MultiStateLineEdit::NORMAL);
    QVERIFY(m_nameHint->pixmap(Qt::ReturnByValue).isNull());

    // The folder button clears the path's mark, even when no folder is chosen.
    QCOMPARE(save(QStringLiteral("csv")).size(), 1);
    QCOMPARE(m_path->lineEditState(), MultiStateLineEdit::ERROR);
    bool asked = false;
    onNextModal([&asked](QWidget *modal) {
        asked = true;
        static_cast<QDialog *>(modal)->reject();
    });
    QTest::mouseClick(child<QToolButton>(m_page.data(), "m_btnFilepath"), Qt::LeftButton);
    QTRY_VERIFY(asked);
    QCOMPARE(m_path->lineEditState(), MultiStateLineEdit::NORMAL);
    QVERIFY(m_pathHint->pixmap(Qt::ReturnByValue).isNull());
}

void TestDevicesInfoSavePage::exportsRows2And5InTableOrder_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("separator");

    QTest::newRow("Confirm: CSV") << "csv" << "";
    QTest::newRow("Return: CSV, path ending in a separator") << "return" << QString(QDir::separator());
    QTest::newRow("Export to Excel") << "xls" << "";
    QTest::newRow("Export to Excel, path ending in a separator") << "xls" << QString(QDir::separator());
}

void TestDevicesInfoSavePage::exportsRows2And5InTableOrder()
{
    QFETCH(QString, action);
    QFETCH(QString, separator);

    m_name->setText(QStringLiteral("devices"));
    m_path->setText(QDir::toNativeSeparators(m_dir->path()) + separator);
    const QVector<Shown> shown = save(action);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("Saving succeed."));
    QCOMPARE(shown.at(0).kind, int(WarningDialog::WarnOk));
    QVERIFY(!m_page->isVisible());
    QCOMPARE(m_page->result(), int(QDialog::Accepted));

    const bool excel = action == QLatin1String("xls");
    const QString file = QStringLiteral("devices.") + (excel ? QStringLiteral("xls") : QStringLiteral("csv"));
    QCOMPARE(filesInDir(), QStringList{file});
    const QString path = m_dir->filePath(file);
    if (excel) {
        const QJsonObject book = readWithPython(xlsReaderScript(), path).toObject();
        QCOMPARE(book.value(QStringLiteral("names")).toArray(), QJsonArray{QStringLiteral("devices")});
        QCOMPARE(rowsFromJson(book.value(QStringLiteral("cells"))),
                 (QVector<QStringList>{xlsHeader(), rowTexts(*m_model, 1), rowTexts(*m_model, 4)}));
    } else {
        QCOMPARE(rowsFromJson(readWithPython(csvReaderScript(), path)),
                 (QVector<QStringList>{csvHeader(), rowTexts(*m_model, 1), rowTexts(*m_model, 4)}));
    }
}

void TestDevicesInfoSavePage::failureKeepsTheDialogOpen_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QVector<int>>("rows");
    QTest::addColumn<QString>("reason");

    for (const QString &action : {QStringLiteral("csv"), QStringLiteral("xls")}) {
        QTest::newRow(tag(action, "folder missing")) << action << "no/such" << QVector<int>{1, 4}
                                                     << "No such file or directory";
        QTest::newRow(tag(action, "row gone from the table")) << action << "" << QVector<int>{1, 6}
                                                              << "row 6 is not in the table";
    }
}

void TestDevicesInfoSavePage::failureKeepsTheDialogOpen()
{
    QFETCH(QString, action);
    QFETCH(QString, folder);
    QFETCH(QVector<int>, rows);
    QFETCH(QString, reason);

    m_page->setExportRows(rows);
    m_name->setText(QStringLiteral("devices"));
    m_path->setText(folder.isEmpty() ? m_dir->path() : m_dir->filePath(folder));

    const QVector<Shown> shown = save(action);
    QCOMPARE(shown.size(), 1);
    // The reason is shown, not only logged.
    QVERIFY2(shown.at(0).text.startsWith(QLatin1String("Saving failed: ")) && shown.at(0).text.contains(reason),
             qPrintable(shown.at(0).text));
    QCOMPARE(shown.at(0).kind, int(WarningDialog::WarnError));
    QVERIFY(m_page->isVisible());
    QVERIFY(m_page->result() != QDialog::Accepted);
    QCOMPARE(m_name->lineEditState(), MultiStateLineEdit::NORMAL);
    QCOMPARE(m_path->lineEditState(), MultiStateLineEdit::NORMAL);
    QCOMPARE(filesInDir(), QStringList());
}

void TestDevicesInfoSavePage::secondExportToTheSameNameIsRefused()
{
    const QString typed = m_dir->path() + QStringLiteral("/./");
    m_name->setText(QStringLiteral("devices"));
    m_path->setText(typed);
    QCOMPARE(save(QStringLiteral("csv")).size(), 1);
    const QString csv = m_dir->filePath(QStringLiteral("devices.csv"));
    const QByteArray first = readAll(csv);
    QVERIFY(!first.isEmpty());

    // The next opening offers the folder exactly as typed; the same name is refused, the file kept.
    m_model->item(1, 2)->setText(QStringLiteral("changed since"));
    newDialog();
    QCOMPARE(m_path->text(), typed);
    m_name->setText(QStringLiteral("devices"));
    const QVector<Shown> shown = save(QStringLiteral("csv"));
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("The file name has been used, please change it"));
    QVERIFY(m_page->isVisible());
    QCOMPARE(readAll(csv), first);
}

void TestDevicesInfoSavePage::halyardColumnsFollowTheConfiguration_data()
{
    QTest::addColumn<QByteArray>("configuration");
    QTest::addColumn<bool>("dropped");

    const QByteArray chinese("<Translator><Value>1</Value></Translator>");
    QTest::newRow("Chinese, standard edition") << chinese + "<VersionType><Value>1</Value></VersionType>" << true;
    QTest::newRow("Chinese, other edition") << chinese + "<VersionType><Value>2</Value></VersionType>" << false;
    QTest::newRow("English, standard edition")
        << QByteArray("<Translator><Value>0</Value></Translator><VersionType><Value>1</Value></VersionType>") << false;
}

void TestDevicesInfoSavePage::halyardColumnsFollowTheConfiguration()
{
    QFETCH(QByteArray, configuration);
    QFETCH(bool, dropped);

    useConfiguration(configuration);
    const QStringList headers{QString(), QStringLiteral("ID"), QStringLiteral("Support Halyard"),
                              QStringLiteral("MAC"), QStringLiteral("Halyard Status")};
    m_model.reset(makeDeviceTable(2, {}, headers));
    newDialog();
    m_page->setExportRows({1});
    m_name->setText(QStringLiteral("devices"));
    m_path->setText(m_dir->path());
    QCOMPARE(save(QStringLiteral("csv")).size(), 1);

    const QString path = m_dir->filePath(QStringLiteral("devices.csv"));
    const QVector<QStringList> csv = rowsFromJson(readWithPython(csvReaderScript(), path));
    if (dropped) {
        QCOMPARE(csv, (QVector<QStringList>{{QStringLiteral("Index"), QStringLiteral("MAC")},
                                            {QStringLiteral("002"), QStringLiteral("MAC 1")}}));
    } else {
        QCOMPARE(csv, (QVector<QStringList>{{QStringLiteral("Index"), QStringLiteral("Support Halyard"),
                                             QStringLiteral("MAC"), QStringLiteral("Halyard Status")},
                                            rowTexts(*m_model, 1)}));
    }
}

QTEST_MAIN(TestDevicesInfoSavePage)
#include "tst_devicesinfosavepage.moc"
