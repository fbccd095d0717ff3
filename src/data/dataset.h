#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class Dialect;

// The client-side cache every window works on: the rows of one query with their original
// values and states. Changes stay in memory until UpdateBatch writes them all in one
// transaction, with optimistic checks: a row another user changed or deleted meanwhile is a
// conflict. A failed UpdateBatch writes nothing and keeps every pending change.
class Dataset : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class RowStatus : quint8 { Unchanged, Modified, Inserted, Deleted };

    struct Field
    {
        QString name;
        QMetaType type;
        int size = 0; // bytes in the Chinese code page; 0 = not bounded
        bool autoNumbered = false;
    };

    struct BatchError
    {
        int row = -1; // visible row of the failing change, -1 when none
        QVariant key; // its key value
        bool conflict = false;
        QString message; // why, in the system's words (with the driver's text where there is one)
    };

    explicit Dataset(QObject* parent = nullptr);
    ~Dataset() override;

    // Cell equality: NULL equals only NULL, numbers compare as numbers, the rest as text.
    static bool sameValue(const QVariant& a, const QVariant& b);

    // Where the rows come from: a query with optional bound values, on a connection.
    void setConnection(const QSqlDatabase& db, const Dialect* dialect);
    void setSql(const QString& sql, const QVariantList& bindValues = {});
    QString sql() const { return m_sql; }
    // The table that UpdateBatch writes to and its key; by default taken from a
    // "select ... from <table>" statement and the table's declared key.
    void setUpdateTable(const QString& table, const QString& keyField = QString());
    QString updateTable() const { return m_updateTable; }
    QString keyField() const { return m_keyField; }

    bool open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    // Reads the rows again; refused (false) while changes are pending.
    bool refresh();
    QString lastError() const { return m_lastError; }

    // Fields.
    int fieldCount() const { return int(m_fields.size()); }
    const Field& field(int index) const { return m_fields[size_t(index)]; }
    int fieldIndex(QStringView name) const; // ignoring case; -1 when absent
    QStringList fieldNames() const;

    // Rows in the current order (deleted rows are not counted).
    int rowCount() const { return int(m_order.size()); }
    bool isEmpty() const { return m_order.empty(); }
    QVariant value(int row, int field) const;
    // The same without a copy, for passes over many rows; valid until the dataset changes.
    const QVariant& cell(int row, int field) const;
    QVariant originalValue(int row, int field) const;
    RowStatus rowStatus(int row) const;

    // The current row.
    int currentRow() const { return m_current; }
    bool setCurrentRow(int row); // posts a pending edit first; false when that fails
    bool first() { return setCurrentRow(0); }
    bool last() { return setCurrentRow(rowCount() - 1); }
    bool next();
    bool prior();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    // The current row's value (the edit buffer's while editing).
    QVariant fieldValue(QStringView name) const;
    QVariant fieldValue(int field) const;

    // Editing.
    State state() const { return m_state; }
    bool edit();
    bool append();
    bool setFieldValue(QStringView name, const QVariant& value);
    bool setFieldValue(int field, const QVariant& value);
    bool post();
    void cancel();
    bool deleteRow(); // the current row

    // Finds the first row, in the current order, whose field equals the value; it becomes
    // current. Numbers compare as numbers, the rest as text.
    bool locate(QStringView field, const QVariant& value, bool caseInsensitive = false,
                bool partial = false);

    // Sort order: "F1, F2 DESC"; empty for the order of reading.
    bool setSort(const QString& sort);
    QString sort() const { return m_sort; }

    // Batch.
    bool hasPendingChanges() const;
    int pendingCount() const;
    bool updateBatch();
    void cancelBatch();
    const BatchError& batchError() const { return m_batchError; }

    // Hooks fired after a field's new value is visible, while the row is being edited.
    using FieldHook = std::function<void(Dataset&, int field)>;
    void setFieldHook(QStringView field, FieldHook hook);
    void clearFieldHooks();

    // While disabled, no change signals are sent; enabling again sends one reset.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

Q_SIGNALS:
    void aboutToReset();
    void reset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void orderAboutToChange();
    void orderChanged(const std::vector<int>& oldToNew);
    void currentChanged(int row);
    void stateChanged(Dataset::State state);

private:
    struct Row
    {
        std::vector<QVariant> values;
        struct Pending
        {
            std::vector<QVariant> original;
            std::vector<bool> changed; // per field: differs from the original
        };
        std::unique_ptr<Pending> pending; // set once the row changes
        RowStatus status = RowStatus::Unchanged;
    };

    bool fail(const QString& message);
    void setState(State state);
    void setCurrentInternal(int row);
    bool checkSizes(const std::vector<QVariant>& values, QString* message) const;
    const std::vector<QVariant>& originalsOf(const Row& row) const;
    void applySort(bool notify = true);
    bool runBatch(std::vector<std::pair<size_t, QVariant>>& numbered);
    void acceptBatch(const std::vector<std::pair<size_t, QVariant>>& numbered);
    bool emitting() const { return m_disabled == 0; }

    QSqlDatabase m_db;
    const Dialect* m_dialect = nullptr;
    QString m_sql;
    QVariantList m_binds;
    QString m_updateTable;
    QString m_keyField;
    QString m_sort;
    QString m_lastError;
    BatchError m_batchError;

    std::vector<Field> m_fields;
    std::vector<Row> m_rows;  // every row read or added, deleted ones too
    std::vector<int> m_order; // visible rows: indexes into m_rows

    State m_state = State::Inactive;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    std::vector<QVariant> m_buffer; // edit/insert buffer
    std::vector<FieldHook> m_hooks; // by field index, rebuilt from the named ones at open
    std::vector<std::pair<QString, FieldHook>> m_namedHooks;
    void resolveHooks();
    int m_disabled = 0;
    bool m_inHook = false;
};
