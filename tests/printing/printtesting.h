#pragma once

// Reading printed PDFs back with poppler's command-line tools.
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <vector>

namespace printtesting {

struct Word
{
    double xMin = 0;
    double yMin = 0;
    QString text;
    int page = 0; // 1-based
};

struct PdfFacts
{
    bool read = false;
    int pages = 0;
    double width = 0; // points, of page 1
    double height = 0;
    std::vector<Word> words;
};

inline QString run(const QString &program, const QStringList &arguments, int *status = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
    }
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline PdfFacts readPdf(const QString &path)
{
    PdfFacts facts;
    int status = 0;
    const QString info = run(QStringLiteral("pdfinfo"), {path}, &status);
    if (status != 0)
        return facts;
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
    facts.pages = pages.captured(1).toInt();
    facts.width = size.captured(1).toDouble();
    facts.height = size.captured(2).toDouble();
    const QString html =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    int page = 0;
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    for (const QString &line : html.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("<page ")))
            ++page;
        const auto m = word.match(line);
        if (m.hasMatch())
            facts.words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3), page});
    }
    facts.read = true;
    return facts;
}

} // namespace printtesting
