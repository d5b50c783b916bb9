#include <QtTest>

#include "config/configure.h"
#include "config/configuremanager.h"

using apt::ConfigureManager;

class TestConfigureManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void getters_data();
    void getters();
    void missingOrBrokenFileGivesDefaults_data();
    void missingOrBrokenFileGivesDefaults();
    void rootWithoutChildrenLoadsEmpty();
    void duplicatesKeepFileOrderAndFindTheFirst();
    void reloadReplacesEntries();
    void usersEntriesGoOverTheDefaults();
    void shippedDefaultSetupIsEnglishFilterOffCommonSkin();

private:
    QString write(const QString &name, const QByteArray &content);
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestConfigureManager::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString TestConfigureManager::write(const QString &name, const QByteArray &content)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

static QByteArray entry(const char *key, const char *value)
{
    return QByteArray("<") + key + "><Value>" + value + "</Value></" + key + ">";
}

// One entry in the file, and what every getter then answers.
void TestConfigureManager::getters_data()
{
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<uint>("translator");
    QTest::addColumn<QList<uint>>("languages");
    QTest::addColumn<int>("versionType");
    QTest::addColumn<int>("pingThread");
    QTest::addColumn<bool>("filter");

    const QList<uint> none;
    QTest::newRow("nothing set") << QByteArray() << 0u << none << 1 << -1 << false;
    QTest::newRow("Chinese") << entry("Translator", "1") << 1u << none << 1 << -1 << false;
    QTest::newRow("unknown language id kept") << entry("Translator", "9") << 9u << none << 1 << -1 << false;
    QTest::newRow("Translator not a number is English") << entry("Translator", "zh") << 0u << none << 1 << -1 << false;
    QTest::newRow("Translator negative is English") << entry("Translator", "-1") << 0u << none << 1 << -1 << false;
    QTest::newRow("Filter 1 is on") << entry("Filter", "1") << 0u << none << 1 << -1 << true;
    QTest::newRow("Filter 2 is off") << entry("Filter", "2") << 0u << none << 1 << -1 << false;
    QTest::newRow("Filter empty is off") << entry("Filter", "") << 0u << none << 1 << -1 << false;
    QTest::newRow("Filter text is off") << entry("Filter", "true") << 0u << none << 1 << -1 << false;
    QTest::newRow("VersionType empty is 0") << entry("VersionType", "") << 0u << none << 0 << -1 << false;
    QTest::newRow("VersionType -1 is 1") << entry("VersionType", "-1") << 0u << none << 1 << -1 << false;
    QTest::newRow("VersionType 2") << entry("VersionType", "2") << 0u << none << 2 << -1 << false;
    QTest::newRow("VersionType text is 0") << entry("VersionType", "pro") << 0u << none << 0 << -1 << false;
    QTest::newRow("PingThread") << entry("PingThread", "4") << 0u << none << 1 << 4 << false;
    QTest::newRow("PingThread text is 0") << entry("PingThread", "x") << 0u << none << 1 << 0 << false;
    QTest::newRow("languages") << entry("Languages", "0,1") << 0u << QList<uint>{0, 1} << 1 << -1 << false;
    QTest::newRow("languages keep empty parts as 0")
        << entry("Languages", "1,,2,") << 0u << QList<uint>{1, 0, 2, 0} << 1 << -1 << false;
    QTest::newRow("languages empty value is one 0") << entry("Languages", "") << 0u << QList<uint>{0} << 1 << -1 << false;
    QTest::newRow("key names are case-sensitive") << entry("filter", "1") << 0u << none << 1 << -1 << false;
    QTest::newRow("value text found below comments")
        << QByteArray("<Translator><!-- zh --><Value>1</Value></Translator>") << 1u << none << 1 << -1 << false;
}

void TestConfigureManager::getters()
{
    QFETCH(QByteArray, entries);
    QFETCH(uint, translator);
    QFETCH(QList<uint>, languages);
    QFETCH(int, versionType);
    QFETCH(int, pingThread);
    QFETCH(bool, filter);

    ConfigureManager config;
    const QString path = write(QStringLiteral("Setup.xml"), "<?xml version=\"1.0\"?><Setup>" + entries + "</Setup>");
    QVERIFY(config.load(path));
    QCOMPARE(config.path(), path);
    QCOMPARE(config.translator(), translator);
    QCOMPARE(config.languages(), languages);
    QCOMPARE(config.versionType(), versionType);
    QCOMPARE(config.pingThread(), pingThread);
    QCOMPARE(config.taskThread(), -1);
    QCOMPARE(config.logSaveDay(), -1);
    QCOMPARE(config.filter(), filter);
}

void TestConfigureManager::missingOrBrokenFileGivesDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");

    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("not XML") << QByteArray("Translator=1\n") << true;
    QTest::newRow("unclosed root") << QByteArray("<Setup>") + entry("Translator", "1") << true;
    QTest::newRow("empty file") << QByteArray() << true;
}

