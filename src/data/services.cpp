#include "services.h"

#include "app/current_operator.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "shell/messages.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <limits>

namespace {
// Shows a wait notice for the lifetime of the guard when the text is not blank.
class WaitNotice
{
public:
    explicit WaitNotice(const QString& text) : m_shown(!text.trimmed().isEmpty())
    {
        if (m_shown)
            ShowInfoMessage(text, false);
    }
    ~WaitNotice()
    {
        if (m_shown)
            ShowInfoMessage(QString(), false);
    }
    WaitNotice(const WaitNotice&) = delete;
    WaitNotice& operator=(const WaitNotice&) = delete;

private:
    bool m_shown;
};

double limitOf(const char* column, const QString& code)
{
    TFDM* dm = TFDM::instance();
    if (!dm)
        return 0;
    if (!OpenBoundQuery(
            *dm->QADO,
            QStringLiteral("Select %1 from ZBLBB where ZBBM=?").arg(QLatin1String(column)),
            QVariantList{code}) ||
        dm->QADO->isEmpty())
        return 0;
    dm->QADO->first();
    return dm->QADO->fieldValue(0).toDouble();
}
} // namespace

bool OpenQuery(Dataset& query, const QString& sql, const QString& waitText)
{
    return OpenBoundQuery(query, sql, QVariantList(), waitText);
}

bool OpenBoundQuery(Dataset& query, const QString& sql, const QVariantList& binds,
                    const QString& waitText)
{
    const QString text = sql.trimmed();
    if (text.isEmpty())
        return false;
    WaitNotice notice(waitText);
    query.close();
    query.setUpdateTable(QString());
    query.setSql(text, binds);
    return query.open();
}

bool ExecQuery(Dataset& query, const QString& sql, const QString& waitText)
{
    const QString text = sql.trimmed();
    if (text.isEmpty())
        return false;
    query.close();
    query.setSql(text);
    TFDM* dm = TFDM::instance();
    return dm && ExecCommand(dm->DBConn(), text, waitText);
}

bool ExecCommand(QSqlDatabase db, const QString& sql, const QString& waitText,
                 const QVariantList& binds)
{
    const QString text = sql.trimmed();
    if (text.isEmpty())
        return false;
    WaitNotice notice(waitText);
    QSqlQuery q(db);
    if (!q.prepare(text))
        return false;
    for (const QVariant& v : binds)
        q.addBindValue(v);
    return q.exec();
}

bool ExecCommandList(QSqlDatabase db, const QStringList& statements, const QString& errorText)
{
    for (const QString& statement : statements) {
        if (!ExecCommand(db, statement)) {
            if (!errorText.isEmpty())
                ShowErrorMessage(errorText);
            return false;
        }
    }
    return true;
}

bool SetFieldValueByName(Dataset& query, const QString& field, const QVariant& value)
{
    const bool wasEditing =
        query.state() == Dataset::State::Edit || query.state() == Dataset::State::Insert;
    if (!wasEditing && !query.edit())
        return false;
    if (!query.setFieldValue(field, value))
        return false;
    return wasEditing || query.post();
}

int SetFieldValue(Dataset* dataset, const QString& field, const QVariant& value)
{
    if (!dataset)
        return -1;
    return SetFieldValueByName(*dataset, field, value) ? 1 : -1;
}

QString LookupFieldText(const QVariant& value, const Dataset& dataset, const QString& resultField,
                        const QString& keyField)
{
    const int key = dataset.fieldIndex(keyField);
    const int result = dataset.fieldIndex(resultField);
    if (key < 0 || result < 0)
        return QString();
    for (int r = 0; r < dataset.rowCount(); ++r) {
        if (Dataset::sameValue(dataset.value(r, key), value))
            return dataset.value(r, result).toString();
    }
    return QString();
}

int NextKeyValue(Dataset& dataset, const QString& field, int firstValue)
{
    if (!dataset.isOpen())
        return 0;
    if (dataset.isEmpty())
        return firstValue;
    const int f = dataset.fieldIndex(field);
    if (f < 0 || !dataset.last())
        return 0;
    bool ok = false;
    const qint64 last = dataset.fieldValue(f).toString().trimmed().toLongLong(&ok);
    return ok ? int(last + 1) : 0;
}

