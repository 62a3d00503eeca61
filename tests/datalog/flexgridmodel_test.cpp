// The data table's grid: grid row numbering over a store kept oldest first,
// the grid operations' effects on counts and texts, and the model signals a
// view relies on (checked by Qt's model tester on every change).
#include "datalog/flexgridmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// Collects the model tester's complaints instead of letting them scroll by.
class ModelTesterLog
{
public:
    ModelTesterLog()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&ModelTesterLog::handle);
    }
    ~ModelTesterLog() { qInstallMessageHandler(m_previous); }
    const QStringList &messages() const { return s_messages; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type != QtDebugMsg && QLatin1String(context.category) == QLatin1String("qt.modeltest"))
            s_messages << text;
    }
    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

// A grid with a model tester attached for the whole test.
class FlexGridTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        EXPECT_TRUE(log.messages().isEmpty()) << log.messages().join(u'\n').toStdString();
    }

    // Inserts readings 1..n the way the receive path does: a row at 1, then its cells.
    void addReadings(int n)
    {
        for (int i = 1; i <= n; ++i) {
            grid.addItem(QString::number(i), 1);
            grid.setText(1, 2, QStringLiteral("d%1").arg(i));
        }
    }

    QStringList column(int col) const
    {
        QStringList texts;
        for (int row = 0; row < grid.rows(); ++row)
            texts << grid.text(row, col);
        return texts;
    }

    ModelTesterLog log;
    FlexGridModel grid;
    QAbstractItemModelTester tester{&grid, QAbstractItemModelTester::FailureReportingMode::Warning};
};

TEST_F(FlexGridTest, RowOneIsAlwaysTheNewestAndTheLastRowStaysEmpty)
{
    EXPECT_EQ(column(0), (QStringList{"NO.", ""}));
    EXPECT_EQ(grid.cols(), 5);
    addReadings(3);
    EXPECT_EQ(grid.rows(), 5);
    EXPECT_EQ(column(0), (QStringList{"NO.", "3", "2", "1", ""}));
    EXPECT_EQ(column(2), (QStringList{"", "d3", "d2", "d1", ""}));
    // The view sees grid row r as its row r - 1, the heading as its header.
    EXPECT_EQ(grid.index(0, 0).data().toString(), QStringLiteral("3"));
    EXPECT_EQ(grid.index(2, 2).data().toString(), QStringLiteral("d1"));
    EXPECT_TRUE(grid.index(3, 0).data().toString().isEmpty());
}

TEST_F(FlexGridTest, InsertionAndCellWritesSignalTheViewRows)
{
    addReadings(2);
    QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    QSignalSpy heading(&grid, &QAbstractItemModel::headerDataChanged);

    grid.addItem(QStringLiteral("3"), 1);
    grid.setText(1, 4, QStringLiteral("t"));
    grid.setText(0, 3, QStringLiteral("UNIT"));

    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 0);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), grid.index(0, 4));
    ASSERT_EQ(heading.size(), 1);
    EXPECT_EQ(grid.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("UNIT"));
}

TEST_F(FlexGridTest, AddItemAtOtherPositionsMovesTheRowsBelowDown)
{
    addReadings(3); // NO., 3, 2, 1, ""
    grid.addItem(QStringLiteral("mid"), 2);
    grid.addItem(QStringLiteral("bottom"), grid.rows());
    grid.addItem(QStringLiteral("heading"), 0); // the heading row stays row 0
    grid.addItem(QStringLiteral("beyond"), grid.rows() + 1);
    EXPECT_EQ(column(0), (QStringList{"NO.", "3", "mid", "2", "1", "", "bottom"}));
}

TEST_F(FlexGridTest, RowsDropsBottomRowsAndAddsEmptyOnes)
{
    addReadings(3);
    grid.setRows(3);
    EXPECT_EQ(column(0), (QStringList{"NO.", "3", "2"}));
    grid.setRows(5);
    EXPECT_EQ(column(0), (QStringList{"NO.", "3", "2", "", ""}));
    EXPECT_EQ(column(2), (QStringList{"", "d3", "d2", "", ""}));
    grid.setRows(2);
    EXPECT_EQ(column(0), (QStringList{"NO.", "3"}));
    grid.setRows(0); // the heading row is fixed
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_EQ(grid.rowCount(), 0);
    grid.addItem(QStringLiteral("1"), 1);
    EXPECT_EQ(column(0), (QStringList{"NO.", "1"}));
}

