#include "column_settings_proxy_model.h"

#include "data/dataset.h"
#include "platform/grid_values.h"

ColumnSettingsProxyModel::ColumnSettingsProxyModel(QObject* parent) : QIdentityProxyModel(parent) {}

void ColumnSettingsProxyModel::setSourceModel(QAbstractItemModel* source)
{
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    m_columnsStale = true;
    QIdentityProxyModel::setSourceModel(source);
    if (!source)
        return;
    // The source's fields may change with a reset; the map is rebuilt on next use.
    auto stale = [this] { m_columnsStale = true; };
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, stale);
    connect(source, &QAbstractItemModel::modelReset, this, stale);
    connect(source, &QAbstractItemModel::columnsInserted, this, stale);
    connect(source, &QAbstractItemModel::columnsRemoved, this, stale);
    connect(source, &QAbstractItemModel::columnsMoved, this, stale);
    connect(source, &QAbstractItemModel::headerDataChanged, this, stale);
}

void ColumnSettingsProxyModel::setColumns(const QList<GridColumn>& columns)
{
    for (const QMetaObject::Connection& c : std::as_const(m_lookupConnections))
        disconnect(c);
    m_lookupConnections.clear();
    m_columns = columns;
    m_settings.clear();
    m_lookups.clear();
    for (const GridColumn& column : columns) {
        Settings s;
        s.caption = column.caption;
        s.readOnly = column.readOnly;
        s.displayText = column.displayText;
        if (column.editor == GridEditor::Lookup && column.lookup.dataset) {
            s.lookup = int(m_lookups.size());
            Lookup l;
            l.dataset = column.lookup.dataset;
            l.keyField = column.lookup.keyField;
            l.displayField = column.lookup.displayField;
            m_lookups.push_back(std::move(l));
            Dataset* ds = column.lookup.dataset;
            const int index = s.lookup;
            auto changed = [this, index] { lookupChanged(index); };
            m_lookupConnections << connect(ds, &Dataset::reset, this, changed)
                                << connect(ds, &Dataset::rowInserted, this, changed)
                                << connect(ds, &Dataset::rowRemoved, this, changed)
                                << connect(ds, &Dataset::rowChanged, this, changed);
        }
        m_settings.push_back(s);
    }
    m_columnsStale = true;
    if (const int n = columnCount(); n > 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, n - 1);
        if (rowCount() > 0)
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, n - 1));
    }
}

int ColumnSettingsProxyModel::columnOf(const QString& field) const
{
    if (!sourceModel())
        return -1;
    const int n = sourceModel()->columnCount();
    for (int c = 0; c < n; ++c) {
        if (sourceModel()
                ->headerData(c, Qt::Horizontal)
                .toString()
                .compare(field, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

const ColumnSettingsProxyModel::Settings* ColumnSettingsProxyModel::settingsOf(int column) const
{
    if (m_columnsStale) {
        m_columnsStale = false;
        m_byColumn.assign(size_t(sourceModel() ? sourceModel()->columnCount() : 0), -1);
        for (qsizetype i = 0; i < m_columns.size(); ++i) {
            const int c = columnOf(m_columns[i].field);
            if (c >= 0 && m_byColumn[size_t(c)] < 0)
                m_byColumn[size_t(c)] = int(i);
        }
    }
    if (column < 0 || size_t(column) >= m_byColumn.size() || m_byColumn[size_t(column)] < 0)
        return nullptr;
    return &m_settings[size_t(m_byColumn[size_t(column)])];
}

const QHash<QString, QString>& ColumnSettingsProxyModel::lookupTexts(int lookup) const
{
    Lookup& l = m_lookups[size_t(lookup)];
    if (l.stale) {
        l.stale = false;
        l.texts.clear();
        const Dataset* ds = l.dataset;
        const int key = ds ? ds->fieldIndex(l.keyField) : -1;
        const int shown = ds ? ds->fieldIndex(l.displayField) : -1;
        if (key >= 0 && shown >= 0) {
            for (int r = 0; r < ds->rowCount(); ++r) {
                const QString k = GridValues::key(ds->value(r, key));
                if (!l.texts.contains(k)) // the first row with a key wins, as a locate would
                    l.texts.insert(k, GridValues::displayText(ds->value(r, shown)));
            }
        }
    }
    return l.texts;
}

void ColumnSettingsProxyModel::lookupChanged(int lookup)
{
    m_lookups[size_t(lookup)].stale = true;
    const int rows = rowCount();
    for (int c = 0; c < columnCount() && rows > 0; ++c) {
        const Settings* s = settingsOf(c);
        if (s && s->lookup == lookup)
            Q_EMIT dataChanged(index(0, c), index(rows - 1, c), {Qt::DisplayRole});
    }
}

QVariant ColumnSettingsProxyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        const QVariant value = QIdentityProxyModel::data(index, Qt::EditRole);
        const Settings* s = settingsOf(index.column());
        if (s && s->lookup >= 0) {
            const QString k = GridValues::key(value);
            return k.isEmpty() ? QString() : lookupTexts(s->lookup).value(k);
        }
        if (s && s->displayText)
            return s->displayText(value);
        return GridValues::displayText(value);
    }
    case Qt::TextAlignmentRole: {
        const Settings* s = settingsOf(index.column());
        if ((!s || s->lookup < 0) &&
            GridValues::isNumber(QIdentityProxyModel::data(index, Qt::EditRole)))
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

Qt::ItemFlags ColumnSettingsProxyModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QIdentityProxyModel::flags(index);
    if (const Settings* s = index.isValid() ? settingsOf(index.column()) : nullptr;
        s && s->readOnly)
        f &= ~Qt::ItemIsEditable;
    return f;
}

QVariant ColumnSettingsProxyModel::headerData(int section, Qt::Orientation orientation,
                                              int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (const Settings* s = settingsOf(section); s && !s->caption.isEmpty())
            return s->caption;
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}