int NextOperIntId(Dataset& dataset, const QString& field, const QString& operNo, int firstValue)
{
    if (!dataset.isOpen())
        return 0;
    const int f = dataset.fieldIndex(field);
    if (f < 0)
        return 0;
    if (!dataset.isEmpty()) {
        dataset.last();
        bool ok = false;
        const qint64 last = dataset.fieldValue(f).toString().trimmed().toLongLong(&ok);
        if (!ok && !dataset.fieldValue(f).isNull())
            return 0;
        if (ok && last >= 200000)
            return int(last + 1);
    }
    if (operNo.isEmpty())
        return firstValue;
    bool ok = false;
    const qint64 number = operNo.trimmed().toLongLong(&ok);
    if (!ok)
        return 0;
    // 32-bit arithmetic, wrapping as the original did.
    const quint32 wrapped = quint32(quint64(number) * 10000u + quint64(qint64(firstValue)));
    return qint32(wrapped);
}

bool NextOperRecordId(Dataset& dataset, const QString& middle, QString& key)
{
    const QString prefix = currentOperator().CurOperId + u'.' + middle;
    key = prefix;
    if (!dataset.isOpen())
        return false;
    int next = 1;
    if (!dataset.isEmpty()) {
        dataset.last();
        const QString id = dataset.fieldValue(u"ID").toString();
        static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
        const QString serial = id.mid(14, 4);
        if (!digits.match(serial).hasMatch())
            return false;
        next = serial.toInt() + 1;
    }
    if (next > 9999) {
        ShowErrorMessage(
            QStringLiteral("记录编号已用完!\r\n编号 %1 之下已有 9999 条记录, 不能再增加.")
                .arg(prefix));
        return false;
    }
    key = prefix + u'.' + QStringLiteral("%1").arg(next, 4, 10, QLatin1Char('0'));
    return dataset.append();
}

double RoundValue(int digits, int mode, double value)
{
    const double p = digits <= 0 ? 1.0 : std::pow(10.0, digits);
    if (mode == 0)
        return std::nearbyint(value * p) / p; // the default rounding mode ties to even
    if (mode == 1) {
        const QString text = QString::number(value * p, 'g', 15);
        const qsizetype dot = text.indexOf(u'.');
        if (dot < 0)
            return value;
        return text.left(dot).toDouble() / p;
    }
    return std::ceil(value);
}

int MinSecToSeconds(double value)
{
    if (!(value > 0) || !std::isfinite(value))
        return 0;
    const QString text = QString::number(value, 'f', 2);
    const qsizetype dot = text.indexOf(u'.');
    if (dot < 0)
        return 0;
    bool okMin = false, okSec = false;
    const qint64 minutes = text.left(dot).toLongLong(&okMin);
    const int seconds = text.mid(dot + 1, 2).toInt(&okSec);
    if (!okMin || !okSec || minutes > std::numeric_limits<int>::max() / 60)
        return 0;
    return int(minutes * 60 + seconds);
}

QDate ParseDateText(const QString& text)
{
    const QDate fallback(1988, 8, 8);
    if (text.contains(u'-')) {
        if (text.contains(u'月'))
            return fallback;
        static const QRegularExpression ymd(
            QStringLiteral("^\\s*(\\d{1,4})-(\\d{1,2})-(\\d{1,2})\\s*$"));
        const QRegularExpressionMatch m = ymd.match(text);
        if (!m.hasMatch())
            return fallback;
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        return date.isValid() ? date : fallback;
    }
    if (text.size() == 8) {
        static const QRegularExpression eight(QStringLiteral("^\\d{8}$"));
        if (!eight.match(text).hasMatch())
            return fallback;
        const QDate date(text.left(4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
        return date.isValid() ? date : fallback;
    }
    return fallback;
}

QString PadText(const QString& text, int width, QChar fill, bool cut)
{
    if (width < 0)
        return text;
    if (text.size() < width)
        return QString(width - text.size(), fill) + text;
    if (text.size() > width && cut)
        return QString(width, fill);
    return text;
}

QString PadNumber(qint64 number, int width, QChar fill, bool cut)
{
    return PadText(QString::number(number), width, fill, cut);
}

double IndicatorLowerLimit(const QString& code)
{
    return limitOf("XXZ", code);
}

double IndicatorUpperLimit(const QString& code)
{
    return limitOf("SXZ", code);
}

bool CheckScoreEdit(QLineEdit* box, double lower, double upper)
{
    if (!box || box->isReadOnly() || box->text().isEmpty())
        return true;
    bool ok = false;
    const double value = box->text().trimmed().toDouble(&ok);
    const auto refuse = [box](const QString& message) {
        ShowErrorMessage(message);
        box->setFocus();
        box->selectAll();
        return false;
    };
    if (!ok)
        return refuse(QStringLiteral("录入的成绩中有非法字符!"));
    if (value < lower || value > upper)
        return refuse(QStringLiteral("录入的成绩有误!"));
    return true;
}
