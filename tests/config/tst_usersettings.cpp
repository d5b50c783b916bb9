#include <QtTest>

#include "config/usersettings.h"

using apt::UserSettings;

// What the program remembers for the user survives a restart (a new instance on the same file),
// texts of any kind included; a file that cannot be read is not used and is replaced whole by the
// next change, leaving nothing beside it.
class TestUserSettings : public QObject
{
    Q_OBJECT

private slots:
    void aChangeIsThereAfterARestartAndABrokenFileIsReplaced();
};

void TestUserSettings::aChangeIsThereAfterARestartAndABrokenFileIsReplaced()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("UserSettings.xml"));
    const QString folder = QStringLiteral("/home/x/<sites> & \"exports\"");
    {
        UserSettings settings(path);
        QCOMPARE(settings.value(QStringLiteral("ExportFolder")), QString());
        QVERIFY(settings.setValue(QStringLiteral("ExportFolder"), folder));
        QVERIFY(settings.setValue(QStringLiteral("Other"), QStringLiteral("1")));
        QVERIFY(settings.setValue(QStringLiteral("Other"), QStringLiteral("2")));
    }
    UserSettings restarted(path);
    QCOMPARE(restarted.value(QStringLiteral("ExportFolder")), folder);
    QCOMPARE(restarted.value(QStringLiteral("Other")), QStringLiteral("2"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<UserSettings><ExportFolder><Value>/old");
    file.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("UserSettings.xml are not read")));
    UserSettings broken(path);
    QCOMPARE(broken.value(QStringLiteral("ExportFolder")), QString());
    QVERIFY(broken.setValue(QStringLiteral("ExportFolder"), QStringLiteral("/new")));
    QCOMPARE(UserSettings(path).value(QStringLiteral("ExportFolder")), QStringLiteral("/new"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("UserSettings.xml")});
}

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_usersettings.moc"
