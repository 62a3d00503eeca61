#pragma once

#include "app/sharedstate.h"
#include "platform/printsurfaces.h"

#include <QWidget>

class QLabel;
class QTimer;
class QToolBar;
class QTableView;
class ReadingTable;
class Dialogs;
class FlexGridModel;
class TrendView;
struct Reading;

// The data table: the readings newest first, the reading counter with the
// store's capacity, a clock, and the toolbar with the log commands "new",
// "save", "to_xls" and "print". A 438 x 600 borderless child of the main window.
class DataForm : public QWidget
{
    Q_OBJECT
public:
    DataForm(SharedState &state, TrendView &trend, Dialogs &dialogs, QWidget *parent = nullptr);

    QToolBar *Toolbar1 = nullptr;
    QLabel *Label3 = nullptr; // "DataNo."
    QLabel *Label4 = nullptr; // reading counter
    QLabel *Label2 = nullptr; // "MAX:  50000"
    ReadingTable *MSFlexGrid1 = nullptr;
    FlexGridModel *grid = nullptr; // the table's cells
    QLabel *Label1 = nullptr;      // clock
    QTimer *Timer1 = nullptr;      // clock tick, 1000 ms

    // Toolbar dispatch by key, exact and case-sensitive.
    void Toolbar1_ButtonClick(const QString &key);
    void Timer1_Timer();

    // A new reading numbered n: the counter, and a new row 1 holding n.
    void insertReadingRow(std::int32_t n);
    // Row 1's FUN, DATA and UNIT cells from the reading (an unset column text
    // leaves its cell empty).
    void fillReadingRow(const Reading &reading);
    // Row 1's TIME cell.
    void setReadingTime(const QString &time);

    // Empties the log: the store, the table back to its heading row and one
    // empty row, the trend view following again with the display chart
    // redrawn, the counter at "0". Used by "new" and by the full store.
    void emptyLog();
    // Resets the table to its heading row and one empty row.
    void resetGrid();

    // The printed data report of the whole store on the default printer.
    // A failure is told once ("print data error!" and why); nothing in the
    // store, the table or the charts changes.
    void printDataReport();
    // Where "print" prints (the default printer unless set).
    void setPrintSurfaceFactory(printing::SurfaceFactory factory) { m_printSurface = std::move(factory); }

    static inline const QString kPrintErrorText = QStringLiteral("print data error!");

    // Fixed text of the message shown when a log file cannot be written; its
    // detail names the file and the reason.
    static inline const QString kSaveFailedText = QStringLiteral("The data could not be saved.");
    // The save dialog of every text-log save: its title and filter.
    static inline const QString kSaveDialogTitle = QStringLiteral("Save");
    static inline const QString kTextFilter = QStringLiteral("text files (*.txt)|*.txt");
    static inline const QString kCsvFilter = QStringLiteral("csv files (*.csv)|*.csv");

    // Tells the user that `path` could not be written and why; the log is
    // unchanged and the previous file intact. Shared by every save.
    static void tellSaveFailed(Dialogs &dialogs, QWidget *parent, const QString &path, const QString &reason);

Q_SIGNALS:
    // "save", "to_xls" and "print" held the thread: reception restarts on a
    // frame boundary.
    void receptionRestartRequested();

private:
    void createElements();
    void createToolbar();
    void createGrid();
    void Form_Load();

    void commandSave();
    void commandToXls();
    // Runs a command that needs logged readings, then restarts reception.
    void runWithReceptionRestart(void (DataForm::*command)());

    SharedState &m_state;
    TrendView &m_trend;
    Dialogs &m_dialogs;
    printing::SurfaceFactory m_printSurface;
};
