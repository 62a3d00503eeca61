#pragma once

#include "app/sharedstate.h"
#include "print/reports.h"

#include <QFile>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QSaveFile;

namespace printing {
class PdfSurface;
}

// The printed reports of a logger run, as PDF files. The data report is
// written page by page as readings arrive (memory stays flat); the graph
// report is the newest page of the run, written at its end. Each goes to a
// temporary file that replaces the named one only when it is complete; a
// failure leaves an earlier file of that name untouched.
class ReportWriter
{
public:
    struct Options
    {
        QString dataReport;  // empty: none
        QString graphReport; // empty: none
        std::int32_t scale = SharedState::kDefaultScale;
    };

    explicit ReportWriter(const Options &options);
    ~ReportWriter();

    bool wanted() const { return !m_options.dataReport.isEmpty() || !m_options.graphReport.isEmpty(); }

    // Opens the temporary files. False with error() set.
    bool start();
    // One reading of the run, numbered as the run numbers it.
    bool add(const MeasurementRecord &record);
    // Completes both reports and puts them in place. False with error() set.
    bool finish();

    // The file and the reason of the first failure.
    const QString &error() const { return m_error; }

    // The nine full scales the charts offer.
    static bool isListedScale(std::int32_t scale);

private:
    bool failWith(const QString &path, const QString &reason);
    bool writeGraphReport();

    Options m_options;
    std::unique_ptr<QSaveFile> m_dataFile;
    std::unique_ptr<printing::PdfSurface> m_dataSurface;
    std::unique_ptr<reports::DataReport> m_dataReport;
    // The newest page: its first run number and its readings.
    std::int64_t m_pageStart = 1;
    std::vector<MeasurementRecord> m_page;
    bool m_failed = false;
    bool m_finished = false;
    QString m_error;
};
