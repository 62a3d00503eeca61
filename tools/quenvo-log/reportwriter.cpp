#include "quenvo-log/reportwriter.h"

#include "platform/printsurfaces.h"
#include "platform/timetexts.h"

#include <QSaveFile>

namespace {

QString today()
{
    return TimeTexts::dateText(TimeTexts::now());
}

} // namespace

ReportWriter::ReportWriter(const Options &options) : m_options(options)
{
    m_page.reserve(SharedState::kPageSize);
}

ReportWriter::~ReportWriter()
{
    // An unfinished report is thrown away with its temporary file.
    m_dataReport.reset();
    m_dataSurface.reset();
    if (m_dataFile)
        m_dataFile->cancelWriting();
}

bool ReportWriter::isListedScale(std::int32_t scale)
{
    for (std::int32_t s : {4000, 2000, 1000, 400, 200, 100, 40, 20, 10})
        if (s == scale)
            return true;
    return false;
}

bool ReportWriter::failWith(const QString &path, const QString &reason)
{
    if (!m_failed)
        m_error = QStringLiteral("cannot write %1: %2").arg(path, reason);
    m_failed = true;
    m_dataReport.reset();
    m_dataSurface.reset();
    if (m_dataFile)
        m_dataFile->cancelWriting();
    return false;
}

bool ReportWriter::start()
{
    if (m_options.dataReport.isEmpty())
        return true;
    m_dataFile = std::make_unique<QSaveFile>(m_options.dataReport);
    if (!m_dataFile->open(QIODevice::WriteOnly))
        return failWith(m_options.dataReport, m_dataFile->errorString());
    m_dataSurface = std::make_unique<printing::PdfSurface>(*m_dataFile, m_options.dataReport,
                                                           QStringLiteral("Quenvo Data Report"));
    m_dataReport = std::make_unique<reports::DataReport>(*m_dataSurface, today);
    if (!m_dataReport->begin())
        return failWith(m_options.dataReport, m_dataSurface->failureDetail());
    return true;
}

bool ReportWriter::add(const MeasurementRecord &record)
{
    if (m_failed)
        return false;
    if (!m_options.graphReport.isEmpty()) {
        // Pages of the run start at 1, 101, 201, ...
        const std::int64_t start =
            (std::int64_t(record.number) - 1) / SharedState::kPageSize * SharedState::kPageSize + 1;
        if (start != m_pageStart || m_page.size() >= std::size_t(SharedState::kPageSize)) {
            m_page.clear();
            m_pageStart = start;
        }
        m_page.push_back(record);
    }
    if (m_dataReport && !m_dataReport->add(record))
        return failWith(m_options.dataReport, m_dataSurface->failureDetail());
    return true;
}

bool ReportWriter::finish()
{
    if (m_failed)
        return false;
    if (m_finished)
        return true;
    m_finished = true;
    if (m_dataReport) {
        if (!m_dataReport->finish())
            return failWith(m_options.dataReport, m_dataSurface->failureDetail());
        m_dataReport.reset();
        m_dataSurface.reset();
        if (!m_dataFile->commit())
            return failWith(m_options.dataReport, m_dataFile->errorString());
    }
    if (!m_options.graphReport.isEmpty())
        return writeGraphReport();
    return true;
}

bool ReportWriter::writeGraphReport()
{
    const QString &path = m_options.graphReport;
    // The newest page as the chart shows it: its readings from slot 1.
    auto state = std::make_unique<SharedState>();
    state->gGraphScale = m_options.scale;
    for (const MeasurementRecord &r : m_page)
        state->append(r);
    state->gViewStart = 1;
    state->gViewCount = static_cast<std::int32_t>(m_page.size());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failWith(path, file.errorString());
    const QDateTime now = TimeTexts::now();
    const reports::GraphReportLabels labels =
        reports::graphLabelsFor(m_options.scale, m_pageStart, TimeTexts::clockText(now));
    bool ok = false;
    QString detail;
    {
        printing::PdfSurface surface(file, path, QStringLiteral("Quenvo Graph Report"));
        ok = reports::printGraphReport(surface, *state, labels);
        detail = surface.failureDetail();
    }
    if (!ok) {
        file.cancelWriting();
        return failWith(path, detail);
    }
    if (!file.commit())
        return failWith(path, file.errorString());
    return true;
}
