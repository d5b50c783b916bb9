#include <QtTest>

#include <QTranslator>

#include "config/lanaguagemanager.h"

using apt::LanaguageManager;

class TestLanaguageManager : public QObject
{
    Q_OBJECT

private slots:
    void installsTranslatorsInOrder_data();
    void installsTranslatorsInOrder();
    void missingFilesInstallEmptyTranslators();
};

void TestLanaguageManager::installsTranslatorsInOrder_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("deviceSerialNumber");

    QTest::newRow("0 English") << 0 << QStringList{QStringLiteral("tarntool_en.qm"), QStringLiteral("HostWatch_en.qm")}
                               << QLocale(QLocale::English, QLocale::UnitedStates)
                               << QStringLiteral("Device Serial Number");
    QTest::newRow("1 Chinese") << 1
                               << QStringList{QStringLiteral("tarntool_zh.qm"), QStringLiteral("qt_zh_CN.qm"),
                                              QStringLiteral("OrvoGUIToolkit_zh.qm")}
                               << QLocale(QLocale::Chinese, QLocale::China) << QStringLiteral("设备序列号");
    QTest::newRow("9 other") << 9 << QStringList{QString(), QString()} << QLocale() << QStringLiteral("Device Serial Number");
}

// Runs against the translations the build puts beside the program.
void TestLanaguageManager::installsTranslatorsInOrder()
{
    QFETCH(int, language);
    QFETCH(QStringList, files);
    QFETCH(QLocale, locale);
    QFETCH(QString, deviceSerialNumber);

    const QString folder = QStringLiteral(TRANSLATIONS_DIR "/");
    {
        LanaguageManager manager(language, folder);
        QCOMPARE(manager.language(), language);
        QCOMPARE(manager.locale(), locale);
        const QVector<QTranslator *> translators = manager.translators();
        QCOMPARE(translators.size(), files.size());
        for (int i = 0; i < files.size(); ++i) {
            if (files.at(i).isEmpty()) {
                QVERIFY(translators.at(i)->isEmpty());
                QVERIFY(translators.at(i)->filePath().isEmpty());
            } else {
                QCOMPARE(QFileInfo(translators.at(i)->filePath()).fileName(), files.at(i));
            }
        }
        if (language == 1) {
            // Qt's catalogue loads with its modules, so Qt's own dialogs speak Chinese too.
            QVERIFY(!translators.at(1)->isEmpty());
            QVERIFY(!translators.at(2)->filePath().isEmpty());
        }
        QCOMPARE(QCoreApplication::translate("TarnTool::ExcelManager", "Device Serial Number"), deviceSerialNumber);
    }
    // Gone with the manager.
    QCOMPARE(QCoreApplication::translate("TarnTool::ExcelManager", "Device Serial Number"),
             QStringLiteral("Device Serial Number"));
}

void TestLanaguageManager::missingFilesInstallEmptyTranslators()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    LanaguageManager manager(1, empty.path() + QLatin1Char('/'));
    QCOMPARE(manager.translators().size(), 3);
    for (QTranslator *translator : manager.translators())
        QVERIFY(translator->isEmpty());
    QCOMPARE(manager.locale(), QLocale(QLocale::Chinese, QLocale::China));
    QCOMPARE(QCoreApplication::translate("TarnTool::ExcelManager", "Serial Number"), QStringLiteral("Serial Number"));
}

QTEST_GUILESS_MAIN(TestLanaguageManager)
#include "tst_lanaguagemanager.moc"
