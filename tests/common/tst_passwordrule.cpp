#include <QtTest>

#include "common/passwordrule.h"

class TestPasswordRule : public QObject
{
    Q_OBJECT

private slots:
    void level_data();
    void level();
};

void TestPasswordRule::level_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("expected");

    const QByteArray admin("admin");
    QTest::newRow("seven of four kinds") << admin << QStringLiteral("aB3$xY9") << 0;
    QTest::newRow("eight digits") << admin << QStringLiteral("12345678") << 0;
    QTest::newRow("eight blanks") << admin << QStringLiteral("        ") << 0;
    QTest::newRow("digits, lower") << admin << QStringLiteral("abcd1234") << 1;
    QTest::newRow("digits, upper") << admin << QStringLiteral("ABCD1234") << 1;
    QTest::newRow("digits, other") << admin << QStringLiteral("1234#$%^") << 2;
    QTest::newRow("lower, upper") << admin << QStringLiteral("abcdEFGH") << 2;
    QTest::newRow("lower and a blank") << admin << QStringLiteral("abcdefgh ") << 2;
    QTest::newRow("lower, accented") << admin << QStringLiteral("abcdefg\u00e9") << 2;
    QTest::newRow("lower, outside Latin-1") << admin << QStringLiteral("abcdefg\u4e2d") << 2;
    QTest::newRow("three kinds") << admin << QStringLiteral("abcD1234") << 3;
    QTest::newRow("four kinds, sixteen") << admin << QStringLiteral("aB3$aB3$aB3$aB3$") << 3;
    QTest::newRow("contains the user") << admin << QStringLiteral("admin123") << 1;
    QTest::newRow("equals a long user") << QByteArray("Operator12") << QStringLiteral("Operator12") << 0;
    QTest::newRow("long user reversed") << QByteArray("Operator12") << QStringLiteral("21rotarepO") << 0;
    QTest::newRow("user in other case") << QByteArray("Operator12") << QStringLiteral("operator12") << 1;
}

void TestPasswordRule::level()
{
    QFETCH(QByteArray, user);
    QFETCH(QString, password);
    QFETCH(int, expected);
    QCOMPARE(getPasswordLevel(user, password.toLatin1()), expected);
    if (user == "admin")
        QCOMPARE(passwordLevelOfText(password), expected);
}

QTEST_GUILESS_MAIN(TestPasswordRule)
#include "tst_passwordrule.moc"
