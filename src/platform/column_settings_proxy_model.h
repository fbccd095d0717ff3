#pragma once

#include "platform/grid_column.h"

#include <QHash>
#include <QIdentityProxyModel>
#include <QList>
#include <QPointer>

#include <vector>

// Applies the grid's column settings to a flat model whose horizontal header gives field
// names: the caption as header, the text a cell shows (lookups resolved, dates and numbers
// formatted) as DisplayRole, right alignment for numbers, and read-only columns. EditRole
// stays the stored value. Lookup texts are cached and rebuilt when the lookup dataset
// changes. Rows and columns are the source's, unchanged.
class ColumnSettingsProxyModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    explicit ColumnSettingsProxyModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    void setColumns(const QList<GridColumn>& columns);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The source column of a field (ignoring case); -1 when absent.
    int columnOf(const QString& field) const;

private:
    struct Lookup
    {
        QPointer<Dataset> dataset;
        QString keyField;
        QString displayField;
        QHash<QString, QString> texts; // key -> display text
        bool stale = true;
    };
    struct Settings
    {
        QString caption;
        bool readOnly = false;
        int lookup = -1; // into m_lookups
        std::function<QString(const QVariant&)> displayText;
    };

    const Settings* settingsOf(int column) const;
    const QHash<QString, QString>& lookupTexts(int lookup) const;
    void lookupChanged(int lookup);

    QList<GridColumn> m_columns;
    mutable std::vector<Lookup> m_lookups;
    mutable std::vector<int> m_byColumn; // source column -> index into m_settings, -1 none
    mutable bool m_columnsStale = true;
    std::vector<Settings> m_settings;
    QList<QMetaObject::Connection> m_lookupConnections;
};
