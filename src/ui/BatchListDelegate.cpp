#include "ui/BatchListDelegate.h"

#include "ui/BatchJobModel.h"

namespace fenwave {

void BatchListDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool isName = index.column() == BatchJobModel::FileColumn || index.column() == BatchJobModel::OutputColumn;
    option->textElideMode = isName ? Qt::ElideMiddle : Qt::ElideRight;
}

} // namespace fenwave
