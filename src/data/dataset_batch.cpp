// Writing a dataset's pending changes: one transaction, deletes, then updates, then inserts,
// each checked against the values the row had when it was read.

#include "data/dataset.h"
#include "data/dialect.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

// Prepared statements of one batch, reused across rows of the same shape.
class StatementCache
{
public:
    explicit StatementCache(const QSqlDatabase& db) : m_db(db) {}
    QSqlQuery* get(const QString& sql)
    {
        auto it = m_queries.find(sql);
        if (it == m_queries.end()) {
            auto query = std::make_unique<QSqlQuery>(m_db);
            if (!query->prepare(sql)) {
                m_error = query->lastError();
                return nullptr;
            }
            it = m_queries.emplace(sql, std::move(query)).first;
        }
        return it->second.get();
    }
    QSqlError error() const { return m_error; }

private:
    QSqlDatabase m_db;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_queries;
    QSqlError m_error;
};

QString errorText(const QSqlError& e)
{
    QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text().trimmed() : text;
}

// Restores the transaction's start unless committed.
class TransactionGuard
{
public:
    explicit TransactionGuard(QSqlDatabase& db) : m_db(db), m_open(db.transaction()) {}
    ~TransactionGuard()
    {
        if (m_open)
            m_db.rollback();
    }
    bool isOpen() const { return m_open; }
    bool commit()
    {
        if (!m_open)
            return false;
        m_open = false;
        if (m_db.commit())
            return true;
        m_db.rollback();
        return false;
    }

private:
    QSqlDatabase& m_db;
    bool m_open;
};
} // namespace

bool Dataset::updateBatch()
{
    m_batchError = BatchError();
    if (!isOpen())
        return fail(QStringLiteral("数据集没有打开"));
    if ((m_state == State::Edit || m_state == State::Insert) && !post()) {
        m_batchError.row = m_current;
        m_batchError.message = m_lastError;
        return false;
    }
    if (pendingCount() == 0)
        return true;
    if (m_updateTable.isEmpty() || m_keyField.isEmpty() || fieldIndex(m_keyField) < 0) {
        m_batchError.message = QStringLiteral("数据集没有可更新的表或主键");
        return fail(m_batchError.message);
    }
    // Sizes were checked when each row was posted; nothing reaches a row another way.
    TransactionGuard transaction(m_db);
    if (!transaction.isOpen()) {
        m_batchError.message = errorText(m_db.lastError());
        return fail(m_batchError.message);
    }
    std::vector<std::pair<size_t, QVariant>> numbered;
    if (!runBatch(numbered))
        return false;
    if (!transaction.commit()) {
        m_batchError.message = errorText(m_db.lastError());
        return fail(m_batchError.message);
    }
    acceptBatch(numbered);
    return true;
}

