#include <QtTest>

#include "config/usersettings.h"

using apt::UserSettings;

// What the program remembers for the user survives a restart (a new instance on the same file);
// a file that cannot be read is not used and is replaced whole by the next change; a link there
// is never written through.
class TestUserSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void aChangeIsThereAfterARestart();
    void aBrokenFileIsReplacedByTheNextChange();
    void aLinkIsNotWrittenThrough();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_path;
};

static QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestUserSettings::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("UserSettings.xml"));
}

void TestUserSettings::aChangeIsThereAfterARestart()
{
    {
        UserSettings settings(m_path);
        QCOMPARE(settings.value(QStringLiteral("ExportFolder")), QString());
        QVERIFY(settings.setValue(QStringLiteral("ExportFolder"), QStringLiteral("/home/x/<sites> & \"exports\"")));
        QVERIFY(settings.setValue(QStringLiteral("Other"), QStringLiteral("1")));
        QVERIFY(settings.setValue(QStringLiteral("Other"), QStringLiteral("2")));
    }
    UserSettings restarted(m_path);
    QCOMPARE(restarted.value(QStringLiteral("ExportFolder")), QStringLiteral("/home/x/<sites> & \"exports\""));
    QCOMPARE(restarted.value(QStringLiteral("Other")), QStringLiteral("2"));
    // Nothing is left beside it from the writing.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("UserSettings.xml")});
}

void TestUserSettings::aBrokenFileIsReplacedByTheNextChange()
{
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<UserSettings><ExportFolder><Value>/old");
    file.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("UserSettings.xml are not read")));
    UserSettings settings(m_path);
    QCOMPARE(settings.value(QStringLiteral("ExportFolder")), QString());
    QVERIFY(settings.setValue(QStringLiteral("ExportFolder"), QStringLiteral("/new")));
    QCOMPARE(UserSettings(m_path).value(QStringLiteral("ExportFolder")), QStringLiteral("/new"));
}

void TestUserSettings::aLinkIsNotWrittenThrough()
{
    const QString target = m_dir->filePath(QStringLiteral("elsewhere.txt"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not settings\n");
    file.close();
    QVERIFY(QFile::link(target, m_path));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not read")));
    UserSettings settings(m_path);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not saved")));
    QVERIFY(!settings.setValue(QStringLiteral("ExportFolder"), QStringLiteral("/new")));
    QCOMPARE(readAll(target), QByteArray("not settings\n"));
    // Kept for the rest of the run all the same.
    QCOMPARE(settings.value(QStringLiteral("ExportFolder")), QStringLiteral("/new"));
}

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_usersettings.moc"
