#include "platform/printsurfaces.h"

#include <QFileDevice>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#ifdef QUENVO_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace printing {

namespace {

constexpr double kTwipsPerInch = 1440.0;

// "Arial" where it is installed, otherwise its metric twin. Asked once per name.
QString familyFor(const QString &name)
{
    static QHash<QString, QString> resolved;
    const auto it = resolved.constFind(name);
    if (it != resolved.constEnd())
        return *it;
    QString family = name;
    if (name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 &&
        !QFontDatabase::hasFamily(QStringLiteral("Arial")) &&
        QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
        family = QStringLiteral("Liberation Sans");
    resolved.insert(name, family);
    return family;
}

// The font in twips: a point is 20 twips. A pixel-sized font keeps its size
// in the painter's (twip) coordinates whatever the device's resolution.
QFont twipsFont(const TextFont &f)
{
    QFont font(familyFor(f.name));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(f.pointSize * 20.0))));
    font.setBold(f.bold);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

QPageLayout a4Layout(Orientation orientation, const QMarginsF &margins)
{
    return QPageLayout(QPageSize(QPageSize::A4),
                       orientation == Orientation::Portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                       margins, QPageLayout::Millimeter);
}

QString stateText(QPrinter::PrinterState state)
{
    switch (state) {
    case QPrinter::Idle:
        return QStringLiteral("idle");
    case QPrinter::Active:
        return QStringLiteral("printing");
    case QPrinter::Aborted:
        return QStringLiteral("stopped");
    case QPrinter::Error:
        return QStringLiteral("in error");
    }
    return QStringLiteral("unknown");
}

#ifdef QUENVO_HAVE_CUPS
// The highest job number this user has on `queue`, 0 when none.
int lastJobId(const QString &queue)
{
    cups_job_t *jobs = nullptr;
    const QByteArray name = queue.toLocal8Bit();
    const int n = cupsGetJobs(&jobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
    int last = 0;
    for (int i = 0; i < n; ++i)
        last = std::max(last, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return last;
}
#endif

} // namespace

QString noPrinterDetail()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        return QStringLiteral("No printer is set up. Add one in the system's printer settings (or with "
                              "lpadmin), make it the default, and print again.");
    return QStringLiteral("No default printer is chosen. Choose one in the system's printer settings (or "
                          "with lpoptions -d PRINTER) and print again.");
}

SurfaceFactory defaultPrinterFactory(const QString &title)
{
    return
        [title]() -> std::unique_ptr<PrintSurface> { return std::make_unique<DefaultPrinterSurface>(title); };
}

// ------------------------------------------------------------ painter target

PainterTarget::PainterTarget(QPagedPaintDevice &device) : m_device(device)
{
    applyFont();
}

PainterTarget::~PainterTarget()
{
    abandon();
}

bool PainterTarget::active() const
{
    return m_painter && m_painter->isActive();
}

void PainterTarget::applyLayout()
{
    const QPageLayout current = m_device.pageLayout();
    QPageLayout wanted = a4Layout(m_orientation, current.margins(QPageLayout::Millimeter));
    if (!current.isEquivalentTo(wanted))
        m_device.setPageLayout(wanted);
}

bool PainterTarget::ensureBegun()
{
    if (m_begun)
        return true;
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_device)) {
        m_painter.reset();
        m_detail = QStringLiteral("The page could not be started.");
        return false;
    }
    m_begun = true;
    // Twips onto the device's resolution; the origin is the printable area's corner.
    m_scale = m_device.logicalDpiX() / kTwipsPerInch;
    m_painter->scale(m_device.logicalDpiX() / kTwipsPerInch, m_device.logicalDpiY() / kTwipsPerInch);
    m_painter->setRenderHint(QPainter::Antialiasing, true);
    m_painterHasFont = false;
    m_painter->setPen(QPen(Qt::black, 0, m_dotted ? Qt::DotLine : Qt::SolidLine));
    m_painter->setBrush(m_fill ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
    return true;
}

// The font, its ascent and line height follow the font settings; the
// painter gets the font only when a text needs it and it changed.
void PainterTarget::applyFont()
{
    if (m_font == m_metricsFont && m_haveMetrics)
        return;
    m_qfont = twipsFont(m_font);
    const QFontMetricsF metrics(m_qfont);
    m_ascent = metrics.ascent();
    m_lineSpacing = metrics.lineSpacing();
    m_metricsFont = m_font;
    m_haveMetrics = true;
    m_painterHasFont = false;
}

