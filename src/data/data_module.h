#pragma once

#include "data/dataset.h"
#include "data/dialect.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// A login on the database server. The server name may carry a port: "host" or "host:port".
struct ServerLogin
{
    QString server;
    QString user;
    QString password;

    QString host() const;
    int port() const; // 5432 when not given
    bool isEmpty() const { return user.isEmpty(); }
};

// Tries the login on a connection of its own (closed again); false with the reason on failure.
bool TestServerLogin(const ServerLogin& login, QString* error = nullptr);

// Where a connection goes: the embedded file, or a database on the server (an empty database
// name means the server's maintenance database).
struct ConnectionSpec
{
    Dialect::Kind kind = Dialect::Kind::SQLite;
    QString file;
    ServerLogin login;
    QString database;
};

// One lookup layout: the rows of a shared dataset shown in a drop-down, returning a key field.
struct LookupLayout
{
    struct Column
    {
        const char* field;
        const char* caption; // UTF-8
    };
    const char* name;
    const char* dataset;
    const char* keyField;
    std::vector<Column> visible;
    std::vector<const char*> hidden;
};
const std::vector<LookupLayout>& lookupLayouts();
const LookupLayout* findLookupLayout(QStringView name);

// The outcome of one schema statement, for tests and the administrator's tool.
struct SchemaStep
{
    enum class Outcome { Created, Existed, Failed };
    QString name;
    Outcome outcome;
    QString error;
};

// The data module: the one connection, the shared datasets and scratch queries.
class TFDM : public QObject
{
    Q_OBJECT

public:
    explicit TFDM(QObject* parent = nullptr);
    ~TFDM() override;

    // The one data module of the run, or nullptr.
    static TFDM* instance();

    QSqlDatabase DBConn() const { return m_db; }
    const Dialect& dialect() const { return m_dialect; }
    void setDialect(Dialect::Kind kind) { m_dialect = Dialect(kind); }

    // Closes the connection, then opens it where the ConnectionSpec points; false on any error.
    bool OpenConnection(const ConnectionSpec& spec);
    QString lastConnectionError() const { return m_connectionError; }
    bool OpenSharedDatasets();
    // 1 when every table exists afterwards, 0 on failure (after its message).
    int CreateTablesAndKeys();
    const std::vector<SchemaStep>& schemaSteps() const { return m_schemaSteps; }

    // The data-module creation of the start-up: configuration, connection (creating a
    // missing database after the question), tables, shared datasets, folders. False when the
    // program must end (the operator has seen why, or declined).
    // With askFirst off (the administrator's tool), a missing database is created unasked.
    bool create(bool askFirst = true);

    // The first-run dialog: asks for a server login and tests it; nullopt when cancelled.
    using FirstRunDialog = std::function<std::optional<ServerLogin>()>;
    static void setFirstRunDialog(FirstRunDialog dialog);
    ServerLogin serverLogin() const { return m_serverLogin; }
    // Step 13's statement for the dialect.
    QString gradeCategorySql() const;
    // The embedded database file of the configuration.
    static QString embeddedDatabaseFile();

    // A shared dataset by its name ("QGL", "NJB", ...); nullptr when there is none.
    Dataset* dataset(QStringView name) const;

    // The shared datasets.
    Dataset* BZB;
    Dataset* CJB;
    Dataset* JSB;
    Dataset* KCB;
    Dataset* SGTZB;
    Dataset* TZJKB;
    Dataset* XSB;
    Dataset* XYZYB;
    Dataset* XZBB;
    Dataset* FLWJB;
    Dataset* CPGZB;
    Dataset* HMCB;
    Dataset* CZYB;
    Dataset* NJB;
    Dataset* QGL;
    Dataset* QLB;
    Dataset* QC;
    // Scratch queries any window fills with SQL text; they mean nothing between calls.
    Dataset* QADO;
    Dataset* QADOT;
    Dataset* QADOQ;

    // Field-name lists of the Excel import.
    QStringList targetFields;
    QStringList sourceFields;

private:
    Dataset* makeDataset(const char* name, const QString& sql);
    bool connectServer(bool askFirst);
    bool connectEmbedded(bool askFirst);

    QSqlDatabase m_db;
    Dialect m_dialect;
    QString m_connectionError;
    ServerLogin m_serverLogin;
    std::vector<SchemaStep> m_schemaSteps;
    std::vector<Dataset*> m_datasets;
};
