#include "dataset.h"

#include "data/dialect.h"
#include "data/schema.h"
#include "platform/gbk_text.h"
#include "platform/grid_values.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
using GridValues::isNull;

bool isNumeric(const QVariant& v)
{
    return GridValues::isNumber(v);
}

bool sameValueImpl(const QVariant& a, const QVariant& b)
{
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    if (isNumeric(a) && isNumeric(b))
        return a.toDouble() == b.toDouble();
    if (isNumeric(a) != isNumeric(b)) {
        bool ok = false;
        const double other = (isNumeric(a) ? b : a).toString().trimmed().toDouble(&ok);
        return ok && other == (isNumeric(a) ? a : b).toDouble();
    }
    if (a.metaType() == b.metaType())
        return a == b;
    return a.toString() == b.toString();
}

int compareBytes(const QByteArray& x, const QByteArray& y)
{
    const int c = std::memcmp(x.constData(), y.constData(), size_t(std::min(x.size(), y.size())));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

// Texts in the order of their GBK bytes. GBK keeps ASCII as it is and starts every other
// character with a byte above 0x7F, so both orders agree up to the first pair of differing
// characters that are both not ASCII; only then are the rest of the two texts converted.
int compareGbkText(QStringView a, QStringView b)
{
    const auto [pa, pb] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (pa == a.end() || pb == b.end())
        return pa != a.end() ? 1 : (pb != b.end() ? -1 : 0);
    if (pa->unicode() < 0x80 || pb->unicode() < 0x80)
        return *pa < *pb ? -1 : 1;
    qsizetype i = pa - a.begin();
    if (i > 0 && a[i - 1].isHighSurrogate())
        --i; // the pair differs in its second half: convert it whole
    return compareBytes(toGbk(a.mid(i)), toGbk(b.mid(i)));
}

// A cell as the sort sees it: NULL first, numbers by value, date-times by time, the rest by
// their GBK bytes (which puts common Chinese characters in pinyin order).
class SortValue
{
public:
    explicit SortValue(const QVariant& value) : m_value(&value)
    {
        if (isNull(value)) {
            m_kind = Kind::Null;
        } else if (isNumeric(value)) {
            m_kind = Kind::Number;
            m_number = value.toDouble();
        } else if (value.metaType().id() == QMetaType::QDateTime) {
            m_kind = Kind::DateTime;
        } else if (value.metaType().id() == QMetaType::QString) {
            m_kind = Kind::Text;
            m_text = *static_cast<const QString*>(value.constData());
        }
    }

    int compare(const SortValue& other) const
    {
        if (m_kind == Kind::Null || other.m_kind == Kind::Null)
            return m_kind == other.m_kind ? 0 : (m_kind == Kind::Null ? -1 : 1);
        if (m_kind == Kind::Number && other.m_kind == Kind::Number)
            return m_number < other.m_number ? -1 : (m_number > other.m_number ? 1 : 0);
        if (m_kind == Kind::DateTime && other.m_kind == Kind::DateTime) {
            const QDateTime x = m_value->toDateTime(), y = other.m_value->toDateTime();
            return x < y ? -1 : (y < x ? 1 : 0);
        }
        if (m_kind == Kind::Text && other.m_kind == Kind::Text)
            return compareGbkText(m_text, other.m_text);
        return compareBytes(toGbk(m_value->toString()), toGbk(other.m_value->toString()));
    }

private:
    enum class Kind : quint8 { Null, Number, DateTime, Text, Other };

    const QVariant* m_value;
    QStringView m_text; // into the cell's own text, which outlives the sort
    Kind m_kind = Kind::Other;
    double m_number = 0;
};

QString tableOfSelect(const QString& sql)
{
    static const QRegularExpression from(QStringLiteral("\\bfrom\\s+\\[?([A-Za-z_][A-Za-z0-9_]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(sql);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString driverText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}
} // namespace

Dataset::Dataset(QObject* parent) : QObject(parent) {}

bool Dataset::sameValue(const QVariant& a, const QVariant& b)
{
    return sameValueImpl(a, b);
}

Dataset::~Dataset() = default;

void Dataset::setConnection(const QSqlDatabase& db, const Dialect* dialect)
{
    m_db = db;
    m_dialect = dialect;
}

void Dataset::setSql(const QString& sql, const QVariantList& bindValues)
{
    m_sql = sql;
    m_binds = bindValues;
}

void Dataset::setUpdateTable(const QString& table, const QString& keyField)
{
    m_updateTable = table;
    m_keyField = keyField;
}

bool Dataset::fail(const QString& message)
{
    m_lastError = message;
    return false;
}

void Dataset::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (emitting())
        Q_EMIT stateChanged(state);
}

bool Dataset::open()
{
    close();
    m_lastError.clear();
    if (!m_db.isOpen())
        return fail(QStringLiteral("数据库没有连接"));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(m_sql))
        return fail(driverText(q.lastError()));
    for (const QVariant& v : std::as_const(m_binds))
        q.addBindValue(v);
    if (!q.exec())
        return fail(driverText(q.lastError()));
    if (!q.isSelect())
        return fail(QStringLiteral("没有返回的数据"));

    if (m_updateTable.isEmpty())
        m_updateTable = tableOfSelect(m_sql);
    const TableDef* table = findTable(m_updateTable);
    if (m_keyField.isEmpty() && table && table->primaryKey)
        m_keyField = QLatin1String(table->primaryKey);

    const QSqlRecord record = q.record();
    const int n = record.count();
    m_fields.clear();
    m_fields.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        Field f;
        f.name = record.fieldName(i);
        f.type = record.field(i).metaType();
        if (const ColumnDef* c = table ? table->column(f.name) : nullptr) {
            f.name = QLatin1String(c->name); // the declared spelling, whatever the engine folds to
            f.size = c->type == ColumnType::Varchar ? c->size : 0;
            f.autoNumbered = c->type == ColumnType::Identity;
        }
        m_fields.push_back(std::move(f));
    }
    for (int i = 0; i < n; ++i) {
        if (m_fields[size_t(i)].name.compare(m_keyField, Qt::CaseInsensitive) == 0)
            m_keyField = m_fields[size_t(i)].name;
    }
    resolveHooks();

    if (emitting())
        Q_EMIT aboutToReset();
    while (q.next()) {
        Row row;
        row.values.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            row.values.push_back(q.value(i));
        m_rows.push_back(std::move(row));
    }
    m_order.resize(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_order[i] = int(i);
    m_state = State::Browse;
    if (!m_sort.isEmpty())
        applySort(false);
    m_current = m_order.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_order.empty();
    if (emitting()) {
        Q_EMIT reset();
        Q_EMIT stateChanged(m_state);
        Q_EMIT currentChanged(m_current);
    }
    return true;
}

void Dataset::close()
{
    if (m_state == State::Inactive && m_rows.empty())
        return;
    if (emitting())
        Q_EMIT aboutToReset();
    m_rows.clear();
    m_order.clear();
    m_fields.clear();
    m_buffer.clear();
    m_current = -1;
    m_eof = m_bof = true;
    m_state = State::Inactive;
    if (emitting()) {
        Q_EMIT reset();
        Q_EMIT stateChanged(m_state);
    }
}

bool Dataset::refresh()
{
    if (hasPendingChanges())
        return fail(QStringLiteral("有未保存的修改, 不能刷新"));
    return open();
}

int Dataset::fieldIndex(QStringView name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (QStringView(m_fields[i].name).compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QStringList Dataset::fieldNames() const
{
    QStringList names;
    for (const Field& f : m_fields)
        names << f.name;
    return names;
}

QVariant Dataset::value(int row, int field) const
{
    return cell(row, field);
}

const QVariant& Dataset::cell(int row, int field) const
{
    static const QVariant none;
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return none;
    if (row == m_current && (m_state == State::Edit || m_state == State::Insert))
        return m_buffer[size_t(field)];
    return m_rows[size_t(m_order[size_t(row)])].values[size_t(field)];
}

QVariant Dataset::originalValue(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return QVariant();
    return originalsOf(m_rows[size_t(m_order[size_t(row)])])[size_t(field)];
}

Dataset::RowStatus Dataset::rowStatus(int row) const
{
    if (row < 0 || row >= rowCount())
        return RowStatus::Unchanged;
    return m_rows[size_t(m_order[size_t(row)])].status;
}

const std::vector<QVariant>& Dataset::originalsOf(const Row& row) const
{
    return row.pending ? row.pending->original : row.values;
}

void Dataset::setCurrentInternal(int row)
{
    if (m_current == row)
        return;
    m_current = row;
    if (emitting())
        Q_EMIT currentChanged(row);
}

bool Dataset::setCurrentRow(int row)
{
    if (!isOpen() || m_order.empty())
        return false;
    if (m_state == State::Edit || m_state == State::Insert) {
        if (row == m_current)
            return true;
        if (!post())
            return false;
    }
    row = std::clamp(row, 0, rowCount() - 1);
    m_bof = m_eof = false;
    setCurrentInternal(row);
    return true;
}

bool Dataset::next()
{
    if (m_order.empty() || m_current >= rowCount() - 1) {
        m_eof = true;
        return false;
    }
    if (!setCurrentRow(m_current + 1))
        return false;
    return true;
}

bool Dataset::prior()
{
    if (m_order.empty() || m_current <= 0) {
        m_bof = true;
        return false;
    }
    return setCurrentRow(m_current - 1);
}

QVariant Dataset::fieldValue(QStringView name) const
{
    return fieldValue(fieldIndex(name));
}

QVariant Dataset::fieldValue(int field) const
{
    return value(m_current, field);
}

bool Dataset::edit()
{
    if (m_state == State::Edit || m_state == State::Insert)
        return true;
    if (!isOpen())
        return fail(QStringLiteral("数据集没有打开"));
    if (m_current < 0)
        return fail(QStringLiteral("没有可修改的记录"));
    m_buffer = m_rows[size_t(m_order[size_t(m_current)])].values;
    setState(State::Edit);
    return true;
}

bool Dataset::append()
{
    if (!isOpen())
        return fail(QStringLiteral("数据集没有打开"));
    if ((m_state == State::Edit || m_state == State::Insert) && !post())
        return false;
    Row row;
    row.values.resize(m_fields.size());
    row.status = RowStatus::Inserted;
    const int visible = rowCount();
    if (emitting())
        Q_EMIT rowAboutToBeInserted(visible);
    m_rows.push_back(std::move(row));
    m_order.push_back(int(m_rows.size()) - 1);
    if (emitting())
        Q_EMIT rowInserted(visible);
    m_buffer = m_rows.back().values;
    m_bof = m_eof = false;
    setCurrentInternal(visible);
    setState(State::Insert);
    return true;
}

bool Dataset::setFieldValue(QStringView name, const QVariant& value)
{
    const int index = fieldIndex(name);
    if (index < 0)
        return fail(QStringLiteral("没有字段 %1").arg(name));
    return setFieldValue(index, value);
}

bool Dataset::setFieldValue(int field, const QVariant& value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        return fail(QStringLiteral("数据集不在编辑状态"));
    if (field < 0 || field >= fieldCount())
        return fail(QStringLiteral("没有这个字段"));
    m_buffer[size_t(field)] = value;
    if (emitting())
        Q_EMIT rowChanged(m_current);
    const FieldHook hook = size_t(field) < m_hooks.size() ? m_hooks[size_t(field)] : FieldHook();
    if (hook && !m_inHook) {
        // A hook may set other fields; their hooks do not fire again from inside it.
        m_inHook = true;
        hook(*this, field);
        m_inHook = false;
    }
    return true;
}

bool Dataset::checkSizes(const std::vector<QVariant>& values, QString* message) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        if (f.size <= 0 || isNull(values[i]))
            continue;
        const qsizetype bytes = gbkLength(values[i].toString());
        if (bytes > f.size) {
            *message = QStringLiteral("“%1”的内容太长: %2 字节, 最多 %3 字节")
                           .arg(f.name)
                           .arg(bytes)
                           .arg(f.size);
            return false;
        }
    }
    return true;
}

bool Dataset::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return true;
    QString message;
    if (!checkSizes(m_buffer, &message))
        return fail(message);
    Row& row = m_rows[size_t(m_order[size_t(m_current)])];
    if (row.status == RowStatus::Unchanged) {
        std::vector<bool> changed(m_buffer.size());
        bool any = false;
        for (size_t i = 0; i < m_buffer.size(); ++i) {
            changed[i] = !sameValue(m_buffer[i], row.values[i]);
            any = any || changed[i];
        }
        if (any) {
            row.pending = std::make_unique<Row::Pending>(
                Row::Pending{std::move(row.values), std::move(changed)});
            row.status = RowStatus::Modified;
        }
    } else if (row.status == RowStatus::Modified) {
        // Which columns the batch writes (and checks): those that differ from what was read.
        for (size_t i = 0; i < m_buffer.size(); ++i)
            row.pending->changed[i] = !sameValue(m_buffer[i], row.pending->original[i]);
    }
    row.values = std::move(m_buffer);
    m_buffer.clear();
    setState(State::Browse);
    if (emitting())
        Q_EMIT rowChanged(m_current);
    return true;
}