double PainterTarget::lineHeight() const
{
    return m_lineSpacing;
}

bool PainterTarget::apply(const PrintStep &step, double &widthOut)
{
    using K = PrintStep::Kind;
    switch (step.kind) {
    case K::PaperA4:
        applyLayout();
        return true;
    case K::Orientation:
        m_orientation = static_cast<Orientation>(step.value);
        applyLayout();
        return true;
    case K::FontName:
        m_font.name = step.text;
        applyFont();
        return true;
    case K::FontSize:
        m_font.pointSize = step.x;
        applyFont();
        return true;
    case K::FontBold:
        m_font.bold = step.value != 0;
        applyFont();
        return true;
    case K::CurrentX:
    case K::CurrentY:
        return true;
    case K::Width: {
        const QPageLayout layout = m_device.pageLayout();
        widthOut = layout.paintRect(QPageLayout::Inch).width() * kTwipsPerInch;
        return true;
    }
    case K::PenStyle:
        m_dotted = static_cast<PenStyle>(step.value) == PenStyle::Dotted;
        if (m_painter)
            m_painter->setPen(QPen(Qt::black, 0, m_dotted ? Qt::DotLine : Qt::SolidLine));
        return true;
    case K::FillSolid:
        m_fill = true;
        if (m_painter)
            m_painter->setBrush(QBrush(Qt::black));
        return true;
    case K::Text: {
        if (!ensureBegun())
            return false;
        if (!m_painterHasFont) {
            m_painter->setFont(m_qfont);
            m_painterHasFont = true;
        }
        // The font is sized in twips, so its ascent is in twips too.
        m_painter->drawText(QPointF(step.x, step.y + m_ascent), step.text);
        return true;
    }
    case K::Line:
        if (!ensureBegun())
            return false;
        m_painter->drawLine(QPointF(step.x, step.y), QPointF(step.x2, step.y2));
        return true;
    case K::Circle:
        if (!ensureBegun())
            return false;
        m_painter->drawEllipse(QPointF(step.x, step.y), step.x2, step.x2);
        return true;
    case K::NewPage:
        if (!ensureBegun())
            return false;
        if (!m_device.newPage()) {
            m_detail = QStringLiteral("A new page could not be started.");
            return false;
        }
        return true;
    case K::EndDocument:
        if (!ensureBegun())
            return false;
        return end();
    }
    return false;
}

bool PainterTarget::end()
{
    if (!m_painter)
        return false;
    const bool ok = m_painter->end();
    m_painter.reset();
    if (!ok)
        m_detail = QStringLiteral("The document could not be finished.");
    return ok;
}

void PainterTarget::abandon()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
}

// --------------------------------------------------------------------- PDF

PdfSurface::PdfSurface(QIODevice &out, const QString &name, const QString &title) : m_out(out), m_name(name)
{
    m_writer = std::make_unique<QPdfWriter>(&m_out);
    m_writer->setResolution(static_cast<int>(kTwipsPerInch));
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("Quenvo"));
    m_writer->setPageLayout(a4Layout(Orientation::Portrait, QMarginsF()));
    m_target = std::make_unique<PainterTarget>(*m_writer);
}

PdfSurface::~PdfSurface()
{
    m_target.reset();
}

double PdfSurface::lineHeight() const
{
    return m_target->lineHeight();
}

bool PdfSurface::perform(const PrintStep &step, double &widthOut)
{
    if (!m_out.isWritable()) {
        fail(QStringLiteral("%1 is not open for writing.").arg(m_name));
        return false;
    }
    if (!m_target->apply(step, widthOut)) {
        fail(QStringLiteral("%1: %2").arg(m_name, m_target->detail()));
        return false;
    }
    // A write that failed (a full disk) shows on the file; at the end all of
    // the document must have reached it.
    auto *file = qobject_cast<QFileDevice *>(&m_out);
    if (file && step.kind == PrintStep::Kind::EndDocument && !file->flush() &&
        file->error() == QFileDevice::NoError) {
        fail(QStringLiteral("%1: the document could not be written out.").arg(m_name));
        return false;
    }
    if (file && file->error() != QFileDevice::NoError) {
        fail(QStringLiteral("%1: %2").arg(m_name, file->errorString()));
        return false;
    }
    return true;
}

// ----------------------------------------------------------- default printer

DefaultPrinterSurface::DefaultPrinterSurface(const QString &title) : m_title(title) {}

DefaultPrinterSurface::~DefaultPrinterSurface() = default;

