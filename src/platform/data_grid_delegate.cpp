#include "data_grid_delegate.h"

#include "data/dataset.h"
#include "platform/grid_values.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDoubleValidator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTableView>

namespace {
constexpr int kKeyRole = Qt::UserRole + 1;

QComboBox* createLookup(QWidget* parent, const GridLookup& lookup)
{
    auto* combo = new QComboBox(parent);
    auto* model = new QStandardItemModel(combo);
    const Dataset* ds = lookup.dataset;
    QStringList fields = lookup.shownFields;
    QStringList captions = lookup.captions;
    for (qsizetype i = captions.size(); i < fields.size(); ++i)
        captions << fields[i];
    int shownColumn = int(fields.indexOf(lookup.displayField));
    const bool extra = shownColumn < 0;
    if (extra) { // the text the cell shows, kept out of sight
        shownColumn = int(fields.size());
        fields << lookup.displayField;
        captions << lookup.displayField;
    }
    model->setHorizontalHeaderLabels(captions);
    const int key = ds ? ds->fieldIndex(lookup.keyField) : -1;
    for (int r = 0; ds && key >= 0 && r < ds->rowCount(); ++r) {
        QList<QStandardItem*> items;
        for (const QString& f : std::as_const(fields)) {
            auto* item =
                new QStandardItem(GridValues::displayText(ds->value(r, ds->fieldIndex(f))));
            item->setEditable(false);
            items << item;
        }
        items.front()->setData(ds->value(r, key), kKeyRole);
        model->appendRow(items);
    }
    combo->setModel(model);
    auto* table = new QTableView(combo);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    combo->setView(table);
    if (extra)
        table->setColumnHidden(shownColumn, true);
    table->resizeColumnsToContents();
    int width = 24; // room for the scroll bar
    for (int c = 0; c < model->columnCount(); ++c)
        width += table->isColumnHidden(c) ? 0 : table->columnWidth(c) + 8;
    table->setMinimumWidth(width);
    combo->setModelColumn(shownColumn);
    return combo;
}

int lookupRowOf(const QComboBox* combo, const QVariant& value)
{
    const QString wanted = GridValues::key(value);
    if (wanted.isEmpty())
        return -1;
    const QAbstractItemModel* model = combo->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (GridValues::key(model->index(r, 0).data(kKeyRole)) == wanted)
            return r;
    }
    return -1;
}

bool isIntegral(const QVariant& v)
{
    return GridValues::isNumber(v) && v.metaType().id() != QMetaType::Double &&
           v.metaType().id() != QMetaType::Float;
}
} // namespace

