#include "graph/graphprint.h"

#include "graph/graphform.h"
#include "platform/dialogs.h"

#include <QLabel>

namespace graphprint {

reports::GraphReportLabels labelsFromWindow(const GraphForm &window, const QString &clock)
{
    reports::GraphReportLabels labels;
    for (std::size_t k = 0; k < 17; ++k) {
        const QLabel *label = k == 8 ? window.Label6 : window.Label8[k];
        labels.yLabels[k] = label ? label->text() : QString();
    }
    for (std::size_t i = 0; i < 3; ++i)
        labels.xLabels[i] = window.numlabel1[i] ? window.numlabel1[i]->text() : QString();
    labels.clock = clock;
    return labels;
}

PrintOutcome printGraphReport(SharedState &state, const reports::GraphReportLabels &labels,
                              const printing::SurfaceFactory &make)
{
    const std::unique_ptr<printing::PrintSurface> surface =
        make ? make() : printing::defaultPrinterFactory(kReportTitle)();
    PrintOutcome outcome;
    outcome.ok = reports::printGraphReport(*surface, state, labels);
    if (!outcome.ok)
        outcome.detail = surface->failureDetail();
    return outcome;
}

void printFromWindow(GraphForm &window, SharedState &state, const QString &clock, Dialogs &dialogs,
                     const printing::SurfaceFactory &make)
{
    const PrintOutcome outcome = printGraphReport(state, labelsFromWindow(window, clock), make);
    if (!outcome.ok)
        dialogs.tell(&window, kPrinterErrorText, outcome.detail);
}

} // namespace graphprint
