#include "test_database.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

void TestDatabase::addEngineRows()
{
    QTest::addColumn<Dialect::Kind>("engine");
    QTest::newRow("sqlite") << Dialect::Kind::SQLite;
    if (postgresAvailable())
        QTest::newRow("postgresql") << Dialect::Kind::PostgreSQL;
}

bool TestDatabase::postgresAvailable()
{
    return !qEnvironmentVariable("ORVANE_TEST_PG_SERVER").isEmpty();
}

ServerLogin TestDatabase::postgresLogin()
{
    return {qEnvironmentVariable("ORVANE_TEST_PG_SERVER"),
            qEnvironmentVariable("ORVANE_TEST_PG_USER", QStringLiteral("postgres")),
            qEnvironmentVariable("ORVANE_TEST_PG_PASSWORD")};
}

TestDatabase::TestDatabase(Dialect::Kind kind) : m_dm(std::make_unique<TFDM>())
{
    m_spec.kind = kind;
    if (kind == Dialect::Kind::SQLite) {
        m_dir = QDir::temp().filePath(QStringLiteral("orvane-test-") +
                                      QUuid::createUuid().toString(QUuid::Id128));
        QDir().mkpath(m_dir);
        m_spec.file = QDir(m_dir).filePath(QStringLiteral("test.db"));
    } else {
        m_spec.login = postgresLogin();
        m_spec.database =
            QStringLiteral("orvane_test_") + QUuid::createUuid().toString(QUuid::Id128);
        if (!m_dm->OpenConnection({kind, {}, m_spec.login, {}}))
            return;
        QSqlQuery q(m_dm->DBConn());
        if (!q.exec(QStringLiteral("CREATE DATABASE ") + Dialect::quoteIdentifier(m_spec.database)))
            return;
    }
    m_open = m_dm->OpenConnection(m_spec);
}

TestDatabase::~TestDatabase()
{
    m_dm.reset();
    if (!m_secondName.isEmpty())
        QSqlDatabase::removeDatabase(m_secondName);
    if (m_spec.kind == Dialect::Kind::SQLite) {
        QDir(m_dir).removeRecursively();
        return;
    }
    TFDM admin;
    if (admin.OpenConnection({m_spec.kind, {}, m_spec.login, {}})) {
        QSqlQuery q(admin.DBConn());
        q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") +
               Dialect::quoteIdentifier(m_spec.database) + QStringLiteral(" WITH (FORCE)"));
    }
}

bool TestDatabase::createSchema()
{
    if (m_dm->CreateTablesAndKeys() != 1)
        return false;
    for (const SchemaStep& step : m_dm->schemaSteps()) {
        if (step.outcome == SchemaStep::Outcome::Failed) {
            qWarning("schema step %s failed: %s", qPrintable(step.name), qPrintable(step.error));
            return false;
        }
    }
    return true;
}

QSqlDatabase TestDatabase::secondConnection()
{
    m_secondName = QStringLiteral("second-") + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase db = QSqlDatabase::addDatabase(Dialect(m_spec.kind).driverName(), m_secondName);
    if (m_spec.kind == Dialect::Kind::SQLite) {
        db.setDatabaseName(m_spec.file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        db.setHostName(m_spec.login.host());
        db.setPort(m_spec.login.port());
        db.setUserName(m_spec.login.user);
        db.setPassword(m_spec.login.password);
        db.setDatabaseName(m_spec.database);
    }
    db.open();
    return db;
}