void Dataset::cancel()
{
    if (m_state == State::Edit) {
        m_buffer.clear();
        setState(State::Browse);
        if (emitting())
            Q_EMIT rowChanged(m_current);
    } else if (m_state == State::Insert) {
        m_buffer.clear();
        const int visible = m_current;
        const int index = m_order[size_t(visible)];
        if (emitting())
            Q_EMIT rowAboutToBeRemoved(visible);
        m_order.erase(m_order.begin() + visible);
        m_rows.erase(m_rows.begin() + index);
        for (int& o : m_order) {
            if (o > index)
                --o;
        }
        if (emitting())
            Q_EMIT rowRemoved(visible);
        m_state = State::Browse;
        m_current = -1;
        setCurrentInternal(m_order.empty() ? -1 : std::min(visible, rowCount() - 1));
        if (emitting())
            Q_EMIT stateChanged(m_state);
    }
}

bool Dataset::deleteRow()
{
    if (!isOpen() || m_current < 0)
        return fail(QStringLiteral("没有可删除的记录"));
    if (m_state == State::Insert) {
        cancel();
        return true;
    }
    if (m_state == State::Edit)
        cancel();
    const int visible = m_current;
    const int index = m_order[size_t(visible)];
    if (emitting())
        Q_EMIT rowAboutToBeRemoved(visible);
    m_order.erase(m_order.begin() + visible);
    Row& row = m_rows[size_t(index)];
    if (row.status == RowStatus::Inserted) {
        m_rows.erase(m_rows.begin() + index);
        for (int& o : m_order) {
            if (o > index)
                --o;
        }
    } else {
        row.status = RowStatus::Deleted;
    }
    if (emitting())
        Q_EMIT rowRemoved(visible);
    m_current = -1;
    setCurrentInternal(m_order.empty() ? -1 : std::min(visible, rowCount() - 1));
    m_eof = m_order.empty();
    return true;
}