bool DefaultPrinterSurface::lookUpPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() || info.printerName().isEmpty()) {
        fail(noPrinterDetail());
        return false;
    }
    m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Without a usable printer Qt quietly makes a PDF printer with no file.
    if (m_printer->outputFormat() != QPrinter::NativeFormat || m_printer->printerName().isEmpty()) {
        fail(noPrinterDetail());
        return false;
    }
    m_printerName = m_printer->printerName();
    const QPrinter::PrinterState state = info.state();
    if (state == QPrinter::Aborted || state == QPrinter::Error) {
        fail(QStringLiteral("The printer %1 is %2 and takes no job. Start it again in the printer "
                            "settings (or with cupsenable %1) and print again.")
                 .arg(m_printerName, stateText(state)));
        return false;
    }
    m_printer->setDocName(m_title);
    m_printer->setCreator(QStringLiteral("Quenvo"));
    return true;
}

double DefaultPrinterSurface::lineHeight() const
{
    if (!(m_font == m_lineFont) || m_lineHeight < 0) {
        m_lineHeight = QFontMetricsF(twipsFont(m_font)).lineSpacing();
        m_lineFont = m_font;
    }
    return m_lineHeight;
}

bool DefaultPrinterSurface::perform(const PrintStep &step, double &widthOut)
{
    using K = PrintStep::Kind;
    if (!m_printer && !lookUpPrinter())
        return false;
    switch (step.kind) {
    case K::Orientation:
        m_orientation = static_cast<Orientation>(step.value);
        break;
    // Font settings that change nothing are not kept: a record line sets
    // the same font every time.
    case K::FontName:
        if (m_font.name == step.text)
            return true;
        m_font.name = step.text;
        break;
    case K::FontSize:
        if (m_font.pointSize == step.x)
            return true;
        m_font.pointSize = step.x;
        break;
    case K::FontBold:
        if (m_font.bold == (step.value != 0))
            return true;
        m_font.bold = step.value != 0;
        break;
    case K::Width: {
        QPageLayout layout = m_printer->pageLayout();
        layout.setPageSize(QPageSize(QPageSize::A4));
        layout.setOrientation(m_orientation == Orientation::Portrait ? QPageLayout::Portrait
                                                                     : QPageLayout::Landscape);
        widthOut = layout.paintRect(QPageLayout::Inch).width() * kTwipsPerInch;
        return true; // nothing to keep
    }
    case K::CurrentX:
    case K::CurrentY:
        return true; // the texts carry their positions
    case K::EndDocument:
        return submit();
    default:
        break;
    }
    m_steps.push_back(step);
    return true;
}

// Paints the kept document on the printer and hands it over.
bool DefaultPrinterSurface::submit()
{
    // Page settings first, while the printer is not yet active.
    Orientation orientation = Orientation::Portrait;
    for (const PrintStep &s : m_steps)
        if (s.kind == PrintStep::Kind::Orientation) {
            orientation = static_cast<Orientation>(s.value);
            break;
        }
    QPageLayout layout = m_printer->pageLayout();
    layout.setPageSize(QPageSize(QPageSize::A4));
    layout.setOrientation(orientation == Orientation::Portrait ? QPageLayout::Portrait
                                                               : QPageLayout::Landscape);
    m_printer->setPageLayout(layout);

#ifdef QUENVO_HAVE_CUPS
    const int jobBefore = lastJobId(m_printerName);
#endif
    bool ok = true;
    {
        PainterTarget target(*m_printer);
        double unused = 0;
        for (const PrintStep &s : m_steps) {
            if (!target.apply(s, unused)) {
                ok = false;
                break;
            }
        }
        if (ok)
            ok = target.end();
        else
            target.abandon();
        if (!ok) {
            fail(QStringLiteral("The printer %1 did not take the job (%2). Check that it is on and "
                                "ready, then print again.")
                     .arg(m_printerName, target.detail()));
            m_steps.clear();
            return false;
        }
    }
    m_steps.clear();
    m_steps.shrink_to_fit();
#ifdef QUENVO_HAVE_CUPS
    if (lastJobId(m_printerName) <= jobBefore) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(m_printerName);
        fail(QStringLiteral("The printer %1 refused the job: %2 (printer %3). Check the printer in the "
                            "printer settings, then print again.")
                 .arg(m_printerName, QString::fromLocal8Bit(cupsLastErrorString()),
                      stateText(info.isNull() ? QPrinter::Error : info.state())));
        return false;
    }
#endif
    return true;
}

} // namespace printing
