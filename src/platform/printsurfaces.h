#pragma once

#include "print/printsurface.h"

#include <QFont>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;

// The print surfaces over Qt's paint devices: a PDF file and the default
// printer. Both draw through one painter adapter: twips are mapped onto the
// device's resolution, "Arial" falls back to Liberation Sans, and a text's
// top-left corner stands at the position (baseline = top + the font's ascent).
namespace printing {

// Draws steps on a paged paint device. The painter begins at the first
// drawing step, after the page settings are in place.
class PainterTarget
{
public:
    explicit PainterTarget(QPagedPaintDevice &device);
    ~PainterTarget();

    // Carries out a step; false with detail() set when it failed.
    bool apply(const PrintStep &step, double &widthOut);
    // Line height of the current font, in twips.
    double lineHeight() const;
    // Ends painting: the document is complete. False when the device refused.
    bool end();
    // Ends painting without counting it as a complete document (an
    // unfinished one, to be thrown away by the owner).
    void abandon();
    bool active() const;
    const QString &detail() const { return m_detail; }

private:
    bool ensureBegun();
    void applyLayout();
    void applyFont();

    QPagedPaintDevice &m_device;
    std::unique_ptr<QPainter> m_painter;
    double m_scale = 1.0; // device units per twip
    Orientation m_orientation = Orientation::Portrait;
    TextFont m_font;
    TextFont m_metricsFont;
    bool m_haveMetrics = false;
    QFont m_qfont;
    double m_ascent = 0;
    double m_lineSpacing = 0;
    bool m_painterHasFont = false;
    bool m_dotted = false;
    bool m_fill = false;
    bool m_begun = false;
    QString m_detail;
};

// A PDF written to `out` at 1440 dots per inch (device units are twips),
// A4 with no margins: positions are measured from the paper's corner.
class PdfSurface : public PrintSurface
{
public:
    // `out` must be open for writing and outlive the surface; `name` names it
    // in failure details.
    PdfSurface(QIODevice &out, const QString &name, const QString &title);
    ~PdfSurface() override;

protected:
    bool perform(const PrintStep &step, double &widthOut) override;
    double lineHeight() const override;

private:
    QIODevice &m_out;
    QString m_name;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<PainterTarget> m_target;
};

// The system's default printer (on Linux a CUPS queue). The printer is looked
// up at the first step, never earlier. The document is kept until its end
// and only then painted on the printer and submitted whole, so a report that
// fails half way sends nothing and leaves nothing to join a later job.
class DefaultPrinterSurface : public PrintSurface
{
public:
    explicit DefaultPrinterSurface(const QString &title);
    ~DefaultPrinterSurface() override;

    // The queue the job went to (after a successful end).
    const QString &printerName() const { return m_printerName; }
    // Steps kept so far (the unfinished document).
    std::size_t keptSteps() const { return m_steps.size(); }

protected:
    bool perform(const PrintStep &step, double &widthOut) override;
    double lineHeight() const override;

private:
    bool lookUpPrinter();
    bool submit();

    QString m_title;
    QString m_printerName;
    std::unique_ptr<QPrinter> m_printer;
    std::vector<PrintStep> m_steps;
    Orientation m_orientation = Orientation::Portrait;
    TextFont m_font;
    mutable TextFont m_lineFont;
    mutable double m_lineHeight = -1;
};

// Makes the surface a report is printed on; the windows use the default
// printer, tests a recorder.
using SurfaceFactory = std::function<std::unique_ptr<PrintSurface>()>;
SurfaceFactory defaultPrinterFactory(const QString &title);

// Second line of a failure message for the printer: what went wrong and what to do.
QString noPrinterDetail();

} // namespace printing