bool Dataset::locate(QStringView field, const QVariant& value, bool caseInsensitive, bool partial)
{
    const int f = fieldIndex(field);
    if (f < 0 || !isOpen())
        return false;
    if ((m_state == State::Edit || m_state == State::Insert) && !post())
        return false;
    const bool textual = caseInsensitive || partial;
    const QString wanted = value.toString();
    for (int r = 0; r < rowCount(); ++r) {
        const QVariant& v = m_rows[size_t(m_order[size_t(r)])].values[size_t(f)];
        bool match;
        if (textual && !isNull(v) && !isNull(value)) {
            const QString have = v.toString();
            const Qt::CaseSensitivity cs =
                caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
            match = partial ? have.startsWith(wanted, cs) : have.compare(wanted, cs) == 0;
        } else {
            match = sameValue(v, value);
        }
        if (match) {
            m_bof = m_eof = false;
            setCurrentInternal(r);
            return true;
        }
    }
    return false;
}

bool Dataset::setSort(const QString& sort)
{
    m_sort = sort.trimmed();
    if (!isOpen())
        return true;
    if ((m_state == State::Edit || m_state == State::Insert) && !post())
        return false;
    if (m_sort.isEmpty())
        return true; // keeps the rows where they are, as a cleared sort does
    applySort();
    return true;
}