GridDelegate::GridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const
{
    const GridColumn column = columnOf(index);
    QWidget* editor = nullptr;
    switch (column.editor) {
    case GridEditor::Text:
        editor = new QLineEdit(parent);
        break;
    case GridEditor::Number: {
        auto* line = new QLineEdit(parent);
        auto* validator = new QDoubleValidator(line);
        validator->setLocale(QLocale::c());
        validator->setNotation(QDoubleValidator::StandardNotation);
        line->setValidator(validator);
        line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        editor = line;
        break;
    }
    case GridEditor::Date: {
        auto* date = new QDateEdit(parent);
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        editor = date;
        break;
    }
    case GridEditor::ListOnly:
    case GridEditor::PickList: {
        auto* combo = new QComboBox(parent);
        combo->addItems(column.items);
        if (column.editor == GridEditor::PickList) {
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
        }
        editor = combo;
        break;
    }
    case GridEditor::Lookup:
        editor = createLookup(parent, column.lookup);
        break;
    case GridEditor::Memo:
        editor = new QPlainTextEdit(parent);
        break;
    case GridEditor::Button: {
        // The "..." button sits inside the line edit, which stays the one focused widget.
        auto* line = new QLineEdit(parent);
        QPixmap dots(16, 16);
        dots.fill(Qt::transparent);
        {
            QPainter painter(&dots);
            painter.setPen(line->palette().color(QPalette::Text));
            painter.drawText(dots.rect(), Qt::AlignCenter, QStringLiteral("..."));
        }
        QAction* button = line->addAction(QIcon(dots), QLineEdit::TrailingPosition);
        button->setText(QStringLiteral("..."));
        const QPersistentModelIndex at(index);
        connect(button, &QAction::triggered, this,
                [this, at] { Q_EMIT const_cast<GridDelegate*>(this)->buttonClicked(at); });
        editor = line;
        break;
    }
    }
    editor->setAutoFillBackground(true);
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QVariant value = index.data(Qt::EditRole);
    const QString text = GridValues::displayText(value);
    switch (columnOf(index).editor) {
    case GridEditor::Text:
    case GridEditor::Number:
    case GridEditor::Button:
        static_cast<QLineEdit*>(editor)->setText(text);
        break;
    case GridEditor::Date:
        static_cast<QDateEdit*>(editor)->setDate(GridValues::isNull(value) ? QDate::currentDate()
                                                                           : value.toDate());
        break;
    case GridEditor::ListOnly: {
        auto* combo = static_cast<QComboBox*>(editor);
        combo->setCurrentIndex(combo->findText(text));
        break;
    }
    case GridEditor::PickList:
        static_cast<QComboBox*>(editor)->setCurrentText(text);
        break;
    case GridEditor::Lookup: {
        auto* combo = static_cast<QComboBox*>(editor);
        combo->setCurrentIndex(lookupRowOf(combo, value));
        break;
    }
    case GridEditor::Memo:
        static_cast<QPlainTextEdit*>(editor)->setPlainText(text);
        break;
    }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const
{
    const QVariant old = index.data(Qt::EditRole);
    switch (columnOf(index).editor) {
    case GridEditor::Text:
    case GridEditor::Button:
        write(model, index, static_cast<QLineEdit*>(editor)->text());
        break;
    case GridEditor::Number: {
        const auto* line = static_cast<QLineEdit*>(editor);
        if (line->text().trimmed().isEmpty()) {
            write(model, index, QVariant());
            break;
        }
        bool ok = false;
        const double number = QLocale::c().toDouble(line->text().trimmed(), &ok);
        if (!ok || !line->hasAcceptableInput())
            break; // half-typed ("-", "1e"): the cell keeps its value
        if (isIntegral(old) && number == double(qint64(number)))
            write(model, index, qint64(number));
        else
            write(model, index, number);
        break;
    }
    case GridEditor::Date: {
        const QDate date = static_cast<QDateEdit*>(editor)->date();
        write(model, index,
              old.metaType().id() == QMetaType::QDate ? QVariant(date)
                                                      : QVariant(QDateTime(date, QTime(0, 0))));
        break;
    }
    case GridEditor::ListOnly: {
        const auto* combo = static_cast<QComboBox*>(editor);
        if (combo->currentIndex() >= 0) // a value not in the list is never written
            write(model, index, combo->currentText());
        break;
    }
    case GridEditor::PickList:
        write(model, index, static_cast<QComboBox*>(editor)->currentText());
        break;
    case GridEditor::Lookup: {
        const auto* combo = static_cast<QComboBox*>(editor);
        if (combo->currentIndex() >= 0)
            write(model, index, combo->model()->index(combo->currentIndex(), 0).data(kKeyRole));
        break;
    }
    case GridEditor::Memo:
        write(model, index, static_cast<QPlainTextEdit*>(editor)->toPlainText());
        break;
    }
}

void GridDelegate::write(QAbstractItemModel* model, const QModelIndex& index,
                         const QVariant& value) const
{
    // Opening and leaving an editor is not a change (NULL stays NULL, not an empty text).
    const QVariant old = index.data(Qt::EditRole);
    if (GridValues::displayText(old) == GridValues::displayText(value))
        return;
    if (!model->setData(index, value, Qt::EditRole))
        Q_EMIT const_cast<GridDelegate*>(this)->editFailed(index);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QRect rect = option.rect;
    if (columnOf(index).editor == GridEditor::Memo) {
        // Several lines below the cell, kept inside the view.
        rect.setWidth(std::max(rect.width(), 260));
        rect.setHeight(std::max(rect.height() * 6, 120));
        if (const QWidget* area = editor->parentWidget()) {
            if (rect.bottom() > area->height())
                rect.moveBottom(std::max(area->height(), rect.height()) - 1);
            if (rect.right() > area->width())
                rect.moveRight(std::max(area->width(), rect.width()) - 1);
        }
    }
    editor->setGeometry(rect);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(QColor(208, 208, 208));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_rowColor) {
        const QColor color = m_rowColor(index);
        if (color.isValid())
            option->backgroundBrush = color;
    }
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
            !(key->modifiers() & Qt::AltModifier) && !qobject_cast<QPlainTextEdit*>(editor)) {
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
            Q_EMIT rowMoveRequested(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
        // Qt leaves Tab to text edits; in a memo cell it moves on, as in every other cell.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            qobject_cast<QPlainTextEdit*>(editor)) {
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, key->key() == Qt::Key_Tab
                                           ? QAbstractItemDelegate::EditNextItem
                                           : QAbstractItemDelegate::EditPreviousItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