void TestConfigureManager::missingOrBrokenFileGivesDefaults()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);

    ConfigureManager config;
    const QString good = write(QStringLiteral("good.xml"),
        "<Setup>" + entry("Translator", "1") + entry("Filter", "1") + entry("VersionType", "3")
            + entry("Skin", "Dark") + "</Setup>");
    QVERIFY(config.load(good));
    QCOMPARE(config.translator(), 1u);

    const QString bad = exists ? write(QStringLiteral("bad.xml"), content) : m_dir->filePath(QStringLiteral("none.xml"));
    QVERIFY(!config.load(bad));
    // The entries of the earlier file are gone; only the path of the last good load stays.
    QCOMPARE(config.count(), 0);
    QCOMPARE(config.path(), good);
    QCOMPARE(config.translator(), 0u);
    QCOMPARE(config.filter(), false);
    QCOMPARE(config.versionType(), 1);
    QVERIFY(config.find(ConfigureManager::Skin) == nullptr);
}

void TestConfigureManager::rootWithoutChildrenLoadsEmpty()
{
    ConfigureManager config;
    const QString path = write(QStringLiteral("empty.xml"), "<?xml version=\"1.0\"?>\n<Setup>text only</Setup>\n");
    QVERIFY(config.load(path));
    QCOMPARE(config.count(), 0);
    QCOMPARE(config.path(), path);
    QCOMPARE(config.versionType(), 1);
}

void TestConfigureManager::duplicatesKeepFileOrderAndFindTheFirst()
{
    ConfigureManager config;
    // The root's name does not matter, and an entry without "Value" holds an empty text.
    QVERIFY(config.load(write(QStringLiteral("dup.xml"),
        "<Anything>" + entry("Skin", "First") + "<Filter/>" + entry("Skin", "Second") + entry("Custom", "x")
            + "</Anything>")));
    QCOMPARE(config.count(), 4);
    QCOMPARE(config.find(ConfigureManager::Skin)->value, QStringLiteral("First"));
    QCOMPARE(config.find(ConfigureManager::Filter)->value, QString());
    QCOMPARE(config.find(ConfigureManager::Filter)->name, QStringLiteral("Filter"));
    QVERIFY(config.find(-1) == nullptr);
    QVERIFY(config.find(ConfigureManager::KeyCount) == nullptr);
}

void TestConfigureManager::reloadReplacesEntries()
{
    ConfigureManager config;
    QVERIFY(config.load(write(QStringLiteral("a.xml"), "<S>" + entry("Translator", "1") + "</S>")));
    QVERIFY(config.load(write(QStringLiteral("b.xml"), "<S>" + entry("Filter", "1") + "</S>")));
    QCOMPARE(config.count(), 1);
    QCOMPARE(config.translator(), 0u);
    QVERIFY(config.filter());
}

// The installed defaults, then the user's own Setup.xml: its entries win, the rest stay, and a
// file of the user's that cannot be read changes nothing.
void TestConfigureManager::usersEntriesGoOverTheDefaults()
{
    ConfigureManager config;
    QVERIFY(config.load(write(QStringLiteral("installed.xml"),
                              "<S>" + entry("Translator", "0") + entry("Skin", "CommonSkin") + entry("Translator", "9")
                                  + "</S>")));
    QVERIFY(config.merge(write(QStringLiteral("own.xml"), "<S>" + entry("Translator", "1") + entry("Filter", "1") + "</S>")));
    QCOMPARE(config.translator(), 1u);
    QVERIFY(config.filter());
    QCOMPARE(config.find(ConfigureManager::Skin)->value, QStringLiteral("CommonSkin"));
    QCOMPARE(config.count(), 4);

    QString why;
    QVERIFY(!config.merge(write(QStringLiteral("broken.xml"), "<S>" + entry("Translator", "0")), &why));
    QVERIFY(!why.isEmpty());
    QVERIFY(!config.merge(m_dir->filePath(QStringLiteral("missing.xml"))));
    QCOMPARE(config.translator(), 1u);
    QCOMPARE(config.count(), 4);
}

void TestConfigureManager::shippedDefaultSetupIsEnglishFilterOffCommonSkin()
{
    ConfigureManager config;
    QVERIFY(config.load(QStringLiteral(BIN_DIR "/Setup.xml")));
    QCOMPARE(config.translator(), 0u);
    QCOMPARE(config.filter(), false);
    QCOMPARE(config.versionType(), 1);
    QVERIFY(config.find(ConfigureManager::Skin));
    QCOMPARE(config.find(ConfigureManager::Skin)->value, QStringLiteral("CommonSkin"));
    // Every key is present, so the file documents each of them.
    for (int key = 0; key < ConfigureManager::KeyCount; ++key)
        QVERIFY2(config.find(key), qPrintable(ConfigureManager::keyName(key)));
}

QTEST_GUILESS_MAIN(TestConfigureManager)
#include "tst_configuremanager.moc"