bool Dataset::runBatch(std::vector<std::pair<size_t, QVariant>>& numbered)
{
    const Dialect fallback;
    const Dialect& dialect = m_dialect ? *m_dialect : fallback;
    const int key = fieldIndex(m_keyField);
    StatementCache cache(m_db);

    const auto visibleRowOf = [this](size_t index) {
        const auto it = std::find(m_order.begin(), m_order.end(), int(index));
        return it == m_order.end() ? -1 : int(it - m_order.begin());
    };
    const auto failRow = [&](size_t index, const QString& message, bool conflict) {
        m_batchError.row = visibleRowOf(index);
        m_batchError.key = originalsOf(m_rows[index])[size_t(key)];
        m_batchError.conflict = conflict;
        m_batchError.message = message;
        return fail(message);
    };
    const auto conflictText = [&](size_t index) {
        return QStringLiteral("记录 %1 已被其他用户修改或删除")
            .arg(originalsOf(m_rows[index])[size_t(key)].toString());
    };

    // Deletes: every read value must still be there.
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (row.status != RowStatus::Deleted)
            continue;
        const std::vector<QVariant>& orig = originalsOf(row);
        QStringList where{m_fields[size_t(key)].name + QStringLiteral(" = ?")};
        QVariantList binds{orig[size_t(key)]};
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (int(f) == key)
                continue;
            where.append(dialect.nullSafeEquals(m_fields[f].name));
            binds.append(orig[f]);
        }
        QSqlQuery* q = cache.get(QStringLiteral("DELETE FROM %1 WHERE %2")
                                     .arg(m_updateTable, where.join(QStringLiteral(" AND "))));
        if (!q)
            return failRow(i, errorText(cache.error()), false);
        for (qsizetype b = 0; b < binds.size(); ++b)
            q->bindValue(int(b), binds[b]);
        if (!q->exec())
            return failRow(i, errorText(q->lastError()), false);
        if (q->numRowsAffected() != 1) {
            // Gone already is what the delete wanted; changed by someone else is a conflict.
            QSqlQuery* exists = cache.get(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?")
                                              .arg(m_updateTable, m_fields[size_t(key)].name));
            if (!exists)
                return failRow(i, errorText(cache.error()), false);
            exists->bindValue(0, orig[size_t(key)]);
            if (!exists->exec())
                return failRow(i, errorText(exists->lastError()), false);
            const bool stillThere = exists->next();
            exists->finish();
            if (stillThere)
                return failRow(i, conflictText(i), true);
        }
    }

    // Updates: the changed columns must still hold what was read. Rows changing the same
    // columns share one prepared statement.
    std::unordered_map<std::vector<bool>, QSqlQuery*> byColumns;
    std::vector<bool> lastMask;
    QSqlQuery* lastQuery = nullptr;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (row.status != RowStatus::Modified)
            continue;
        std::vector<bool> mask = row.pending->changed;
        for (size_t f = 0; f < m_fields.size(); ++f)
            mask[f] = mask[f] && !m_fields[f].autoNumbered;
        if (std::find(mask.begin(), mask.end(), true) == mask.end())
            continue;
        QSqlQuery* q = mask == lastMask ? lastQuery : byColumns[mask];
        if (!q) {
            QStringList set, where{m_fields[size_t(key)].name + QStringLiteral(" = ?")};
            for (size_t f = 0; f < m_fields.size(); ++f) {
                if (!mask[f])
                    continue;
                set.append(m_fields[f].name + QStringLiteral(" = ?"));
                if (int(f) != key)
                    where.append(dialect.nullSafeEquals(m_fields[f].name));
            }
            q = cache.get(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                              .arg(m_updateTable, set.join(QStringLiteral(", ")),
                                   where.join(QStringLiteral(" AND "))));
            if (!q)
                return failRow(i, errorText(cache.error()), false);
            byColumns[mask] = q;
        }
        lastQuery = q;
        lastMask = mask;
        const std::vector<QVariant>& orig = row.pending->original;
        int b = 0;
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (mask[f])
                q->bindValue(b++, row.values[f]);
        }
        q->bindValue(b++, orig[size_t(key)]);
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (mask[f] && int(f) != key)
                q->bindValue(b++, orig[f]);
        }
        if (!q->exec())
            return failRow(i, errorText(q->lastError()), false);
        if (q->numRowsAffected() != 1)
            return failRow(i, conflictText(i), true);
    }

    // Inserts: the columns that hold a value; the rest take their defaults.
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (row.status != RowStatus::Inserted)
            continue;
        QStringList columns, marks;
        QVariantList binds;
        int autoField = -1;
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (m_fields[f].autoNumbered) {
                autoField = int(f);
                continue;
            }
            if (isNull(row.values[f]))
                continue;
            columns.append(m_fields[f].name);
            marks.append(QStringLiteral("?"));
            binds.append(row.values[f]);
        }
        QString sql = columns.isEmpty()
                          ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_updateTable)
                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(m_updateTable, columns.join(QStringLiteral(", ")),
                                     marks.join(QStringLiteral(", ")));
        const bool returning = autoField >= 0 && dialect.kind() == Dialect::Kind::PostgreSQL;
        if (returning)
            sql += QStringLiteral(" RETURNING ") + m_fields[size_t(autoField)].name;
        QSqlQuery* q = cache.get(sql);
        if (!q)
            return failRow(i, errorText(cache.error()), false);
        for (qsizetype b = 0; b < binds.size(); ++b)
            q->bindValue(int(b), binds[b]);
        if (!q->exec())
            return failRow(i, errorText(q->lastError()), false);
        if (autoField >= 0) {
            const QVariant id =
                returning ? (q->next() ? q->value(0) : QVariant()) : q->lastInsertId();
            numbered.emplace_back(i * m_fields.size() + size_t(autoField), id);
        }
    }
    return true;
}

void Dataset::acceptBatch(const std::vector<std::pair<size_t, QVariant>>& numbered)
{
    for (const auto& [cell, id] : numbered)
        m_rows[cell / m_fields.size()].values[cell % m_fields.size()] = id;

    std::vector<int> newIndex(m_rows.size(), -1);
    std::vector<Row> kept;
    kept.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        if (row.status == RowStatus::Deleted)
            continue;
        row.status = RowStatus::Unchanged;
        row.pending.reset();
        newIndex[i] = int(kept.size());
        kept.push_back(std::move(row));
    }
    m_rows = std::move(kept);
    for (int& o : m_order)
        o = newIndex[size_t(o)];
    if (emitting() && !numbered.empty()) {
        Q_EMIT aboutToReset();
        Q_EMIT reset();
    }
}

void Dataset::cancelBatch()
{
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    if (pendingCount() == 0)
        return;
    if (emitting())
        Q_EMIT aboutToReset();
    std::vector<Row> kept;
    kept.reserve(m_rows.size());
    for (Row& row : m_rows) {
        if (row.status == RowStatus::Inserted)
            continue;
        if (row.pending)
            row.values = std::move(row.pending->original);
        row.pending.reset();
        row.status = RowStatus::Unchanged;
        kept.push_back(std::move(row));
    }
    m_rows = std::move(kept);
    m_order.resize(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_order[i] = int(i);
    if (!m_sort.isEmpty())
        applySort(false);
    m_current = m_order.empty() ? -1 : std::clamp(m_current, 0, rowCount() - 1);
    if (emitting()) {
        Q_EMIT reset();
        Q_EMIT currentChanged(m_current);
    }
}
