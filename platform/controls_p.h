#pragma once

// Pieces the tree view and the list view share: their errors, the drop highlight and the label
// editing that lets the after-edit handler refuse a new label.

#include "platform/controls_base.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>

namespace controls::detail {

[[noreturn]] inline void elementNotFound() {
    throw mrv::Error(errElementNotFound, "Element not found");
}
[[noreturn]] inline void keyNotUnique() {
    throw mrv::Error(errKeyNotUnique, "Key is not unique in collection");
}

// True for a node or row drawn as the drop target.
inline constexpr int DropHighlightRole = Qt::UserRole + 1;

// Sends a finished label edit to its control instead of writing it to the model, so that the
// after-edit handler can refuse it; also draws the drop highlight as a selection and keeps the
// selection on the label column when whole-row selection is off.
class LabelDelegate : public QStyledItemDelegate {
public:
    LabelDelegate(QObject* parent, std::function<void(const QModelIndex&, const QString&)> commit,
                  std::function<bool()> fullRow = {})
        : QStyledItemDelegate(parent), m_commit(std::move(commit)), m_fullRow(std::move(fullRow)) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor)) m_commit(index, line->text());
    }

    // A row without a picture is as tall as one with: with uniform row heights the first row sets
    // them all, and a first row without a picture would cut the pictures of the rest.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        QStyleOptionViewItem withPicture = option;
        initStyleOption(&withPicture, index);
        if (!(withPicture.features & QStyleOptionViewItem::HasDecoration) &&
            option.decorationSize.isValid()) {
            withPicture.features |= QStyleOptionViewItem::HasDecoration;
            const QWidget* view = option.widget;
            const QStyle* style = view ? view->style() : QApplication::style();
            size.setHeight(std::max(
                size.height(),
                style->sizeFromContents(QStyle::CT_ItemViewItem, &withPicture, QSize(), view).height()));
        }
        // A cell of a gridded list never overlaps its neighbours (its text is cut short instead).
        if (const auto* list = qobject_cast<const QListView*>(option.widget);
            list && list->gridSize().isValid())
            size = size.boundedTo(list->gridSize() - QSize(2 * list->spacing(), 2 * list->spacing()));
        return size;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(DropHighlightRole).toBool()) option->state |= QStyle::State_Selected;
        if (index.column() > 0 && m_fullRow && !m_fullRow()) option->state &= ~QStyle::State_Selected;
    }

private:
    std::function<void(const QModelIndex&, const QString&)> m_commit;
    std::function<bool()> m_fullRow;
};

// Whether an edit call would open an editor now, so that the before-edit event is asked once
// and only then. Selected-click editing arrives here later as AllEditTriggers from Qt's timer.
inline bool opensEditor(const QModelIndex& index, QAbstractItemView::EditTrigger trigger,
                        QAbstractItemView::EditTriggers enabled, bool editing) {
    if (!index.isValid() || editing) return false;
    return trigger == QAbstractItemView::AllEditTriggers ||
           (trigger == QAbstractItemView::EditKeyPressed && (enabled & QAbstractItemView::EditKeyPressed));
}

inline QAbstractItemView::EditTriggers triggersFor(LabelEditMode mode) {
    return mode == lvwAutomatic ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                                : QAbstractItemView::NoEditTriggers;
}

inline QPoint eventPos(QWidget* from, QWidget* to, QMouseEvent* event) {
    return from->mapTo(to, event->position().toPoint());
}

}  // namespace controls::detail
