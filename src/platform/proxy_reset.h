#pragma once

#include <QAbstractItemModel>
#include <QList>

#include <functional>

// For proxies that rebuild their mapping from scratch: connects the source's signals that
// reshape it (resets, moved rows, any column change; inserted and removed rows too unless the
// proxy follows those itself) to begin and end, which reset the proxy around a rebuild.
inline QList<QMetaObject::Connection> resetOnReshape(QAbstractItemModel* source, QObject* context,
                                                     const std::function<void()>& begin,
                                                     const std::function<void()>& end, bool rowsToo)
{
    using M = QAbstractItemModel;
    QList<QMetaObject::Connection> c;
    c << QObject::connect(source, &M::modelAboutToBeReset, context, begin);
    c << QObject::connect(source, &M::modelReset, context, end);
    if (rowsToo) {
        c << QObject::connect(source, &M::rowsAboutToBeInserted, context, begin);
        c << QObject::connect(source, &M::rowsInserted, context, end);
        c << QObject::connect(source, &M::rowsAboutToBeRemoved, context, begin);
        c << QObject::connect(source, &M::rowsRemoved, context, end);
    }
    c << QObject::connect(source, &M::rowsAboutToBeMoved, context, begin);
    c << QObject::connect(source, &M::rowsMoved, context, end);
    c << QObject::connect(source, &M::columnsAboutToBeInserted, context, begin);
    c << QObject::connect(source, &M::columnsInserted, context, end);
    c << QObject::connect(source, &M::columnsAboutToBeRemoved, context, begin);
    c << QObject::connect(source, &M::columnsRemoved, context, end);
    c << QObject::connect(source, &M::columnsAboutToBeMoved, context, begin);
    c << QObject::connect(source, &M::columnsMoved, context, end);
    return c;
}
