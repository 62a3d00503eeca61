// The data table window: its state after creation, the rows the receive path
// inserts, and the toolbar commands with their dialogs, files and the
// reception restart that follows "save", "to_xls" and "print".
#include "datalog/dataform.h"
#include "graph/trendview.h"

#include "datalog/datafiles.h"
#include "datalog/flexgridmodel.h"
#include "datalog/readingtable.h"
#include "display/showform.h"
#include "graph/graphlink.h"
#include "platform/chartsurface.h"
#include "platform/dialogs.h"
#include "platform/timetexts.h"
#include "support/recordingprint.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QDateTime kClock(QDate(2026, 12, 9), QTime(14, 3, 9));
const QDateTime kLaterClock(QDate(2026, 12, 10), QTime(8, 15, 42));

// Scripted dialogs that can run something while the save dialog is open.
class DialogsWithHook : public ScriptedDialogs
{
public:
    std::function<void()> whileSaveDialogOpen;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override
    {
        if (whileSaveDialogOpen)
            whileSaveDialogOpen();
        return ScriptedDialogs::saveFileName(parent, title, filter);
    }
};

bool holdsColour(const QImage &image, QColor colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DataFormTest : public ::testing::Test
{
protected:
    DataFormTest()
    {
        TimeTexts::setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        TimeTexts::setClock([this] { return clock; });
        form = std::make_unique<DataForm>(state, trend, dialogs);
        QObject::connect(form.get(), &DataForm::receptionRestartRequested, [this] { ++restarts; });
    }
    ~DataFormTest() override
    {
        form.reset();
        TimeTexts::setClock({});
        TimeTexts::setLocale(QLocale::system());
    }

    // What the receive path does with one reading: the counter, a row at
    // position 1, its four cells, and the record.
    void receive(const QString &function, const QString &data, const QString &unit, double value)
    {
        const QString time = TimeTexts::recordTime(TimeTexts::now());
        const int n = state.append({0, value, function, time, unit, data});
        form->Label4->setText(QString::number(n));
        FlexGridModel &grid = *form->grid;
        grid.addItem(QString::number(n), 1);
        grid.setText(1, 1, function);
        grid.setText(1, 2, data);
        grid.setText(1, 3, unit);
        grid.setText(1, 4, time);
    }

    void receiveThree()
    {
        receive(QStringLiteral("VDC"), QStringLiteral("12.345"), QStringLiteral("V"), 12.345);
        receive(QStringLiteral("VAC"), QStringLiteral("-0.50"), QStringLiteral("mV"), -0.5);
        receive(QStringLiteral("Resistance"), QStringLiteral(".OL"), QStringLiteral("KΩ"), 40.0);
    }

    QStringList column(int col) const
    {
        QStringList texts;
        for (int row = 0; row < form->grid->rows(); ++row)
            texts << form->grid->text(row, col);
        return texts;
    }

    QStringList headings() const
    {
        QStringList texts;
        for (int col = 0; col < form->grid->cols(); ++col)
            texts << form->grid->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
        return texts;
    }

    std::span<const MeasurementRecord> records() const
    {
        return {state.gRecords.data(), static_cast<std::size_t>(state.gRecordCount())};
    }

    QByteArray expectedTextLog() const
    {
        QByteArray log =
            datafiles::textTitleLine(kTitleSave, TimeTexts::dateText(clock), TimeTexts::timeText(clock));
        log += "\r\n";
        for (const MeasurementRecord &record : records())
            log += datafiles::textRecordLine(record);
        return log;
    }

    QByteArray expectedCsvLog() const
    {
        QByteArray log = datafiles::csvHeaderLine();
        for (const MeasurementRecord &record : records())
            log += datafiles::csvRecordLine(record);
        return log;
    }

    const QStringList kHeadings{"NO.", "FUN", "DATA", "UNIT", "TIME"};
    QDateTime clock = kClock;
    SharedState state;
    NoGraphWindow noGraph;
    TrendView trend{state, noGraph};
    DialogsWithHook dialogs;
    std::unique_ptr<DataForm> form;
    int restarts = 0;
    QTemporaryDir dir;
};

TEST_F(DataFormTest, CreationShowsHeadingsOneEmptyRowCounterAndClock)
{
    EXPECT_EQ(form->size(), QSize(438, 600));
    EXPECT_EQ(form->pos(), QPoint(500, 40));
    EXPECT_EQ(form->grid->rows(), 2);
    EXPECT_EQ(form->grid->cols(), 5);
    EXPECT_EQ(headings(), kHeadings);
    EXPECT_EQ(column(0), (QStringList{"NO.", ""}));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("DataNo."));
    EXPECT_EQ(form->Label4->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("MAX:  50000"));
    EXPECT_EQ(form->Label1->text(), TimeTexts::dateText(kClock) + u' ' + TimeTexts::timeText(kClock));
    EXPECT_EQ(form->Label1->y(), 581); // 8640 + 80 twips
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);

    // The toolbar's buttons in order, with their keys and tooltips.
    QStringList keys, tips;
    for (QAction *action : form->Toolbar1->actions()) {
        keys << action->data().toString();
        tips << action->toolTip();
    }
    EXPECT_EQ(keys, (QStringList{"new", "save", "to_xls", "print"}));
    EXPECT_EQ(tips, (QStringList{"New", "Save", "Save as CSV", "Print"}));
}

