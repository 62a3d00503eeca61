#include "print/printsurface.h"

namespace printing {

namespace {

PrintStep makeStep(PrintStep::Kind kind, double x = 0, double y = 0, double x2 = 0, double y2 = 0)
{
    PrintStep step;
    step.kind = kind;
    step.x = x;
    step.y = y;
    step.x2 = x2;
    step.y2 = y2;
    return step;
}

} // namespace

void PrintSurface::fail(const QString &detail)
{
    if (!m_failed && m_detail.isEmpty())
        m_detail = detail;
    m_failed = true;
}

bool PrintSurface::run(const PrintStep &step)
{
    if (m_failed)
        return false;
    double width = 0;
    if (!perform(step, width)) {
        fail(QStringLiteral("The printer reported an error."));
        return false;
    }
    return true;
}

bool PrintSurface::setPaperA4()
{
    return run(makeStep(PrintStep::Kind::PaperA4));
}

bool PrintSurface::setOrientation(Orientation orientation)
{
    PrintStep step = makeStep(PrintStep::Kind::Orientation);
    step.value = static_cast<int>(orientation);
    if (!run(step))
        return false;
    m_orientation = orientation;
    return true;
}

bool PrintSurface::setFontName(const QString &name)
{
    PrintStep step = makeStep(PrintStep::Kind::FontName);
    step.text = name;
    if (!run(step))
        return false;
    m_font.name = name;
    return true;
}

bool PrintSurface::setFontSize(double points)
{
    PrintStep step = makeStep(PrintStep::Kind::FontSize);
    step.x = points;
    if (!run(step))
        return false;
    m_font.pointSize = points;
    return true;
}

bool PrintSurface::setFontBold(bool bold)
{
    PrintStep step = makeStep(PrintStep::Kind::FontBold);
    step.value = bold ? 1 : 0;
    if (!run(step))
        return false;
    m_font.bold = bold;
    return true;
}

bool PrintSurface::setCurrentX(double x)
{
    PrintStep step = makeStep(PrintStep::Kind::CurrentX);
    step.x = x;
    if (!run(step))
        return false;
    m_x = x;
    return true;
}

bool PrintSurface::setCurrentY(double y)
{
    PrintStep step = makeStep(PrintStep::Kind::CurrentY);
    step.y = y;
    if (!run(step))
        return false;
    m_y = y;
    return true;
}

bool PrintSurface::print(const QString &text)
{
    PrintStep step = makeStep(PrintStep::Kind::Text);
    step.x = m_x;
    step.y = m_y;
    step.text = text;
    if (!run(step))
        return false;
    // The start of the next line.
    m_x = 0;
    m_y += lineHeight();
    return true;
}

std::optional<double> PrintSurface::width()
{
    if (m_failed)
        return std::nullopt;
    double width = 0;
    if (!perform(makeStep(PrintStep::Kind::Width), width)) {
        fail(QStringLiteral("The printer reported an error."));
        return std::nullopt;
    }
    return width;
}

bool PrintSurface::setPenStyle(PenStyle style)
{
    PrintStep step = makeStep(PrintStep::Kind::PenStyle);
    step.value = static_cast<int>(style);
    if (!run(step))
        return false;
    m_pen = style;
    return true;
}

bool PrintSurface::line(double x1, double y1, double x2, double y2)
{
    return run(makeStep(PrintStep::Kind::Line, x1, y1, x2, y2));
}

bool PrintSurface::setFillSolid()
{
    if (!run(makeStep(PrintStep::Kind::FillSolid)))
        return false;
    m_fillSolid = true;
    return true;
}

bool PrintSurface::circle(double x, double y, double radius)
{
    return run(makeStep(PrintStep::Kind::Circle, x, y, radius));
}

bool PrintSurface::newPage()
{
    return run(makeStep(PrintStep::Kind::NewPage));
}

bool PrintSurface::endDocument()
{
    return run(makeStep(PrintStep::Kind::EndDocument));
}

// ----------------------------------------------------------------- recorder

bool RecordingSurface::perform(const PrintStep &step, double &widthOut)
{
    ++m_asked;
    if (m_asked == m_failAt) {
        fail(m_failDetail);
        return false;
    }
    if (documentEnded)
        return false; // nothing goes on an ended document
    entries.push_back({step, font(), penStyle(), fillSolid(), pages});
    switch (step.kind) {
    case PrintStep::Kind::Width:
        widthOut = orientation() == Orientation::Portrait ? kA4WidthTwips : kA4HeightTwips;
        break;
    case PrintStep::Kind::NewPage:
        ++pages;
        break;
    case PrintStep::Kind::EndDocument:
        documentEnded = true;
        break;
    default:
        break;
    }
    return true;
}

std::vector<RecordingSurface::Entry> RecordingSurface::texts(int page) const
{
    std::vector<Entry> out;
    for (const Entry &e : entries)
        if (e.step.kind == PrintStep::Kind::Text && (page == 0 || e.page == page))
            out.push_back(e);
    return out;
}

std::vector<RecordingSurface::Entry> RecordingSurface::ofKind(PrintStep::Kind kind) const
{
    std::vector<Entry> out;
    for (const Entry &e : entries)
        if (e.step.kind == kind)
            out.push_back(e);
    return out;
}

} // namespace printing
