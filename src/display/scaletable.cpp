#include "display/scaletable.h"

#include "app/numeric.h"
#include "app/sharedstate.h"

#include <cmath>

namespace scales {

const QStringList &choices()
{
    static const QStringList list = {QStringLiteral("4000"), QStringLiteral("2000"), QStringLiteral("1000"),
                                     QStringLiteral("400"),  QStringLiteral("200"),  QStringLiteral("100"),
                                     QStringLiteral("40"),   QStringLiteral("20"),   QStringLiteral("10")};
    return list;
}

namespace {

ScaleRow rowFor(std::int32_t s)
{
    const double q = s / 4.0;
    const double values[8] = {1.0 * s, 3 * q, 2 * q, q, -q, -2 * q, -3 * q, -1.0 * s};
    ScaleRow row{s, {}};
    for (int i = 0; i < 8; ++i)
        row.displayLabels[static_cast<std::size_t>(i)] = shortestDecimal(values[i]);
    return row;
}

} // namespace

ScaleRow lookup(const QString &text)
{
    const qsizetype i = choices().indexOf(text);
    return rowFor(i >= 0 ? choices()[i].toInt() : SharedState::kDefaultScale);
}

std::optional<QString> smaller(const QString &text)
{
    const qsizetype i = choices().indexOf(text);
    if (i < 0)
        return text;
    if (i == choices().size() - 1)
        return std::nullopt;
    return choices()[i + 1];
}

std::optional<QString> larger(const QString &text)
{
    const qsizetype i = choices().indexOf(text);
    if (i < 0)
        return text;
    if (i == 0)
        return std::nullopt;
    return choices()[i - 1];
}

std::optional<std::int32_t> toWholeScale(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    // Beyond 32 bits a scale has no defined value.
    if (!ok || !std::isfinite(v) || v >= 2147483647.5)
        return std::nullopt;
    const std::int32_t c = roundHalfEven(v);
    if (c <= 0)
        return std::nullopt;
    return c;
}

std::array<QString, 17> graphLabels(std::int32_t c)
{
    std::array<QString, 17> labels;
    labels[0] = QString::number(c);
    labels[16] = QString::number(-static_cast<std::int64_t>(c));
    for (int j = 1; j <= 7; ++j) {
        const double v = static_cast<double>(c) * (8 - j) / 8;
        labels[static_cast<std::size_t>(j)] = shortestDecimal(v);
        labels[static_cast<std::size_t>(16 - j)] = shortestDecimal(-v);
    }
    return labels;
}

} // namespace scales
