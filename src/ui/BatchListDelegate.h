#pragma once

#include <QStyledItemDelegate>

namespace fenwave {

// Draws the cells of the batch list, each column elided where it loses least: a file name in
// its middle, so that its folder and its own name both stay in sight; a status at its end, so
// that its key word ("Failed", "Skipped") always shows.
class BatchListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace fenwave