void Dataset::applySort(bool notify)
{
    struct Key
    {
        int field;
        bool descending;
    };
    std::vector<Key> keys;
    for (const QString& part : m_sort.split(u',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(u' ');
        const int f = fieldIndex(words.value(0));
        if (f < 0)
            continue;
        keys.push_back(
            {f, words.size() > 1 && words[1].compare(u"DESC", Qt::CaseInsensitive) == 0});
    }
    if (keys.empty())
        return;
    notify = notify && emitting();
    if (notify)
        Q_EMIT orderAboutToChange();
    const int currentIndex = m_current >= 0 ? m_order[size_t(m_current)] : -1;
    std::vector<int> before = m_order;
    // Whether row a (an index into m_rows) goes before row b; cell(k, row) is its cell of key k.
    const auto byKeys = [&keys](auto cell) {
        return [&keys, cell](int a, int b) {
            for (size_t k = 0; k < keys.size(); ++k) {
                const int c = cell(k, a).compare(cell(k, b));
                if (c != 0)
                    return keys[k].descending ? c > 0 : c < 0;
            }
            return false;
        };
    };
    // Rows read in the wanted order (the query's ORDER BY) need one pass, not a sort.
    const auto cellAt = [this, &keys](size_t k, int row) {
        return SortValue(m_rows[size_t(row)].values[size_t(keys[k].field)]);
    };
    if (!std::is_sorted(m_order.begin(), m_order.end(), byKeys(cellAt))) {
        // Each cell's sort value made once, not once per comparison.
        std::vector<std::vector<SortValue>> cells(keys.size());
        for (size_t k = 0; k < keys.size(); ++k) {
            cells[k].reserve(m_rows.size());
            for (const Row& row : m_rows)
                cells[k].emplace_back(row.values[size_t(keys[k].field)]);
        }
        const auto madeCell = [&cells](size_t k, int row) -> const SortValue& {
            return cells[k][size_t(row)];
        };
        std::stable_sort(m_order.begin(), m_order.end(), byKeys(madeCell));
    }
    std::vector<int> newPosition(m_rows.size(), -1);
    for (size_t i = 0; i < m_order.size(); ++i)
        newPosition[size_t(m_order[i])] = int(i);
    std::vector<int> oldToNew(before.size());
    for (size_t i = 0; i < before.size(); ++i)
        oldToNew[i] = newPosition[size_t(before[i])];
    if (currentIndex >= 0)
        m_current = newPosition[size_t(currentIndex)];
    if (notify) {
        Q_EMIT orderChanged(oldToNew);
        Q_EMIT currentChanged(m_current);
    }
}

bool Dataset::hasPendingChanges() const
{
    return pendingCount() > 0 || m_state == State::Edit || m_state == State::Insert;
}

int Dataset::pendingCount() const
{
    int n = 0;
    for (const Row& row : m_rows)
        n += row.status != RowStatus::Unchanged ? 1 : 0;
    return n;
}

void Dataset::setFieldHook(QStringView field, FieldHook hook)
{
    m_namedHooks.emplace_back(field.toString(), std::move(hook));
    resolveHooks();
}

void Dataset::clearFieldHooks()
{
    m_namedHooks.clear();
    m_hooks.clear();
}

void Dataset::resolveHooks()
{
    m_hooks.assign(m_fields.size(), FieldHook());
    for (const auto& [name, hook] : m_namedHooks) {
        const int f = fieldIndex(name);
        if (f >= 0)
            m_hooks[size_t(f)] = hook;
    }
}

void Dataset::disableControls()
{
    ++m_disabled;
}

void Dataset::enableControls()
{
    if (m_disabled == 0)
        return;
    if (--m_disabled == 0) {
        Q_EMIT aboutToReset();
        Q_EMIT reset();
        Q_EMIT stateChanged(m_state);
        Q_EMIT currentChanged(m_current);
    }
}