TEST_F(DataFormTest, ClockTickShowsTheCurrentDateAndTime)
{
    clock = kLaterClock;
    form->Timer1_Timer();
    EXPECT_EQ(form->Label1->text(), TimeTexts::clockText(kLaterClock));
}

TEST_F(DataFormTest, ReadingsAppearNewestFirstAboveOneEmptyRow)
{
    receiveThree();
    EXPECT_EQ(form->grid->rows(), 5);
    EXPECT_EQ(column(0), (QStringList{"NO.", "3", "2", "1", ""}));
    EXPECT_EQ(column(1), (QStringList{"FUN", "Resistance", "VAC", "VDC", ""}));
    EXPECT_EQ(column(3), (QStringList{"UNIT", "KΩ", "mV", "V", ""}));
    // The view's first row is the newest reading.
    const QAbstractItemModel *model = form->MSFlexGrid1->model();
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("3"));
    EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral(".OL"));
    EXPECT_EQ(model->index(2, 2).data().toString(), QStringLiteral("12.345"));
    EXPECT_EQ(form->MSFlexGrid1->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

TEST_F(DataFormTest, NewEmptiesTheLogResetsTheTableAndRedrawsTheDisplayChart)
{
    ShowForm show(state, trend);
    const QColor trace(0xFF, 0x00, 0xFF);
    for (const bool withReadings : {true, false}) {
        SCOPED_TRACE(withReadings ? "with readings" : "empty store");
        if (withReadings)
            receiveThree();
        form->grid->setTextArray(2, QStringLiteral("stale"));
        state.gViewBrowsing = true;
        show.Picture1->drawLine({0, 10}, {50, 10}, trace);
        ASSERT_TRUE(holdsColour(show.Picture1->image(), trace));

        form->Toolbar1_ButtonClick(QStringLiteral("new"));

        EXPECT_EQ(state.gRecordCount(), 0);
        EXPECT_FALSE(state.gViewBrowsing);
        EXPECT_EQ(form->grid->rows(), 2);
        EXPECT_EQ(form->grid->cols(), 5);
        EXPECT_EQ(headings(), kHeadings);
        for (int col = 0; col < 5; ++col)
            EXPECT_TRUE(form->grid->text(1, col).isEmpty()) << col;
        EXPECT_EQ(form->Label4->text(), QStringLiteral("0"));
        EXPECT_FALSE(holdsColour(show.Picture1->image(), trace)); // erased, drawn without a trace
        EXPECT_TRUE(dialogs.asked.isEmpty());
        EXPECT_EQ(restarts, 0); // "new" leaves reception alone
    }
    // The next reading is number 1 at row 1.
    receive(QStringLiteral("VDC"), QStringLiteral("1.000"), QStringLiteral("V"), 1.0);
    EXPECT_EQ(column(0), (QStringList{"NO.", "1", ""}));
    EXPECT_EQ(state.gRecords[0].number, 1);
}

TEST_F(DataFormTest, ToolbarButtonsDispatchTheirKeys)
{
    receiveThree();
    QAction *newAction = form->Toolbar1->actions().value(0);
    ASSERT_NE(newAction, nullptr);
    newAction->trigger();
    EXPECT_EQ(state.gRecordCount(), 0);

    receiveThree();
    form->Toolbar1->actions().value(1)->trigger();
    EXPECT_EQ(dialogs.asked, (QStringList{"save:Save|text files (*.txt)|*.txt"}));
    EXPECT_EQ(restarts, 1);
}

TEST_F(DataFormTest, KeysThatMatchNoCommandExactlyDoNothing)
{
    receiveThree();
    for (const char *key : {"New", "SAVE", "To_xls", "Print", "", "new ", "xls"}) {
        form->Toolbar1_ButtonClick(QString::fromLatin1(key));
        EXPECT_EQ(state.gRecordCount(), 3) << key;
    }
    EXPECT_EQ(form->grid->rows(), 5);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(restarts, 0);
}

TEST_F(DataFormTest, LogCommandsWithAnEmptyStoreDoNothingAtAll)
{
    for (const char *key : {"save", "to_xls", "print"})
        form->Toolbar1_ButtonClick(QString::fromLatin1(key));
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(restarts, 0);
}

TEST_F(DataFormTest, CancelledSaveWritesNothingAndRestartsReception)
{
    receiveThree();
    struct Case
    {
        const char *key;
        const char *asked;
    };
    const Case cases[] = {{"save", "save:Save|text files (*.txt)|*.txt"},
                          {"to_xls", "save:Save|csv files (*.csv)|*.csv"}};
    for (const Case &c : cases) {
        dialogs.asked.clear();
        restarts = 0;
        form->Toolbar1_ButtonClick(QString::fromLatin1(c.key));
        EXPECT_EQ(dialogs.asked, QStringList{QString::fromUtf8(c.asked)}) << c.key;
        EXPECT_EQ(restarts, 1) << c.key;
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(state.gRecordCount(), 3);
}

TEST_F(DataFormTest, SaveCommandsWriteTheWholeLogAndKeepIt)
{
    receiveThree();
    struct Case
    {
        const char *key;
        const char *file;
        bool csv;
        const char *firstBytes;
    };
    const Case cases[] = {
        {"save", "log.txt", false, "Quenvo  Data Logger "},
        {"to_xls", "log.csv", true, "\"NO.\",\"FUN\",\"DATA\",\"UNIT\",\"TIME\"\r\n1,\"VDC\",12.345,\"V\","},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        restarts = 0;
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        dialogs.fileNames.push_back(path);

        form->Toolbar1_ButtonClick(QString::fromLatin1(c.key));

        const QByteArray content = contentOf(path);
        EXPECT_EQ(content, c.csv ? expectedCsvLog() : expectedTextLog());
        EXPECT_TRUE(content.startsWith(c.firstBytes)) << content.left(80).constData();
        EXPECT_EQ(restarts, 1);
        // Saving never empties the log.
        EXPECT_EQ(state.gRecordCount(), 3);
        EXPECT_EQ(form->grid->rows(), 5);
        EXPECT_EQ(form->Label4->text(), QStringLiteral("3"));
    }
}

TEST_F(DataFormTest, SavedLogHoldsReadingsLoggedWhileTheDialogWasOpen)
{
    receiveThree();
    clock = kLaterClock; // the title's date and time are read after the dialog too
    dialogs.whileSaveDialogOpen = [this] {
        receive(QStringLiteral("VDC"), QStringLiteral("2.000"), QStringLiteral("V"), 2.0);
    };
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    dialogs.fileNames.push_back(path);

    form->Toolbar1_ButtonClick(QStringLiteral("save"));

    EXPECT_EQ(state.gRecordCount(), 4);
    EXPECT_EQ(contentOf(path), expectedTextLog());
}

TEST_F(DataFormTest, UnwritableFileIsReportedAndReceptionStillRestarts)
{
    receiveThree();
    const QString missingFolder = dir.filePath(QStringLiteral("no such folder/log.txt"));
    struct Case
    {
        const char *key;
        QString path;
    };
    const Case cases[] = {{"save", missingFolder}, {"to_xls", missingFolder}, {"save", dir.path()}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        dialogs.asked.clear();
        restarts = 0;
        dialogs.fileNames.push_back(c.path);

        form->Toolbar1_ButtonClick(QString::fromLatin1(c.key));

        ASSERT_EQ(dialogs.asked.size(), 2);
        const QString told = dialogs.asked[1];
        EXPECT_TRUE(told.startsWith(QStringLiteral("tell:") + DataForm::kSaveFailedText + u'|'))
            << told.toStdString();
        const QString detail = told.section(u'|', 1);
        // "<path>: <reason>. Choose another folder or file name."
        const QString advice = QStringLiteral(". Choose another folder or file name.");
        EXPECT_TRUE(detail.startsWith(c.path + QStringLiteral(": "))) << detail.toStdString();
        EXPECT_TRUE(detail.endsWith(advice)) << detail.toStdString();
        const QString reason = detail.mid(c.path.size() + 2).chopped(advice.size());
        EXPECT_FALSE(reason.trimmed().isEmpty() || reason.endsWith(u'.')) << detail.toStdString();
        EXPECT_EQ(restarts, 1);
        EXPECT_EQ(state.gRecordCount(), 3);
        EXPECT_EQ(form->grid->rows(), 5);
    }
}

TEST_F(DataFormTest, PrintPrintsTheWholeLogAndRestartsReception)
{
    recordingprint::Kept kept;
    form->setPrintSurfaceFactory(recordingprint::factory(kept));
    receiveThree();
    form->Toolbar1->actions().value(3)->trigger();
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(restarts, 1);
    ASSERT_EQ(kept.surfacesMade, 1);
    EXPECT_TRUE(kept.documentEnded);
    QStringList texts;
    for (const auto &e : kept.entries)
        if (e.step.kind == printing::PrintStep::Kind::Text && e.step.y == 2400)
            texts << e.step.text;
    // The third record line: the over-range reading, stored captions unchanged.
    EXPECT_EQ(texts, (QStringList{" 3 ", "Resistance", ".OL", "KΩ", records()[2].time}));
    EXPECT_EQ(kept.entries[kept.entries.size() - 2].step.text,
              QStringLiteral("Page 1   (%1)").arg(TimeTexts::dateText(clock)));
}

TEST_F(DataFormTest, PrintWithAnEmptyStoreMakesNoSurface)
{
    recordingprint::Kept kept;
    form->setPrintSurfaceFactory(recordingprint::factory(kept));
    form->Toolbar1_ButtonClick(QStringLiteral("print"));
    EXPECT_EQ(kept.surfacesMade, 0);
    EXPECT_EQ(restarts, 0);
}

TEST_F(DataFormTest, PrintFailingAtAnyStepTellsOnceAndChangesNothing)
{
    receiveThree();
    recordingprint::Kept complete;
    form->setPrintSurfaceFactory(recordingprint::factory(complete));
    form->printDataReport();
    const int steps = complete.stepsAsked;
    ASSERT_GT(steps, 20);
    const QStringList numbers = column(0);
    for (int k = 1; k <= steps; ++k) {
        SCOPED_TRACE(k);
        recordingprint::Kept kept;
        kept.failAt = k;
        form->setPrintSurfaceFactory(recordingprint::factory(kept));
        dialogs.asked.clear();
        restarts = 0;
        form->Toolbar1_ButtonClick(QStringLiteral("print"));
        EXPECT_EQ(dialogs.asked,
                  QStringList{QStringLiteral("tell:print data error!|step %1 refused").arg(k)});
        EXPECT_EQ(kept.entries.size(), std::size_t(k - 1)); // nothing after the failing step
        EXPECT_FALSE(kept.documentEnded);
        EXPECT_EQ(restarts, 1);
        EXPECT_EQ(state.gRecordCount(), 3);
        EXPECT_EQ(column(0), numbers);
        EXPECT_EQ(form->Label4->text(), QStringLiteral("3"));
    }
}

} // namespace

// Scrolled back, the rows on screen stay while readings arrive; at the top
// the view follows the newest row.
TEST_F(DataFormTest, ScrolledBackTheRowsOnScreenStayWhileReadingsArrive)
{
    form->show();
    auto add = [this](int count) {
        for (int i = 0; i < count; ++i) {
            form->insertReadingRow(state.nextNumber());
            state.append(
                {0, 1.0, QStringLiteral("VDC"), QString(), QStringLiteral("V"), QStringLiteral("1.000")});
            QCoreApplication::processEvents();
        }
    };
    auto topNumber = [this] {
        QTableView *view = form->MSFlexGrid1;
        return view->indexAt(QPoint(5, 5)).siblingAtColumn(0).data().toString();
    };
    add(200);
    EXPECT_EQ(topNumber(), "200");

    form->MSFlexGrid1->verticalScrollBar()->setValue(60);
    QCoreApplication::processEvents();
    const QString before = topNumber();
    ASSERT_NE(before, "200");
    add(200);
    EXPECT_EQ(topNumber(), before);
    EXPECT_GE(form->MSFlexGrid1->verticalScrollBar()->maximum(), 350);

    form->MSFlexGrid1->verticalScrollBar()->setValue(0);
    add(3);
    EXPECT_EQ(topNumber(), "403");
}
