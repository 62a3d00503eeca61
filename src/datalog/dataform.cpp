#include "datalog/dataform.h"

#include "datalog/datafiles.h"
#include "datalog/flexgridmodel.h"
#include "datalog/readingtable.h"
#include "graph/trendview.h"
#include "link/reading.h"
#include "platform/dialogs.h"
#include "platform/pictures.h"
#include "platform/timetexts.h"
#include "platform/twips.h"
#include "platform/uikit.h"
#include "print/reports.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <span>

namespace {

const QStringList kHeadings = {QStringLiteral("NO."), QStringLiteral("FUN"), QStringLiteral("DATA"),
                               QStringLiteral("UNIT"), QStringLiteral("TIME")};

// Toolbar buttons in their order: key, tooltip, picture index, the letter
// of its Ctrl shortcut. "new" has none, so that a stray key never empties
// the log.
struct ToolbarButton
{
    const char *key;
    const char *tooltip;
    int picture;
    Qt::Key ctrlKey;
};
constexpr ToolbarButton kButtons[] = {
    {"new", "New", 1, Qt::Key_unknown},
    {"save", "Save", 2, Qt::Key_S},
    {"to_xls", "Save as CSV", 3, Qt::Key_E},
    {"print", "Print", 4, Qt::Key_P},
};

// Column widths in pixels for NO., FUN, DATA and UNIT; TIME takes the rest.
// They fit "50000", "Resistance", "-399.99" and "KHz" in the grid font.
constexpr int kColumnWidths[] = {50, 80, 70, 45};
constexpr int kRowHeight = 18; // fixed: 9.75 pt text plus a little air

// Grid columns of a reading row.
constexpr int kColFun = 1;
constexpr int kColData = 2;
constexpr int kColUnit = 3;
constexpr int kColTime = 4;
constexpr int kNewestRow = 1;

// The window's fonts: "MS Sans Serif" and, for the grid, "Arial".
QFont windowFont(double pointSize, bool bold)
{
    return uikit::sansSerif(pointSize, bold);
}

// A 12 pt bold black label, text at the top like the design's labels.
QLabel *makeLabel(QWidget *parent, const QString &text, const QRect &geometry, Qt::Alignment horizontal)
{
    return uikit::makeLabel(parent, geometry, text, windowFont(12, true), Qt::black, std::nullopt,
                            horizontal | Qt::AlignTop);
}

} // namespace

DataForm::DataForm(SharedState &state, TrendView &trend, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_state(state), m_trend(trend), m_dialogs(dialogs)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    createElements();
    Form_Load();
}

void DataForm::createElements()
{
    QPalette palette = this->palette();
    palette.setBrush(QPalette::Window, pictures::dataBackground());
    setPalette(palette);
    setAutoFillBackground(true);

    createToolbar();
    Label3 = makeLabel(this, QStringLiteral("DataNo."), twips::rect(1920, 600, 975, 375), Qt::AlignLeft);
    Label4 = makeLabel(this, QStringLiteral("0"), twips::rect(3120, 600, 1455, 375), Qt::AlignLeft);
    Label2 = makeLabel(this, QStringLiteral("MAX:  50000"), twips::rect(4680, 600, 1575, 375), Qt::AlignLeft);
    createGrid();
    Label1 = makeLabel(this, QString(), twips::rect(3600, 8640, 3015, 375), Qt::AlignHCenter);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &DataForm::Timer1_Timer);
    Timer1->start();
}

void DataForm::createToolbar()
{
    Toolbar1 = new QToolBar(this);
    Toolbar1->setGeometry(twips::rect(240, 480, 1410, 390));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Four 16 x 16 faces in a 94-pixel strip: buttons of 23 pixels, no gaps.
    Toolbar1->setStyleSheet(QStringLiteral(
        "QToolBar { background: transparent; border: none; padding: 0px; spacing: 0px; }"
        "QToolButton { margin: 0px; padding: 1px; border: 1px solid transparent; border-radius: 3px; }"
        "QToolButton:hover { border-color: #7EA6D8; background: #E4EEFA; }"
        "QToolButton:pressed { background: #C8DAF2; }"
        "QToolButton:focus { border: 1px dotted #000000; }"));
    for (const ToolbarButton &button : kButtons) {
        const QString key = QString::fromLatin1(button.key);
        QAction *action = Toolbar1->addAction(QIcon(pictures::toolbarIcon(button.picture)), QString());
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(QString::fromLatin1(button.tooltip));
        if (button.ctrlKey != Qt::Key_unknown)
            action->setShortcut(QKeySequence(Qt::CTRL | button.ctrlKey));
        // Reached with Tab like the window's other buttons, and named for screen readers.
        QWidget *face = Toolbar1->widgetForAction(action);
        face->setFocusPolicy(Qt::TabFocus);
        face->setAccessibleName(action->toolTip());
    }
    connect(Toolbar1, &QToolBar::actionTriggered, this,
            [this](QAction *action) { Toolbar1_ButtonClick(action->data().toString()); });
}

