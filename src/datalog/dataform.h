#pragma once

#include "app/sharedstate.h"

#include <QWidget>
#include <functional>

class QLabel;
class QTimer;
class QToolBar;
class QTableView;
class Dialogs;
class FlexGridModel;
class ShowForm;

// The data table: the readings newest first, the reading counter with the
// store's capacity, a clock, and the toolbar with the log commands "new",
// "save", "to_xls" and "print". A 438 x 600 borderless child of the main window.
class DataForm : public QWidget
{
    Q_OBJECT
public:
    DataForm(SharedState &state, Dialogs &dialogs, QWidget *parent = nullptr);

    // The display window whose chart "new" redraws, and the reception
    // restart that runs after "save", "to_xls" and "print".
    void setShowForm(ShowForm *show) { m_show = show; }
    void setReceptionRestart(std::function<void()> restart) { m_restartReception = std::move(restart); }

    QToolBar *Toolbar1 = nullptr;
    QLabel *Label3 = nullptr; // "DataNo."
    QLabel *Label4 = nullptr; // reading counter
    QLabel *Label2 = nullptr; // "MAX:  50000"
    QTableView *MSFlexGrid1 = nullptr;
    FlexGridModel *grid = nullptr; // the table's cells
    QLabel *Label1 = nullptr;      // clock
    QTimer *Timer1 = nullptr;      // clock tick, 1000 ms

    // Toolbar dispatch by key, exact and case-sensitive.
    void Toolbar1_ButtonClick(const QString &key);
    void Timer1_Timer();

    // Resets the table to its heading row and one empty row.
    void resetGrid();

    // The printed data report. Filled in with the print surfaces; until then
    // "print" runs only its shared frame.
    void printDataReport();

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

private:
    void createElements();
    void createToolbar();
    void createGrid();
    void Form_Load();

    void commandNew();
    void commandSave();
    void commandToXls();
    // Runs a command that needs logged readings, then restarts reception.
    void runWithReceptionRestart(void (DataForm::*command)());

    SharedState &m_state;
    Dialogs &m_dialogs;
    ShowForm *m_show = nullptr;
    std::function<void()> m_restartReception;
};