TEST_F(FlexGridTest, ColsDropsRightColumnsAndAddsEmptyOnes)
{
    addReadings(1);
    grid.setText(0, 4, QStringLiteral("TIME"));
    grid.setCols(3);
    EXPECT_EQ(grid.cols(), 3);
    EXPECT_EQ(grid.columnCount(), 3);
    EXPECT_EQ(grid.text(1, 2), QStringLiteral("d1"));
    EXPECT_TRUE(grid.text(1, 3).isEmpty());
    grid.setCols(5);
    EXPECT_TRUE(grid.text(0, 4).isEmpty());
    EXPECT_EQ(grid.text(1, 0), QStringLiteral("1"));
    grid.setCols(0); // the fixed column stays
    EXPECT_EQ(grid.cols(), 1);
    EXPECT_EQ(grid.text(0, 0), QStringLiteral("NO."));
}

TEST_F(FlexGridTest, ClearEmptiesEveryCellAndKeepsTheCounts)
{
    addReadings(3);
    grid.setText(0, 1, QStringLiteral("FUN"));
    grid.clear();
    EXPECT_EQ(grid.rows(), 5);
    EXPECT_EQ(grid.cols(), 5);
    for (int row = 0; row < grid.rows(); ++row)
        for (int col = 0; col < grid.cols(); ++col)
            EXPECT_TRUE(grid.text(row, col).isEmpty()) << row << "," << col;
    EXPECT_TRUE(grid.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString().isEmpty());
}

TEST_F(FlexGridTest, TextArrayIndexIsRowTimesColumnCountPlusColumn)
{
    addReadings(2);
    struct Case
    {
        int cols;
        int index;
        int row;
        int col;
    };
    const Case cases[] = {{5, 0, 0, 0},  {5, 4, 0, 4}, {5, 5, 1, 0}, {5, 7, 1, 2},
                          {5, 14, 2, 4}, {3, 7, 2, 1}, {3, 3, 1, 0}};
    for (const Case &c : cases) {
        grid.setCols(c.cols);
        grid.setTextArray(c.index, QStringLiteral("x"));
        EXPECT_EQ(grid.text(c.row, c.col), QStringLiteral("x")) << c.cols << " cols, index " << c.index;
        grid.setText(c.row, c.col, QString());
    }
    // Indices beyond the grid change nothing.
    grid.setCols(5);
    grid.setTextArray(-1, QStringLiteral("x"));
    grid.setTextArray(grid.rows() * 5, QStringLiteral("x"));
    grid.setText(1, 5, QStringLiteral("x"));
    for (int col = 0; col < grid.cols(); ++col)
        EXPECT_FALSE(column(col).contains(QStringLiteral("x"))) << col;
}

TEST(FlexGridFull, InsertionAtRowOneWithFiftyThousandRowsKeepsOrderAndMapping)
{
    FlexGridModel grid;
    for (int n = 1; n <= 50000; ++n) {
        grid.addItem(QString::number(n), 1);
        grid.setText(1, 4, QStringLiteral("t%1").arg(n));
    }
    ASSERT_EQ(grid.rows(), 50002);
    EXPECT_EQ(grid.text(1, 0), QStringLiteral("50000"));
    EXPECT_EQ(grid.text(25000, 0), QStringLiteral("25001"));
    EXPECT_EQ(grid.text(50000, 0), QStringLiteral("1"));
    EXPECT_EQ(grid.text(50000, 4), QStringLiteral("t1"));
    EXPECT_TRUE(grid.text(50001, 0).isEmpty());
    EXPECT_EQ(grid.index(0, 4).data().toString(), QStringLiteral("t50000"));
    EXPECT_EQ(grid.index(49999, 0).data().toString(), QStringLiteral("1"));

    QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
    grid.addItem(QStringLiteral("50001"), 1);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(grid.text(1, 0), QStringLiteral("50001"));
    EXPECT_EQ(grid.text(2, 0), QStringLiteral("50000"));
    EXPECT_EQ(grid.text(50001, 0), QStringLiteral("1"));

    // The reset of a full table leaves the heading row and one empty row.
    grid.clear();
    grid.setRows(2);
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_TRUE(grid.text(1, 0).isEmpty());
}

} // namespace
