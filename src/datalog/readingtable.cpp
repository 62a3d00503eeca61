#include "datalog/readingtable.h"

#include <QHeaderView>

ReadingTable::ReadingTable(QWidget *parent) : QTableView(parent)
{
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, this));
}

void ReadingTable::setModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &c : m_modelConnections)
        disconnect(c);
    m_modelConnections.clear();
    QTableView::setModel(model);
    leaveRepaintToView();
    if (!model)
        return;
    // Changes that move or drop rows other than by one new top row leave the
    // repaint to the view.
    const auto fallback = [this] { leaveRepaintToView(); };
    m_modelConnections = {
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, fallback),
        connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, fallback),
        connect(model, &QAbstractItemModel::columnsAboutToBeInserted, this, fallback),
        connect(model, &QAbstractItemModel::columnsAboutToBeRemoved, this, fallback),
        connect(model, &QAbstractItemModel::columnsAboutToBeMoved, this, fallback),
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, fallback),
        connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, fallback),
    };
}

void ReadingTable::prepareTopRowInsertion()
{
    m_moveAwaited = false;
    // Rows of another height than the new one would get cannot be moved by one row.
    if (!model() || !isVisible() || !updatesEnabled() || verticalScrollBar()->value() != 0 ||
        (model()->rowCount() > 0 && rowHeight(0) != verticalHeader()->defaultSectionSize())) {
        leaveRepaintToView();
        return;
    }
    // A layout still pending runs now: the one after an earlier moved row
    // (readings faster than the paints) only sets the scroll bars, any other
    // repaints in full. The one this insertion causes is then the only one left.
    executeDelayedItemsLayout();
    leaveRepaintToView();
    m_moveAwaited = true;
}

void ReadingTable::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QTableView::rowsInserted(parent, start, end);
    if (!m_moveAwaited)
        return;
    m_moveAwaited = false;
    if (parent.isValid() || start != 0 || end != 0)
        return;
    // The rows on screen move down one row; the strip this uncovers at the
    // top is all that is left to paint (Qt marks it when it moves the pixels).
    viewport()->scroll(0, verticalHeader()->defaultSectionSize());
    m_layoutAfterMove = true;
}

void ReadingTable::doItemsLayout()
{
    if (!m_layoutAfterMove) {
        QTableView::doItemsLayout();
        return;
    }
    // The layout that follows the moved insertion: the scroll bars take the
    // new row count; the viewport already shows the rows where they now are.
    m_layoutAfterMove = false;
    updateGeometries();
    // The current cell's frame reaches over the grid lines around it, which
    // the moved pixels do not redraw: its row and a little round it are
    // painted again where it now stands.
    if (currentIndex().isValid()) {
        const QRect cell = visualRect(currentIndex());
        viewport()->update(QRect(0, cell.top() - 2, viewport()->width(), cell.height() + 4));
    }
}

void ReadingTable::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                               const QList<int> &roles)
{
    QTableView::dataChanged(topLeft, bottomRight, roles);
    // While the layout after a move is pending the view repaints no changed
    // cell itself: the new top row's are in the uncovered strip; any other
    // leaves the repaint of the whole viewport to that layout.
    if (m_layoutAfterMove && (topLeft.row() != 0 || bottomRight.row() != 0))
        leaveRepaintToView();
}

// ---------------------------------------------------------------- scroll bar

SteadyScrollBar::SteadyScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
}

SteadyScrollBar::Look SteadyScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QStyle *s = style();
    Look l;
    l.slider = s->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    l.addPage = s->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddPage, this);
    l.subPage = s->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubPage, this);
    l.atMinimum = option.sliderValue == option.minimum;
    l.atMaximum = option.sliderValue == option.maximum;
    l.noRange = option.minimum == option.maximum;
    return l;
}

void SteadyScrollBar::sliderChange(SliderChange change)
{
    // A change that leaves the painted bar as it is needs no paint; a paint
    // already pending shows the current state anyway.
    if (m_everPainted && change != SliderOrientationChange && look() == m_painted)
        return;
    QScrollBar::sliderChange(change);
}

void SteadyScrollBar::paintEvent(QPaintEvent *event)
{
    m_painted = look();
    m_everPainted = true;
    QScrollBar::paintEvent(event);
}
