// quenvo: the desktop program. Shows the meter's readings live, logs them and
// saves the log. With --demo it reads the built-in virtual meter instead of
// looking for the receiver.
#include "app/mainform.h"
#include "app/sharedstate.h"
#include "app/shutdownrequests.h"
#include "datalog/dataform.h"
#include "graph/graphform.h"
#include "graph/graphprint.h"
#include "platform/dialogs.h"
#include "platform/qtserialcontrol.h"
#include "platform/receiverlookup.h"
#include "virtualmeter/virtualmeter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>

#include <cstdio>
#include <memory>

namespace {

void describeProgram(QCoreApplication &app)
{
    app.setApplicationName(QStringLiteral("Quenvo"));
    app.setApplicationVersion(QStringLiteral(QUENVO_VERSION));
}

struct Options
{
    QCommandLineOption demo{QStringLiteral("demo"),
                            QStringLiteral("Read the built-in virtual meter instead of the receiver.")};
};

void setUp(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Shows, logs and saves the readings of the multimeter. The meter's receiver is "
                       "looked up among the serial ports at start-up; otherwise choose its port and "
                       "press CONNECT."));
    parser.addOption(options.demo);
    parser.addHelpOption();
    parser.addVersionOption();
}

// --help and --version answer without a display: they are handled before the
// window system is touched.
void answerInformationRequests(int &argc, char **argv)
{
    QCoreApplication probe(argc, argv);
    describeProgram(probe);
    QCommandLineParser parser;
    const Options options;
    setUp(parser, options);
    if (!parser.parse(QCoreApplication::arguments()))
        return; // reported once the application is up
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

} // namespace

int main(int argc, char **argv)
{
    answerInformationRequests(argc, argv);

    QApplication app(argc, argv);
    // No display name of its own: Qt would append it to every window title,
    // and the save dialog's title is "Save" alone.
    describeProgram(app);
    QGuiApplication::setDesktopFileName(QStringLiteral("quenvo")); // the installed quenvo.desktop

    QCommandLineParser parser;
    const Options options;
    setUp(parser, options);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "quenvo: unexpected argument '%s'\nTry 'quenvo --help' for the options.\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 1;
    }

    SharedState state;
    QtSerialControl port;
    QtDialogs dialogs;
    GraphWindowHost graph(state);

    std::unique_ptr<VirtualMeter> meter;
    std::function<QString()> findReceiver = [] { return receiverlookup::findReceiverPort(); };
    if (parser.isSet(options.demo)) {
        meter = std::make_unique<VirtualMeter>();
        if (!meter->start()) {
            std::fprintf(stderr, "quenvo: the virtual meter could not start: %s\n",
                         qPrintable(meter->errorString()));
            return 1;
        }
        findReceiver = [portName = meter->portName()] { return portName; };
    }

    MainForm window(state, port, dialogs, graph, findReceiver);
    graph.attach(window.trendView);
    const ShutdownRequests shutdownRequests(window);
    graph.setPrintHandler([&state, &window, &dialogs](GraphForm &form) {
        graphprint::printFromWindow(form, state, window.dataForm->Label1->text(), dialogs);
    });
    window.show();
    return app.exec();
}