void DataForm::createGrid()
{
    grid = new FlexGridModel(this);
    MSFlexGrid1 = new ReadingTable(this);
    MSFlexGrid1->setGeometry(twips::rect(240, 960, 6015, 7575));
    MSFlexGrid1->setFont(uikit::designFont(QStringLiteral("Arial"), 9.75));
    MSFlexGrid1->setModel(grid);
    MSFlexGrid1->setWordWrap(false);
    MSFlexGrid1->setCornerButtonEnabled(false);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table for the next control; the arrow keys move in it.
    MSFlexGrid1->setTabKeyNavigation(false);
    MSFlexGrid1->setAccessibleName(QStringLiteral("readings"));
    MSFlexGrid1->setStyleSheet(QStringLiteral("QTableView { gridline-color: #C4CAD4; }"));

    // Fixed row heights and no per-row sizing: a full table (50002 rows)
    // takes a new reading as fast as an empty one.
    QHeaderView *rowsHeader = MSFlexGrid1->verticalHeader();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(kRowHeight);
    rowsHeader->setMinimumSectionSize(kRowHeight);
    rowsHeader->hide();

    QHeaderView *heading = MSFlexGrid1->horizontalHeader();
    heading->setFont(uikit::designFont(QStringLiteral("Arial"), 9.75));
    heading->setSectionsClickable(false);
    heading->setHighlightSections(false);
    heading->setDefaultAlignment(Qt::AlignCenter);
    heading->setStretchLastSection(true);
    for (int col = 0; col < static_cast<int>(std::size(kColumnWidths)); ++col)
        MSFlexGrid1->setColumnWidth(col, kColumnWidths[col]);
}

void DataForm::Form_Load()
{
    Label1->setText(TimeTexts::clockText(TimeTexts::now()));
    setFixedSize(438, 600);
    move(500, 40);
    for (int i = 1; i < kHeadings.size(); ++i)
        grid->setTextArray(i, kHeadings.at(i));
    Label1->move(Label1->x(), twips::px(8640 + 80));
}

void DataForm::Timer1_Timer()
{
    Label1->setText(TimeTexts::clockText(TimeTexts::now()));
}

void DataForm::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("new"))
        emptyLog();
    else if (key == QLatin1String("save"))
        runWithReceptionRestart(&DataForm::commandSave);
    else if (key == QLatin1String("to_xls"))
        runWithReceptionRestart(&DataForm::commandToXls);
    else if (key == QLatin1String("print"))
        runWithReceptionRestart(&DataForm::printDataReport);
}

void DataForm::resetGrid()
{
    grid->clear();
    grid->setRows(2);
    grid->setCols(5);
    for (int i = 0; i < kHeadings.size(); ++i)
        grid->setTextArray(i, kHeadings.at(i));
}

void DataForm::printDataReport()
{
    const printing::SurfaceFactory make =
        m_printSurface ? m_printSurface
                       : printing::defaultPrinterFactory(QStringLiteral("Quenvo Data Report"));
    const std::unique_ptr<printing::PrintSurface> surface = make();
    const bool printed = reports::printDataReport(*surface, m_state.records(),
                                                  [] { return TimeTexts::dateText(TimeTexts::now()); });
    if (!printed)
        m_dialogs.tell(this, kPrintErrorText, surface->failureDetail());
}

// At the top the view follows the newest row (the rows on screen move down
// and only the new one is painted); scrolled away from the top, the rows on
// screen stay where they are and the scroll bar grows.
void DataForm::insertReadingRow(std::int32_t n)
{
    const QString number = QString::number(n);
    Label4->setText(number);
    QScrollBar *bar = MSFlexGrid1->verticalScrollBar();
    const int offset = bar->value();
    if (offset == 0)
        MSFlexGrid1->prepareTopRowInsertion();
    grid->addItem(number, kNewestRow);
    if (offset > 0) {
        const int step =
            MSFlexGrid1->verticalScrollMode() == QAbstractItemView::ScrollPerItem ? 1 : kRowHeight;
        bar->setMaximum(std::max(bar->maximum(), offset + step));
        bar->setValue(offset + step);
    }
}

void DataForm::fillReadingRow(const Reading &r)
{
    if (r.functionColumnText)
        grid->setText(kNewestRow, kColFun, *r.functionColumnText);
    if (r.unitColumnText)
        grid->setText(kNewestRow, kColUnit, *r.unitColumnText);
    grid->setText(kNewestRow, kColData, r.displayText);
}

void DataForm::setReadingTime(const QString &time)
{
    grid->setText(kNewestRow, kColTime, time);
}

void DataForm::emptyLog()
{
    m_state.empty();
    resetGrid();
    m_trend.storeEmptied();
    Label4->setText(QStringLiteral("0"));
}

void DataForm::runWithReceptionRestart(void (DataForm::*command)())
{
    // Nothing logged: no dialog, no file, no report, and the link is left alone.
    if (m_state.gRecordCount() == 0)
        return;
    (this->*command)();
    // Bytes that piled up while a dialog, a file or the printer held the
    // thread are thrown away; reception resumes on a frame boundary.
    Q_EMIT receptionRestartRequested();
}

void DataForm::commandSave()
{
    const QString path = m_dialogs.saveFileName(this, kSaveDialogTitle, kTextFilter);
    if (path.isEmpty())
        return;
    // The count is read after the dialog: the file holds every reading logged until now.
    const QDateTime now = TimeTexts::now();
    const WriteResult result =
        saveTextLog(path, kTitleSave, TimeTexts::dateText(now), TimeTexts::timeText(now), m_state.records());
    if (!result)
        tellSaveFailed(m_dialogs, this, path, result.reason);
}

void DataForm::commandToXls()
{
    const QString path = m_dialogs.saveFileName(this, kSaveDialogTitle, kCsvFilter);
    if (path.isEmpty())
        return;
    const WriteResult result = saveCsvLog(path, m_state.records());
    if (!result)
        tellSaveFailed(m_dialogs, this, path, result.reason);
}

void DataForm::tellSaveFailed(Dialogs &dialogs, QWidget *parent, const QString &path, const QString &reason)
{
    QString why = reason.trimmed();
    if (!why.endsWith(QLatin1Char('.')))
        why += QLatin1Char('.');
    dialogs.tell(parent, kSaveFailedText,
                 QStringLiteral("%1: %2 Choose another folder or file name.")
                     .arg(QDir::toNativeSeparators(path), why));
}
