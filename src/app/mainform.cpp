#include "app/mainform.h"

#include "datalog/datafiles.h"
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
#include "display/showform.h"
#include "graph/graphlink.h"
#include "graph/trendpaging.h"
#include "link/connectform.h"
#include "link/decoder.h"
#include "platform/dialogs.h"
#include "platform/pictures.h"
#include "platform/serialcontrol.h"
#include "platform/timetexts.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <span>

namespace {

// Grid columns of a reading row.
constexpr int kColFun = 1;
constexpr int kColData = 2;
constexpr int kColUnit = 3;
constexpr int kColTime = 4;

} // namespace

MainForm::MainForm(SharedState &state, SerialControl &port, Dialogs &dialogs, GraphWindowLink &graph,
                   std::function<QString()> findReceiver, QWidget *parent)
    : QWidget(parent), MSComm1(port), m_state(state), m_dialogs(dialogs), m_graph(graph),
      m_findReceiver(std::move(findReceiver))
{
    // No maximize button; the fixed size keeps window managers from offering
    // to maximise or resize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quenvo"));
    setWindowIcon(pictures::appIcon());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(171, 171, 171)); // application workspace
    setPalette(palette);
    setFixedSize(kOuterWidth, kOuterHeight);

    connectForm = new ConnectForm(MSComm1, m_dialogs, this);
    connectForm->show();
    showForm = new ShowForm(m_state, m_graph, this);
    showForm->show();
    dataForm = new DataForm(m_state, m_dialogs, this);
    dataForm->show();
    connectForm->setShowForm(showForm);
    dataForm->setShowForm(showForm);
    dataForm->setReceptionRestart([this] { connectForm->restartReception(); });

    rediscoverTimer = new QTimer(this);
    rediscoverTimer->setInterval(kRediscoverMs);
    connect(rediscoverTimer, &QTimer::timeout, this, &MainForm::rediscover);
    connect(connectForm, &ConnectForm::linkDropped, rediscoverTimer, qOverload<>(&QTimer::start));
    connect(connectForm, &ConnectForm::portOpened, rediscoverTimer, &QTimer::stop);
    connect(&MSComm1, &SerialControl::onComm, this, &MainForm::MSComm1_OnComm);

    m_state.resetExtremes();
    connectForm->discoverMeterPort(m_findReceiver ? m_findReceiver() : QString());
}

MainForm::~MainForm() = default;

void MainForm::MSComm1_OnComm()
{
    // 1. Only the data-received event counts.
    if (MSComm1.commEvent() != SerialControl::kEvReceive)
        return;
    // 2. Exactly one frame waiting, and room in the store; anything else
    //    (a cut frame, two frames, a full store) is thrown away whole.
    if (MSComm1.inBufferCount() != static_cast<int>(kMeterFrameSize) || m_state.isFull()) {
        MSComm1.discardInput();
        return;
    }
    // 3. Read the frame, then empty the buffer.
    const QByteArray bytes = MSComm1.input();
    MSComm1.discardInput();
    if (bytes.size() < static_cast<qsizetype>(kMeterFrameSize))
        return;
    // 4. The new reading's number.
    const std::int32_t n = ++m_state.gRecordCount;
    MeasurementRecord &record = m_state.gRecords[static_cast<std::size_t>(n - 1)];
    const QString number = QString::number(n);
    // 5, 6. Counter and the new row 1 of the table.
    dataForm->Label4->setText(number);
    FlexGridModel &grid = *dataForm->grid;
    grid.addItem(number, 1);
    // 7. Decode.
    const Reading r = decodeMeterFrame(parseMeterFrame(std::span<const std::uint8_t, kMeterFrameSize>(
        reinterpret_cast<const std::uint8_t *>(bytes.constData()), kMeterFrameSize)));
    // 8. Annunciators.
    showForm->holdlabel->setVisible(r.hold);
    showForm->rellabel->setVisible(r.rel);
    showForm->Picture7->setVisible(false);
    // 9. Captions and columns the reading sets; unset ones stay as they are.
    if (r.functionCaption)
        showForm->Label2->setText(*r.functionCaption);
    if (r.functionColumnText)
        grid.setText(1, kColFun, *r.functionColumnText);
    if (r.couplingCaption)
        showForm->Label1->setText(*r.couplingCaption);
    if (r.trmsShown)
        showForm->Label16->setVisible(*r.trmsShown);
    if (r.rangeCaption)
        showForm->rangelabel->setText(*r.rangeCaption);
    if (r.diodeSymbolShown)
        showForm->Picture7->setVisible(true);
    if (r.unitCaption)
        showForm->Label3->setText(*r.unitCaption);
    if (r.unitColumnText)
        grid.setText(1, kColUnit, *r.unitColumnText);
    // 10, 11, 12. Digits, DATA cell, the record's text.
    showForm->Label4->setText(r.displayText);
    grid.setText(1, kColData, r.displayText);
    record.data = r.displayText;
    // 13. Running extremes and their read-outs.
    const SharedState::ExtremesChange extremes = m_state.takeExtremes(r.value);
    if (extremes.maxChanged)
        showForm->TextMAX->setText(r.displayText);
    if (extremes.minChanged)
        showForm->TextMIN->setText(r.displayText);
    // 14. Bar graph.
    showForm->updateBarGraph(r.fullScale, r.value, r.overRange);
    // 15. Time of the reading.
    const QString time = TimeTexts::recordTime(TimeTexts::now());
    grid.setText(1, kColTime, time);
    // 16. The rest of the record; function and unit as the display now shows them.
    record.value = r.value;
    record.function = showForm->Label2->text();
    record.number = n;
    record.time = time;
    record.unit = showForm->Label3->text();
    // 17. Trend following.
    if (!m_state.gViewBrowsing)
        followNewest(n);
    // 18. Full store.
    if (m_state.gRecordCount >= SharedState::kCapacity)
        fullStore();
}

