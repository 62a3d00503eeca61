#include "app/mainform.h"

#include "datalog/datafiles.h"
#include "datalog/dataform.h"
#include "datalog/readingtable.h"
#include "display/showform.h"
#include "graph/graphlink.h"
#include "link/connectform.h"
#include "link/decoder.h"
#include "link/serialcontrol.h"
#include "platform/dialogs.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/timetexts.h"

#include <QCloseEvent>
#include <QTableView>
#include <QTimer>

MainForm::MainForm(SharedState &state, SerialControl &port, Dialogs &dialogs, GraphWindowLink &graph,
                   std::function<QString()> findReceiver,
                   std::function<QList<receiverlookup::PortEntry>()> listPorts, QWidget *parent)
    : QWidget(parent), MSComm1(port), receivePath(port), trendView(state, graph), m_state(state),
      m_dialogs(dialogs), m_graph(graph), m_findReceiver(std::move(findReceiver))
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
    // Fixed size: the frame belongs to the window manager, the client area
    // holds the three windows exactly; minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);

    connectForm =
        new ConnectForm(MSComm1, receivePath, m_dialogs, {m_findReceiver, std::move(listPorts)}, this);
    connectForm->show();
    showForm = new ShowForm(m_state, trendView, this);
    showForm->show();
    dataForm = new DataForm(m_state, trendView, m_dialogs, this);
    dataForm->show();

    rediscoverTimer = new QTimer(this);
    rediscoverTimer->setInterval(kRediscoverMs);
    connectWindows();

    m_state.resetExtremes();
    connectForm->discoverMeterPort(m_findReceiver ? m_findReceiver() : QString());

    // The focus starts on CONNECT while there is something to connect, else
    // on the table, and goes to the table once CONNECT has opened the port;
    // never in a text box, where stray keys would change the port name or a
    // read-out.
    connectForm->setFocusAfterConnect(dataForm->MSFlexGrid1);
    if (connectForm->btn_conn->isEnabled())
        connectForm->btn_conn->setFocus(Qt::OtherFocusReason);
    else
        dataForm->MSFlexGrid1->setFocus(Qt::OtherFocusReason);
}

MainForm::~MainForm() = default;

// Who hears of what: the serial control's event reaches the receive handler;
// the strip's link state sets the display's look; the data table's file
// commands restart reception. Each chart's window listens to the trend view
// itself.
void MainForm::connectWindows()
{
    connect(&MSComm1, &SerialControl::onComm, this, &MainForm::MSComm1_OnComm);
    connect(connectForm, &ConnectForm::online, showForm, &ShowForm::applyOnlineLook);
    connect(connectForm, &ConnectForm::offline, showForm, &ShowForm::applyOfflineLook);
    connect(connectForm, &ConnectForm::linkDropped, rediscoverTimer, qOverload<>(&QTimer::start));
    connect(connectForm, &ConnectForm::portOpened, rediscoverTimer, &QTimer::stop);
    connect(rediscoverTimer, &QTimer::timeout, this, &MainForm::rediscover);
    connect(dataForm, &DataForm::receptionRestartRequested, connectForm, &ConnectForm::restartReception);
}

// The road of one reading, step by step.
void MainForm::MSComm1_OnComm()
{
    // 1-3. A data-received event with exactly one frame waiting and room in
    //      the store; anything else (a cut frame, two frames, a full store)
    //      is thrown away whole.
    const std::optional<ReceivePath::Frame> frame = receivePath.takeFrame(!m_state.isFull());
    if (!frame)
        return;
    // 4. The new reading's number.
    const std::int32_t n = m_state.nextNumber();
    // 5, 6. Counter and the new row 1 of the table.
    dataForm->insertReadingRow(n);
    // 7. Decode.
    const Reading r = decodeMeterFrame(frame->frame);
    // 8, 9, 10. The meter: annunciators, captions, digits; 9, 11. the row's cells.
    showForm->showReading(r);
    dataForm->fillReadingRow(r);
    // 12, 13. Running extremes and their read-outs.
    showForm->showExtremes(m_state.takeExtremes(r.value), r.displayText);
    // 14. Bar graph.
    showForm->updateBarGraph(r.fullScale, r.value, r.overRange);
    // 15. Time of the reading.
    const QString time = TimeTexts::recordTimeNow();
    dataForm->setReadingTime(time);
    // 12, 16. The record, with the captions in force, stored as number n.
    m_state.append(m_assembler.assemble(r, time));
    // 17. Trend following.
    if (!m_state.gViewBrowsing)
        trendView.follow(n);
    // 18. Full store.
    if (m_state.isFull())
        fullStore();
}

// The store holds 50000 readings. Cancelling the save dialog leaves it full
// (every later frame is discarded until "new"); a written file or No empties
// it and reception restarts on a frame boundary. Events delivered while a
// dialog waits re-enter MSComm1_OnComm, find the store full and only discard.
void MainForm::fullStore()
{
    if (!offerSave(QStringLiteral("Please save data!"), kTitleSave))
        return;
    dataForm->emptyLog();
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
    if (m_state.gRecordCount() > 0)
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

void MainForm::applyFixedSize()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QSize client(kClientWidth, kClientHeight);
    if (minimumSize() != client || maximumSize() != client || size() != client)
        setFixedSize(client);
}
