#include "key_index.h"

#include "data/dataset.h"

#include <cmath>

KeyIndex::KeyIndex(const Dataset& dataset, int keyField)
{
    // Backwards, so that of equal keys the first row is written last and stays.
    m_rows.reserve(dataset.rowCount());
    for (int r = dataset.rowCount() - 1; r >= 0; --r) {
        QString key = keyText(dataset.cell(r, keyField));
        if (!key.isEmpty())
            m_rows.insert(std::move(key), r);
    }
}

QString KeyIndex::keyText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.metaType().id() == QMetaType::Double) {
        const double d = value.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return value.toString().trimmed();
}

int KeyIndex::find(const QString& key) const
{
    return key.isEmpty() ? -1 : m_rows.value(key, -1);
}

void KeyIndex::add(const QString& key, int row)
{
    if (!key.isEmpty() && !m_rows.contains(key))
        m_rows.insert(key, row);
}
