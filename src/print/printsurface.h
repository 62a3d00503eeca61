#pragma once

#include <QString>
#include <optional>
#include <vector>

// The page a report is drawn on, in twips (1440 per inch) from the top-left
// corner of the printable area, y downwards. A text is placed by its top-left
// corner at the current position; printing it moves the position to the start
// of the next line, so the layouts position every item before printing it.
//
// Every operation may fail. The first failure is sticky: every later
// operation fails at once and draws nothing, so a layout stops at the step
// that failed. failureDetail() then says why and what to do.
namespace printing {

enum class Orientation { Portrait = 1, Landscape = 2 };
enum class PenStyle { Solid, Dotted };

struct TextFont
{
    QString name = QStringLiteral("Arial");
    double pointSize = 12;
    bool bold = false;
    friend bool operator==(const TextFont &, const TextFont &) = default;
};

// One operation as the surfaces receive it.
struct PrintStep
{
    enum class Kind {
        PaperA4,
        Orientation,
        FontName,
        FontSize,
        FontBold,
        CurrentX,
        CurrentY,
        Text,  // `text` with its top-left corner at (x, y)
        Width, // reads the page width
        PenStyle,
        Line,      // (x, y) to (x2, y2)
        FillSolid, // closed figures filled with the fill colour
        Circle,    // centre (x, y), radius x2
        NewPage,
        EndDocument,
    };
    Kind kind = Kind::PaperA4;
    double x = 0;
    double y = 0;
    double x2 = 0;
    double y2 = 0;
    int value = 0; // Orientation, PenStyle, FontBold (0/1)
    QString text;  // FontName, Text
};

class PrintSurface
{
public:
    // A4 portrait is 11906 x 16838 twips.
    static constexpr double kA4WidthTwips = 210.0 / 25.4 * 1440.0;
    static constexpr double kA4HeightTwips = 297.0 / 25.4 * 1440.0;

    virtual ~PrintSurface() = default;

    bool setPaperA4();
    bool setOrientation(Orientation orientation);
    bool setFontName(const QString &name);
    bool setFontSize(double points);
    bool setFontBold(bool bold);
    bool setCurrentX(double x);
    bool setCurrentY(double y);
    bool moveTo(double x, double y) { return setCurrentX(x) && setCurrentY(y); }
    bool print(const QString &text);
    // The page width in twips, read at this moment; nothing after a failure.
    std::optional<double> width();
    bool setPenStyle(PenStyle style);
    bool line(double x1, double y1, double x2, double y2);
    bool setFillSolid();
    bool circle(double x, double y, double radius);
    bool newPage();
    bool endDocument();

    double currentX() const { return m_x; }
    double currentY() const { return m_y; }
    const TextFont &font() const { return m_font; }
    PenStyle penStyle() const { return m_pen; }
    bool fillSolid() const { return m_fillSolid; }
    Orientation orientation() const { return m_orientation; }

    bool failed() const { return m_failed; }
    // Why the surface failed and what to do about it (one sentence or two).
    const QString &failureDetail() const { return m_detail; }

protected:
    // Carries out one step. Returns false (after fail() or with a detail of
    // its own) when the step failed. For Width it sets `widthOut`.
    virtual bool perform(const PrintStep &step, double &widthOut) = 0;
    // Height of a line of text in the current font, in twips.
    virtual double lineHeight() const = 0;
    // Records the failure's detail; the first one counts.
    void fail(const QString &detail);

private:
    bool run(const PrintStep &step);

    double m_x = 0;
    double m_y = 0;
    TextFont m_font;
    PenStyle m_pen = PenStyle::Solid;
    bool m_fillSolid = false;
    Orientation m_orientation = Orientation::Portrait;
    bool m_failed = false;
    QString m_detail;
};

// Records every step with the state it ran in, for exact-geometry checks,
// and fails on request at a chosen step.
class RecordingSurface : public PrintSurface
{
public:
    struct Entry
    {
        PrintStep step;
        TextFont font; // in force for the step
        PenStyle pen = PenStyle::Solid;
        bool fillSolid = false;
        int page = 1; // 1-based page the step went on
    };

    std::vector<Entry> entries;
    int pages = 1; // pages begun
    bool documentEnded = false;

    // Step number `step` (1-based, counting every operation asked for)
    // fails with `detail`.
    void failAt(int step, const QString &detail = QStringLiteral("injected failure"))
    {
        m_failAt = step;
        m_failDetail = detail;
    }
    int stepsAsked() const { return m_asked; }

    // Texts of one page (0: every page), in order.
    std::vector<Entry> texts(int page = 0) const;
    std::vector<Entry> ofKind(PrintStep::Kind kind) const;

protected:
    bool perform(const PrintStep &step, double &widthOut) override;
    double lineHeight() const override { return font().pointSize * 20.0 * 1.15; }

private:
    int m_failAt = 0;
    QString m_failDetail;
    int m_asked = 0;
};

} // namespace printing
