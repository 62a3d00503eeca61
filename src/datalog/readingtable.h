#pragma once

#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTableView>

#include <vector>

// The data table's view. Every reading inserts a row at the top, which moves
// every row on screen down by one; a plain table view answers that by
// painting all of them again. Here, while the view shows the top, the rows on
// screen move down as pixels (the backing store scrolls them) and only the
// new top row is painted. Anything else that changes the rows (a reset,
// removed rows, cells changed below the top row) is painted the usual way.
class ReadingTable : public QTableView
{
    Q_OBJECT
public:
    explicit ReadingTable(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // Call just before inserting one row at the top. With the view showing
    // the top row, the rows on screen move down one row now and the view
    // leaves the rest of the insertion to that move.
    void prepareTopRowInsertion();

protected:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void doItemsLayout() override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void leaveRepaintToView() { m_moveAwaited = m_layoutAfterMove = false; }

    std::vector<QMetaObject::Connection> m_modelConnections;
    bool m_moveAwaited = false;     // prepared: the next insertion at row 0 moves the rows
    bool m_layoutAfterMove = false; // moved: the coming layout needs no full repaint
};

// A scroll bar that repaints only when what it shows changes. A table of
// 50000 rows that grows by one has the same handle at the same place; a plain
// scroll bar paints itself (and the window background under it) anyway.
class SteadyScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit SteadyScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What a paint of the bar depends on besides its size, focus and hover.
    struct Look
    {
        QRect slider, addPage, subPage;
        bool atMinimum = false, atMaximum = false, noRange = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const;

    Look m_painted;
    bool m_everPainted = false;
};
