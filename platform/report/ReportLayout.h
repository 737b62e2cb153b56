#pragma once
// Lays a band report out into pages: the page header, title and column header at the top, a
// detail band for every row with group headers and footers where the grouping values change,
// the summary after the last row, the page footer at the bottom of the page. A band that does
// not fit above the page footer goes to a new page (unless it stands first on the page).

#include "platform/report/ReportPage.h"

#include <vector>

class TBandReport;

// Raises EReportError naming the report or the control that cannot be laid out. The report's
// dataset ends up past its last row.
std::vector<TReportPage> LayoutReport(TBandReport& report);
