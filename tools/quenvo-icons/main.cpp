// quenvo-icons: writes the program's window icon as the PNG files of the
// hicolor icon theme, so that the installed icons are the very picture the
// window shows. Run at build time.
//
// Usage: quenvo-icons OUTPUT_DIR SIZE...
// Writes OUTPUT_DIR/<SIZE>x<SIZE>/apps/quenvo.png for every SIZE.
#include "platform/pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    // The icon is drawn offscreen; no display is needed. A build machine may
    // have no session runtime folder, which the offscreen platform asks for.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: quenvo-icons OUTPUT_DIR SIZE...\n");
        return 2;
    }
    const QDir out(args.at(1));
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "quenvo-icons: not an icon size: %s\n", qPrintable(args.at(i)));
            return 2;
        }
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = out.filePath(dir + QStringLiteral("/quenvo.png"));
        if (!out.mkpath(dir) || !pictures::appIconPixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "quenvo-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
