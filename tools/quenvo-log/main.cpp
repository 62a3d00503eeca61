// quenvo-log: logs the meter's readings without a window.
//
// Test seam, not documented in --help: when QUENVO_LOG_CLOCK holds an ISO 8601
// date and time ("2024-05-17T14:03:09"), every date and time written is that
// moment, so that a test can compare the files byte for byte.
#include "platform/signalnotifier.h"
#include "platform/timetexts.h"
#include "quenvo-log/consoleout.h"
#include "quenvo-log/headlesslogger.h"
#include "quenvo-log/reportwriter.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cmath>
#include <csignal>
#include <memory>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace {

struct Parsed
{
    LoggerOptions options;
    ReportWriter::Options reports;
    std::optional<int> exitNow; // set when the command line ends the run (usage error)
};

void usageError(QFile &err, const QString &message)
{
    err.write(QStringLiteral("quenvo-log: %1\nTry 'quenvo-log --help' for the options.\n")
                  .arg(message)
                  .toLocal8Bit());
}

Parsed parseCommandLine(const QStringList &arguments, QFile &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Logs the readings of the meter: one text-log record line per reading on the standard "
                       "output, optionally also as a text log, a comma-separated log and a raw capture.\n"
                       "Without a source option the meter's receiver is looked up among the serial ports.\n"
                       "Output files: each must be a regular file (a symbolic link is followed to one) and "
                       "no two may be the same file. A file that already holds something is refused unless "
                       "--append continues it (no second heading or title; the numbering goes on after its "
                       "last record) or --force replaces it.\n"
                       "The standard output never holds the logging up: lines a reader does not take in time "
                       "are dropped, and how many is said at the end on the standard error; the files get "
                       "every reading.\n"
                       "Exit status: 0 success, 1 a runtime failure, 2 a usage error, a refused output file "
                       "or no receiver."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Read the serial device <DEVICE>."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption replay(
        QStringLiteral("replay"), QStringLiteral("Read a raw capture <FILE> of consecutive 14-byte frames."),
        QStringLiteral("FILE"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Read a simulated meter."));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write a comma-separated log to <FILE>."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption text(QStringLiteral("text"), QStringLiteral("Write a text log to <FILE>."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Stop after <N> readings."),
                                   QStringLiteral("N"));
    const QCommandLineOption duration(QStringLiteral("duration"), QStringLiteral("Stop after <SECONDS>."),
                                      QStringLiteral("SECONDS"));
    const QCommandLineOption capture(QStringLiteral("capture"),
                                     QStringLiteral("Write the bytes of every frame logged to <FILE>, "
                                                    "for --replay."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption append(QStringLiteral("append"),
                                    QStringLiteral("Continue output files that already hold a log: no second "
                                                   "heading or title, numbering after the last record."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace output files that already hold something."));
    const QCommandLineOption dataReport(
        QStringLiteral("data-report"),
        QStringLiteral("Write the data report of every reading (as the desktop prints it) to <FILE>, a PDF."),
        QStringLiteral("FILE"));
    const QCommandLineOption graphReport(
        QStringLiteral("graph-report"),
        QStringLiteral(
            "Write the graph report of the newest chart page at the end of the run to <FILE>, a PDF."),
        QStringLiteral("FILE"));
    const QCommandLineOption scale(
        QStringLiteral("scale"),
        QStringLiteral("Full scale <S> of the graph report: 4000, 2000, 1000, 400, 200, 100, 40, 20 or 10 "
                       "(default 400)."),
        QStringLiteral("S"));
    parser.addOptions({port, replay, demo, csv, text, count, duration, capture, append, force, dataReport,
                       graphReport, scale});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    Parsed parsed;
    if (!parser.parse(arguments)) {
        usageError(err, parser.errorText());
        parsed.exitNow = HeadlessLogger::UsageError;
        return parsed;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    LoggerOptions &options = parsed.options;
    auto reject = [&](const QString &message) {
        usageError(err, message);
        parsed.exitNow = HeadlessLogger::UsageError;
        return parsed;
    };
    if (!parser.positionalArguments().isEmpty())
        return reject(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    if (int(parser.isSet(port)) + int(parser.isSet(replay)) + int(parser.isSet(demo)) > 1)
        return reject(QStringLiteral("choose one source: --port, --replay or --demo"));
    if (parser.isSet(append) && parser.isSet(force))
        return reject(
            QStringLiteral("choose one of --append (continue the files) and --force (replace them)"));
    if (parser.isSet(append))
        options.existing = logoutputs::Existing::Append;
    else if (parser.isSet(force))
        options.existing = logoutputs::Existing::Replace;

    if (parser.isSet(port)) {
        options.source = LoggerOptions::Source::Port;
        options.port = parser.value(port);
    } else if (parser.isSet(replay)) {
        options.source = LoggerOptions::Source::Replay;
        options.replayFile = parser.value(replay);
    } else if (parser.isSet(demo)) {
        options.source = LoggerOptions::Source::Demo;
    }
    options.csvFile = parser.value(csv);
    options.textFile = parser.value(text);
    options.captureFile = parser.value(capture);
    parsed.reports.dataReport = parser.value(dataReport);
    parsed.reports.graphReport = parser.value(graphReport);
    if (parser.isSet(scale)) {
        bool ok = false;
        const int s = parser.value(scale).toInt(&ok);
        if (!ok || !ReportWriter::isListedScale(s))
            return reject(QStringLiteral("--scale needs one of 4000, 2000, 1000, 400, 200, 100, 40, 20, 10, "
                                         "not '%1'")
                              .arg(parser.value(scale)));
        parsed.reports.scale = s;
    }
    // A report replaces its file at the end of the run: never the capture being replayed.
    for (const QString &report : {parsed.reports.dataReport, parsed.reports.graphReport}) {
        if (!report.isEmpty() && !options.replayFile.isEmpty() && QFileInfo::exists(report) &&
            QFileInfo(report).canonicalFilePath() == QFileInfo(options.replayFile).canonicalFilePath())
            return reject(QStringLiteral("%1 is the replay file; writing a report to it would destroy the "
                                         "capture. Choose another output file.")
                              .arg(report));
    }

    if (parser.isSet(count)) {
        bool ok = false;
        options.count = parser.value(count).toLongLong(&ok);
        if (!ok || options.count < 1)
            return reject(QStringLiteral("--count needs a whole number of readings above 0, not '%1'")
                              .arg(parser.value(count)));
    }
    if (parser.isSet(duration)) {
        bool ok = false;
        const double seconds = parser.value(duration).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e9)
            return reject(QStringLiteral("--duration needs a number of seconds above 0, not '%1'")
                              .arg(parser.value(duration)));
        options.durationMs = std::max<qint64>(1, std::llround(seconds * 1000.0));
    }
    return parsed;
}

void applyTestClock()
{
    const QString fixed = qEnvironmentVariable("QUENVO_LOG_CLOCK");
    if (fixed.isEmpty())
        return;
    const QDateTime when = QDateTime::fromString(fixed, Qt::ISODate);
    if (when.isValid())
        TimeTexts::setClock([when] { return when; });
}

} // namespace

int main(int argc, char **argv)
{
    // The reports are drawn with Qt's painter, which needs a platform: the
    // offscreen one unless another is chosen, so no display is needed. Runs
    // without a report stay a plain console program.
    bool reportsAsked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        reportsAsked =
            reportsAsked || argument.starts_with("--data-report") || argument.starts_with("--graph-report");
    }
    std::unique_ptr<QCoreApplication> application;
    if (reportsAsked) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("quenvo-log"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENVO_VERSION));

    QFile err;
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);

    const Parsed parsed = parseCommandLine(QCoreApplication::arguments(), err);
    if (parsed.exitNow)
        return *parsed.exitNow;
    applyTestClock();

    ReportWriter reports(parsed.reports);
    if (!reports.start()) {
        err.write(QStringLiteral("quenvo-log: %1\n").arg(reports.error()).toLocal8Bit());
        return HeadlessLogger::RuntimeFailure;
    }

    SignalNotifier stopSignals({SIGINT, SIGTERM});
    ConsoleOut out(STDOUT_FILENO);
    HeadlessLogger logger(parsed.options, out, err);
    QObject::connect(&stopSignals, &SignalNotifier::raised, &logger, &HeadlessLogger::stop);
    // The reports follow the run: every reading logged, then the end of the
    // run, however it ends once the link was up.
    bool linkUp = false;
    bool reportFailed = false;
    QObject::connect(&logger, &HeadlessLogger::armed, &logger, [&linkUp] { linkUp = true; });
    QObject::connect(&logger, &HeadlessLogger::readingLogged, &logger,
                     [&](const MeasurementRecord &record, const MeterFrame &) {
                         linkUp = true;
                         if (!reportFailed && !reports.add(record)) {
                             reportFailed = true;
                             logger.stop();
                         }
                     });
    QObject::connect(
        &logger, &HeadlessLogger::finished, &app,
        [&](int status) {
            const bool ranToEnd =
                status == HeadlessLogger::Success || (status == HeadlessLogger::RuntimeFailure && linkUp);
            if (reports.wanted() && (reportFailed || (ranToEnd && !reports.finish()))) {
                err.write(QStringLiteral("quenvo-log: %1\n").arg(reports.error()).toLocal8Bit());
                status = HeadlessLogger::RuntimeFailure;
            }
            QCoreApplication::exit(status);
        },
        Qt::QueuedConnection);
    logger.start();
    const int status = app.exec();
    if (const qint64 dropped = out.finish(); dropped > 0)
        err.write(
            QStringLiteral("quenvo-log: %1 lines of the standard output were dropped because it was not "
                           "read in time; the files hold every reading.\n")
                .arg(dropped)
                .toLocal8Bit());
    return status;
}
