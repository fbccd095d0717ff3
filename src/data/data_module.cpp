#include "data_module.h"

#include "app/app_registry.h"
#include "app/config.h"
#include "data/schema.h"
#include "data/services.h"
#include "platform/settings_store.h"
#include "platform/xerrors.h"
#include "shell/error_display.h"
#include "shell/messages.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
TFDM* g_instance = nullptr;
TFDM::FirstRunDialog g_firstRunDialog;

QString errorText(const QSqlError& e)
{
    QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text().trimmed() : text;
}
} // namespace

QString ServerLogin::host() const
{
    const qsizetype colon = server.lastIndexOf(u':');
    return colon < 0 ? server.trimmed() : server.left(colon).trimmed();
}

int ServerLogin::port() const
{
    const qsizetype colon = server.lastIndexOf(u':');
    bool ok = false;
    const int p = colon < 0 ? 0 : server.mid(colon + 1).trimmed().toInt(&ok);
    return ok && p > 0 && p < 65536 ? p : 5432;
}

bool TestServerLogin(const ServerLogin& login, QString* error)
{
    const QString name =
        QStringLiteral("orvane-test-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(login.host());
        db.setPort(login.port());
        db.setUserName(login.user);
        db.setPassword(login.password);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setConnectOptions(QStringLiteral("connect_timeout=15"));
        ok = db.open();
        if (!ok && error)
            *error = errorText(db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

const std::vector<LookupLayout>& lookupLayouts()
{
    static const std::vector<LookupLayout> layouts = {
        {"DBGJS",
         "JSB",
         "ID",
         {{"ID", "索引号"}, {"XM", "姓名"}},
         {"XB", "BYYX", "ZY", "XL", "XW", "ZC", "GRJS"}},
        {"DBGXY",
         "XYZYB",
         "XY",
         {{"ID", "索引号"}, {"X", "系"}, {"ZY", "专业"}, {"KN", "科类"}, {"CC", "层次"}},
         {"PID", "XY"}},
        {"DBGZY",
         "XYZYB",
         "ZY",
         {{"ID", "索引号"}, {"X", "系"}, {"ZY", "专业"}, {"KN", "科类"}, {"CC", "层次"}},
         {"PID", "XY"}},
        {"DBGX",
         "XYZYB",
         "X",
         {{"ID", "索引号"}, {"ZY", "专业"}, {"X", "系"}},
         {"PID", "XY", "KN", "CC"}},
        {"DBGXS",
         "XSB",
         "ID",
         {{"ID", "学号"}, {"XM", "姓名"}},
         {"XB", "MZ", "CSNR", "XY", "ZY", "NJ", "BJ", "SF", "DQ", "XF"}},
        {"DBGXZB",
         "XZBB",
         "ID",
         {{"ID", "索引号"}, {"MC", "名称"}, {"JSXM", "教师姓名"}, {"KC", "课程"}, {"XN", "学年"}},
         {"XQ"}},
        {"DBGKC",
         "KCB",
         "ID",
         {{"ID", "索引号"},
          {"KCBM", "课程代码"},
          {"LBID", "课程类别索引"},
          {"KCLB", "课程类别"},
          {"KCMC", "课程名称"}},
         {"KCEMC", "JS", "KCNR", "XXDX", "XXKC", "CKCL", "XN", "XQ"}},
        {"DBGCJLB",
         "BZB",
         "ID",
         {{"ID", "课程类别索引号"},
          {"KB", "课别"},
          {"NR", "课程内容"},
          {"NJBZ", "年级标志"},
          {"Mark", "标志"}},
         {"BZ", "SSNJ"}},
        {"DBGNJ", "NJB", "ID", {{"BM", "编码"}, {"DYNJ", "对应年级"}}, {}},
        {"DBGZB",
         "QGL",
         "ZBBM",
         {{"ZBBM", "指标编码"},
          {"ZBMC", "指标名称"},
          {"ZBLBBM", "指标类别编码"},
          {"ZBLBMC", "指标类别名称"}},
         {}},
        {"DBGLB", "QLB", "BM", {{"DYNJ", "年级类别"}}, {"BM"}},
    };
    return layouts;
}

const LookupLayout* findLookupLayout(QStringView name)
{
    for (const LookupLayout& l : lookupLayouts()) {
        if (name.compare(QLatin1String(l.name), Qt::CaseInsensitive) == 0)
            return &l;
    }
    return nullptr;
}

TFDM::TFDM(QObject* parent) : QObject(parent)
{
    // One named connection per data module; datasets share it.
    m_db = QSqlDatabase();
    const auto table = [this](const char* name) {
        return makeDataset(name,
                           QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(QLatin1String(name)));
    };
    BZB = table("BZB");
    CJB = table("CJB");
    JSB = table("JSB");
    KCB = table("KCB");
    SGTZB = table("SGTZB");
    TZJKB = table("TZJKB");
    XSB = table("XSB");
    XYZYB = table("XYZYB");
    XZBB = table("XZBB");
    FLWJB = table("FLWJB");
    CPGZB = makeDataset("CPGZB", QStringLiteral("SELECT * FROM CPGZ ORDER BY ID"));
    HMCB = table("HMCB");
    CZYB = table("CZYB");
    NJB = makeDataset("NJB", QStringLiteral("select * from NJB"));
    QGL = makeDataset("QGL", QStringLiteral("Select ZBBM,ZBMC,ZBLBBM,ZBLBMC from ZBLBB "));
    QLB = makeDataset("QLB", QString());
    QC = makeDataset("QC", QString());
    QADO = makeDataset("QADO", QString());
    QADOT = makeDataset("QADOT", QString());
    QADOQ = makeDataset("QADOQ", QString());
    if (!g_instance)
        g_instance = this;
}

TFDM::~TFDM()
{
    // The datasets hold the connection (also those windows made on it); they go before it is
    // removed.
    qDeleteAll(findChildren<Dataset*>(Qt::FindDirectChildrenOnly));
    m_datasets.clear();
    const QString name = m_db.connectionName();
    m_db.close();
    m_db = QSqlDatabase();
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
    if (g_instance == this)
        g_instance = nullptr;
}

TFDM* TFDM::instance()
{
    return g_instance;
}

Dataset* TFDM::dataset(QStringView name) const
{
    for (Dataset* d : m_datasets) {
        if (name.compare(d->objectName(), Qt::CaseInsensitive) == 0)
            return d;
    }
    return nullptr;
}

Dataset* TFDM::makeDataset(const char* name, const QString& sql)
{
    auto* d = new Dataset(this);
    d->setObjectName(QLatin1String(name));
    d->setSql(sql);
    m_datasets.push_back(d);
    return d;
}

void TFDM::setFirstRunDialog(FirstRunDialog dialog)
{
    g_firstRunDialog = std::move(dialog);
}

QString TFDM::embeddedDatabaseFile()
{
    return ProgramFolder() + appSettings().DatabaseName + QStringLiteral(".db");
}

bool TFDM::OpenConnection(const ConnectionSpec& spec)
{
    for (Dataset* d : m_datasets)
        d->close();
    m_connectionError.clear();
    const Dialect dialect(spec.kind);
    if (m_db.isValid())
        m_db.close();
    if (!m_db.isValid() || m_db.driverName() != dialect.driverName()) {
        for (Dataset* d : m_datasets)
            d->setConnection(QSqlDatabase(), nullptr);
        const QString old = m_db.connectionName();
        m_db = QSqlDatabase();
        if (!old.isEmpty())
            QSqlDatabase::removeDatabase(old);
        m_db = QSqlDatabase::addDatabase(dialect.driverName(),
                                         QStringLiteral("orvane-") +
                                             QUuid::createUuid().toString(QUuid::Id128));
    }
    m_dialect = dialect;
    if (spec.kind == Dialect::Kind::PostgreSQL) {
        m_serverLogin = spec.login;
        m_db.setHostName(spec.login.host());
        m_db.setPort(spec.login.port());
        m_db.setUserName(spec.login.user);
        m_db.setPassword(spec.login.password);
        m_db.setDatabaseName(spec.database.isEmpty() ? QStringLiteral("postgres") : spec.database);
        m_db.setConnectOptions(QStringLiteral("connect_timeout=15"));
    } else {
        m_db.setDatabaseName(spec.file);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    }
    if (!m_db.open()) {
        m_connectionError = errorText(m_db.lastError());
        return false;
    }
    if (spec.kind == Dialect::Kind::SQLite) {
        // A file that is not a database opens lazily; make it show now.
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("PRAGMA schema_version"))) {
            m_connectionError = errorText(probe.lastError());
            m_db.close();
            return false;
        }
    }
    for (Dataset* d : m_datasets)
        d->setConnection(m_db, &m_dialect);
    return true;
}

bool TFDM::OpenSharedDatasets()
{
    for (Dataset* d : {BZB, JSB, KCB, SGTZB, TZJKB, XYZYB, XZBB, CZYB, NJB, QGL}) {
        if (!d->open())
            return false;
    }
    return true;
}

int TFDM::CreateTablesAndKeys()
{
    m_schemaSteps.clear();
    QStringList existing;
    {
        QSqlQuery q(m_db);
        const bool ok = m_db.isOpen() &&
                        (m_dialect.kind() == Dialect::Kind::PostgreSQL
                             ? q.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE "
                                                     "schemaname = current_schema()"))
                             : q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                     "'table' AND name NOT LIKE 'sqlite_%'")));
        if (!ok) {
            ShowErrorMessage(QStringLiteral("创建数据表失败!\r\n请与管理员联系..."));
            return 0;
        }
        while (q.next())
            existing.append(q.value(0).toString());
    }

    for (const TableDef& table : schemaTables()) {
        const QString name = QLatin1String(table.name);
        if (existing.contains(name, Qt::CaseInsensitive)) {
            m_schemaSteps.push_back({name, SchemaStep::Outcome::Existed, QString()});
            continue;
        }
        QSqlQuery q(m_db);
        if (!q.exec(m_dialect.createTableSql(table))) {
            m_schemaSteps.push_back({name, SchemaStep::Outcome::Failed, errorText(q.lastError())});
            ShowErrorMessage(QStringLiteral("创建") + QString::fromUtf8(table.description) +
                             QStringLiteral("失败!\r\n请检查数据库..."));
            return 0;
        }
        m_schemaSteps.push_back({name, SchemaStep::Outcome::Created, QString()});
    }

    for (const KeyDef& key : schemaKeys()) {
        const QString name = QLatin1String(key.name);
        if (m_dialect.keyExists(m_db, key)) {
            m_schemaSteps.push_back({name, SchemaStep::Outcome::Existed, QString()});
            continue;
        }
        QSqlQuery q(m_db);
        if (q.exec(m_dialect.createKeySql(key)))
            m_schemaSteps.push_back({name, SchemaStep::Outcome::Created, QString()});
        else
            m_schemaSteps.push_back({name, SchemaStep::Outcome::Failed, errorText(q.lastError())});
    }
    return 1;
}

