#pragma once
// Printing a grid as a table: the grid's dataset, columns, titles and widths copied onto the
// column header and detail bands of a report template. Every grid-printing template carries the
// same slots: one label and one expression for column 0 ("QRLabel0", "QRExpr0") and 18 more of
// each, of which the first is never shown and the next 17 take columns 1 to 17.

class TBandReport;
class TDBGrid;
class TReportBand;

// The most columns of a grid that are printed.
constexpr int kPrintedGridColumns = 18;
// Units between two printed columns.
constexpr int kPrintedColumnGap = 2;

// Adds the template's column slots to its header and detail bands.
void AddGridColumnSlots(TReportBand* header, TReportBand* detail);
// Makes the report print `grid`'s rows: its dataset, and its visible columns in list order, each
// `kPrintedColumnGap` units after the one before; past `kPrintedGridColumns` they are dropped.
// False, with every slot off, when the grid has no open dataset: there is nothing to print.
bool CopyGridColumns(TDBGrid* grid, TBandReport& report, TReportBand* header, TReportBand* detail);
