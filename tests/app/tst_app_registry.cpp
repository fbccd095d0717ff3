#include "app/app_registry.h"
#include "app/config.h"
#include "platform/settings_store.h"
#include "support/test_environment.h"

#include <QRandomGenerator>
#include <QtTest>

class TestAppRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scrambleEdges()
    {
        QCOMPARE(ScrambleText(QByteArray(), 1, RegKeyByte), QByteArray(1, char(RegKeyByte)));
        QCOMPARE(ScrambleText(QByteArray(1, 'q'), 0, RegKeyByte), QByteArray());
        QCOMPARE(ScrambleText(QByteArray(), 0, RegKeyByte), QByteArray());
        QCOMPARE(ScrambleText("abc", 2, RegKeyByte), QByteArray());
        QCOMPARE(ScrambleText("abc", -1, RegKeyByte), QByteArray());
        // (position XOR byte XOR key), then the key byte.
        QCOMPARE(ScrambleText("AB", 1, 0x10), QByteArray("\x50\x50\x10", 3));
    }

    void scrambleRoundTrips_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("key");
        for (int length : {0, 1, 255, 256, 257, 1000})
            for (int key : {0, 0x5A, int(RegKeyByte), 0xFF})
                QTest::addRow("len %d key %d", length, key) << length << key;
    }
    void scrambleRoundTrips()
    {
        QFETCH(int, length);
        QFETCH(int, key);
        QRandomGenerator rng(quint32(length * 131 + key));
        QByteArray text(length, Qt::Uninitialized);
        for (char& c : text)
            c = char(rng.bounded(256));
        const QByteArray scrambled = ScrambleText(text, 1, quint8(key));
        QCOMPARE(scrambled.size(), length + 1);
        QCOMPARE(ScrambleText(scrambled, 0, quint8(key)), text);
    }

    void positionWrapsAt256()
    {
        const QByteArray text(258, 'A');
        const QByteArray s = ScrambleText(text, 1, 0x33);
        QCOMPARE(quint8(s[254]), quint8('A' ^ 255 ^ 0x33)); // position 255
        QCOMPARE(quint8(s[255]), quint8('A' ^ 0 ^ 0x33));   // position 256 counts as 0
        QCOMPARE(quint8(s[256]), quint8('A' ^ 1 ^ 0x33));   // position 257 counts as 1
    }

    void storedValuesSurviveWhole()
    {
        TestEnvironment env;
        mutableAppSettings().DatabaseName = QStringLiteral("Orvane");
        // 'a' at position 198 scrambles to a zero byte with the key 0xA7.
        QString login(200, u'x');
        login[197] = u'a';
        QVERIFY(ScrambleText(login.toLatin1(), 1, RegKeyByte).contains('\0'));

        const QList<std::pair<QString, QString>> values = {
            {QStringLiteral("Login"), login},
            {QStringLiteral("User ID"), QStringLiteral("sa")},
            {QStringLiteral("Password"), QStringLiteral("密码 with ' and \"")},
            {QStringLiteral("Data Source"), QString()},
        };
        for (const auto& [name, value] : values)
            WriteAppRegString(name, value);
        for (const auto& [name, value] : values)
            QCOMPARE(ReadAppRegString(name), value);
        QCOMPARE(ReadAppRegString(QStringLiteral("Absent")), QString());

        // Stored scrambled, never in clear.
        QFile store(SettingsStore::folder(SettingsStore::Root::LocalMachine) + "/registry.ini");
        QVERIFY(store.open(QIODevice::ReadOnly));
        const QByteArray raw = store.readAll();
        QVERIFY(!raw.contains("sa\n") && !raw.contains(login.toLatin1()));
        QVERIFY(raw.contains("Halvek"));

        // Another database name is another key.
        mutableAppSettings().DatabaseName = QStringLiteral("Other");
        QCOMPARE(ReadAppRegString(QStringLiteral("User ID")), QString());
    }

    void unopenableStoreReadsEmptyAndSkipsWrites()
    {
        TestEnvironment env;
        QFile blocker(env.path("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SettingsStore::configure(env.path("blocker/local"), env.path("blocker/user"));
        QVERIFY(!OpenAppRegKey(QString()));
        WriteAppRegString(QStringLiteral("User ID"), QStringLiteral("sa"));
        QCOMPARE(ReadAppRegString(QStringLiteral("User ID")), QString());
    }

    void bothRootsAreSeparate()
    {
        TestEnvironment env;
        using Root = SettingsStore::Root;
        QVERIFY(SettingsStore::writeValue(Root::CurrentUser, "Sabrel", "管理员", QByteArray()));
        const auto marker = SettingsStore::readValue(Root::CurrentUser, "Sabrel", "管理员");
        QVERIFY(marker && marker->isEmpty());
        QVERIFY(!SettingsStore::readValue(Root::LocalMachine, "Sabrel", "管理员"));
        const QByteArray zeros("\0a\0", 3);
        QVERIFY(SettingsStore::writeValue(Root::LocalMachine, "Software\\X\\", "v", zeros));
        QCOMPARE(SettingsStore::readValue(Root::LocalMachine, "Software\\X\\", "v").value_or("?"),
                 zeros);
    }
};

QTEST_GUILESS_MAIN(TestAppRegistry)
#include "tst_app_registry.moc"