QString TFDM::gradeCategorySql() const
{
    return QStringLiteral("Select * from NJB where (%1=1) or (%2>'9')")
        .arg(m_dialect.length(QStringLiteral("BM")),
             m_dialect.substring(QStringLiteral("BM"), 2, 1));
}

bool TFDM::connectEmbedded(bool askFirst)
{
    const QString file = embeddedDatabaseFile();
    if (!QFileInfo::exists(file)) {
        if (askFirst && !AskYesNo(QStringLiteral("主数据库不存在,是否创建?"), true))
            return false;
        int r = 0;
        if (OpenConnection({Dialect::Kind::SQLite, file, {}, {}}))
            r = CreateTablesAndKeys();
        if (r < 1) {
            ShowErrorMessage(QStringLiteral("创建数据不成功,退出系统!"));
            return false;
        }
        return true;
    }
    if (!OpenConnection({Dialect::Kind::SQLite, file, {}, {}})) {
        ShowErrorMessage(QStringLiteral("Access数据库不存在!"));
        return false;
    }
    return true;
}

bool TFDM::connectServer(bool askFirst)
{
    const QString name = appSettings().DatabaseName;
    m_serverLogin = {ReadAppRegString(QStringLiteral("Data Source")),
                     ReadAppRegString(QStringLiteral("User ID")),
                     ReadAppRegString(QStringLiteral("Password"))};
    const auto askLogin = [this]() {
        std::optional<ServerLogin> login = g_firstRunDialog ? g_firstRunDialog() : std::nullopt;
        if (login)
            m_serverLogin = *login;
        return login.has_value();
    };
    if (m_serverLogin.user.isEmpty() && !askLogin())
        return false;
    // The dialog accepts only a login it has tested, so a failure here means the stored one.
    if (!OpenConnection({Dialect::Kind::PostgreSQL, {}, m_serverLogin, {}}) && !askLogin())
        return false;
    const ConnectionSpec database{Dialect::Kind::PostgreSQL, {}, m_serverLogin, name};
    if (OpenConnection(database))
        return true;

    if (askFirst && !AskYesNo(QStringLiteral("主数据库不存在,是否创建?"), true))
        return false;
    if (OpenConnection({Dialect::Kind::PostgreSQL, {}, m_serverLogin, {}})) {
        QSqlQuery create(m_db);
        // A statement that cannot bind its name: the name is quoted, and the connection uses
        // the same spelling.
        if (!create.exec(QStringLiteral("CREATE DATABASE ") + Dialect::quoteIdentifier(name))) {
            ErrorDisplay::showStandard(XDatabaseError(errorText(create.lastError())));
            return false;
        }
    }
    int r = 0;
    if (OpenConnection(database))
        r = CreateTablesAndKeys();
    if (r < 1) {
        ShowErrorMessage(QStringLiteral("创建数据不成功,退出系统!"));
        return false;
    }
    return true;
}

bool TFDM::create(bool askFirst)
{
    if (!ReadConfig())
        return false;
    const Dialect::Kind kind = Dialect::kindForDatabaseType(appSettings().DatabaseType);
    m_dialect = Dialect(kind);
    if (kind == Dialect::Kind::PostgreSQL) {
        if (!connectServer(askFirst))
            return false;
    } else if (kind == Dialect::Kind::SQLite) {
        if (!connectEmbedded(askFirst))
            return false;
    }

    if (!OpenSharedDatasets()) {
        if (CreateTablesAndKeys() < 1) {
            ShowErrorMessage(QStringLiteral("数据表打开有误,退出程序!"));
            return false;
        }
        OpenSharedDatasets();
    }
    prepareWorkingFolders();
    targetFields.clear();
    sourceFields.clear();
    if (!SettingsStore::readValue(SettingsStore::Root::CurrentUser, QStringLiteral("Sabrel"),
                                  QStringLiteral("管理员")))
        SettingsStore::writeValue(SettingsStore::Root::CurrentUser, QStringLiteral("Sabrel"),
                                  QStringLiteral("管理员"), QByteArray());
    OpenQuery(*QLB, gradeCategorySql());
    return true;
}
