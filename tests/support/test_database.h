#pragma once

#include "data/data_module.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

// A fresh database on one engine for one test: an SQLite file in a temp folder, or a new
// database on the throwaway PostgreSQL server named by ORVANE_TEST_PG_* (dropped afterwards).
class TestDatabase
{
public:
    // Adds the "engine" column with a row per available engine.
    static void addEngineRows();
    static bool postgresAvailable();
    static ServerLogin postgresLogin();

    explicit TestDatabase(Dialect::Kind kind);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool isOpen() const { return m_open; }
    TFDM& dm() { return *m_dm; }
    Dialect::Kind kind() const { return m_spec.kind; }
    const ConnectionSpec& spec() const { return m_spec; }
    // Creates every table; false when anything failed.
    bool createSchema();
    // Another connection to the same database, as a second user's would be.
    QSqlDatabase secondConnection();
    QString databaseName() const { return m_spec.database; }

private:
    std::unique_ptr<TFDM> m_dm;
    ConnectionSpec m_spec;
    QString m_dir;
    QString m_secondName;
    bool m_open = false;
};
