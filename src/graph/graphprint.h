#pragma once

#include "app/sharedstate.h"
#include "platform/printsurfaces.h"
#include "print/reports.h"

class Dialogs;
class GraphForm;

// The graph window's "Print": the graph report of the trend window on the
// default printer, with the labels the windows show at that moment.
namespace graphprint {

struct PrintOutcome
{
    bool ok = false;
    QString detail; // why it failed and what to do; empty on success
};

inline const QString kPrinterErrorText = QStringLiteral("printer error!");
inline const QString kReportTitle = QStringLiteral("Quenvo Graph Report");

// The graph window's axis captions and the data window's clock caption.
reports::GraphReportLabels labelsFromWindow(const GraphForm &window, const QString &clock);

// Prints the graph report on a surface made by `make` (the default printer
// when empty).
PrintOutcome printGraphReport(SharedState &state, const reports::GraphReportLabels &labels,
                              const printing::SurfaceFactory &make = {});
inline PrintOutcome printGraphReportToDefaultPrinter(SharedState &state,
                                                     const reports::GraphReportLabels &labels)
{
    return printGraphReport(state, labels);
}

// The button's whole work: print, and on failure tell "printer error!" with
// its reason, once.
void printFromWindow(GraphForm &window, SharedState &state, const QString &clock, Dialogs &dialogs,
                     const printing::SurfaceFactory &make = {});

} // namespace graphprint