void MainForm::followNewest(std::int32_t n)
{
    paging::showNewest(m_state, n);
    const std::array<QString, 3> labels = paging::xAxisLabels(m_state);
    for (std::size_t i = 0; i < labels.size(); ++i)
        showForm->Label7[i]->setText(labels[i]);
    showForm->redrawChart();
    if (m_graph.isShowing()) {
        m_graph.setXLabels(labels);
        m_graph.repaintChart();
    }
}

// The store holds 50000 readings. Cancelling the save dialog leaves it full
// (every later frame is discarded until "new"); a written file or No empties
// it. Events delivered while a dialog waits re-enter MSComm1_OnComm, find the
// store full and only discard.
void MainForm::fullStore()
{
    if (!offerSave(QStringLiteral("Please save data!"), kTitleSave))
        return;
    emptyFullStore();
}

void MainForm::emptyFullStore()
{
    m_state.empty();
    dataForm->resetGrid();
    m_state.gViewBrowsing = false;
    showForm->redrawChart();
    dataForm->Label4->setText(QStringLiteral("0"));
    connectForm->restartReception();
}

// A file that cannot be written is reported and the question asked again, so
// the log is dropped only after a written file or an explicit No.
bool MainForm::offerSave(const QString &question, const QString &title)
{
    for (;;) {
        if (m_dialogs.askYesNo(this, question) == Dialogs::Answer::No)
            return true;
        const QString path = m_dialogs.saveFileName(this, DataForm::kSaveDialogTitle, DataForm::kTextFilter);
        if (path.isEmpty())
            return false;
        const QDateTime now = TimeTexts::now();
        const WriteResult written =
            saveTextLog(path, title, TimeTexts::dateText(now), TimeTexts::timeText(now), m_state.records());
        if (written)
            return true;
        DataForm::tellSaveFailed(m_dialogs, this, path, written.reason);
    }
}

void MainForm::MDIForm_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    rediscoverTimer->stop();
    if (MSComm1.portOpen())
        MSComm1.close();
    m_graph.unload();
    if (m_state.gRecordCount > 0)
        offerSave(QStringLiteral("Do you want to save data?"), kTitleShutdown);
}

void MainForm::rediscover()
{
    if (!rediscoverTimer->isActive())
        return; // only while Closed after a lost link
    if (MSComm1.portOpen()) {
        rediscoverTimer->stop();
        return;
    }
    if (m_findReceiver && connectForm->reopenPort(m_findReceiver()))
        rediscoverTimer->stop();
}

void MainForm::closeEvent(QCloseEvent *event)
{
    MDIForm_Unload();
    event->accept();
}

void MainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window manager reports the frame only after the window is mapped.
    QTimer::singleShot(0, this, &MainForm::applyFixedSize);
}

void MainForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        return;
    }
    applyFixedSize();
}

void MainForm::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    applyFixedSize(); // a window manager that adds its frame moves the window
}

void MainForm::applyFixedSize()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    QSize frame(0, 0);
    if (isVisible()) {
        frame = frameGeometry().size() - geometry().size();
        if (frame.width() < 0 || frame.height() < 0 || frame.width() >= kOuterWidth / 2 ||
            frame.height() >= kOuterHeight / 2)
            frame = QSize(0, 0);
    }
    const QSize client(kOuterWidth - frame.width(), kOuterHeight - frame.height());
    if (minimumSize() != client || maximumSize() != client || size() != client)
        setFixedSize(client);
}
