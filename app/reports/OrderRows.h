#pragma once
// The rows a printout of the current order reads beside its lines: the order's car, client and
// own firm, whatever row a list window left current in their tables.

#include <memory>
#include <vector>

class TBandReport;
class TReportRowSource;

// While it lives, `tblCar`, `tblClient` and `tblMyFirm` stand on the rows the current order of
// `tblSale` names; a row that is not there (none named, or gone) prints empty on `report`.
class TOrderRows {
public:
    explicit TOrderRows(TBandReport& report);
    ~TOrderRows();
    TOrderRows(const TOrderRows&) = delete;
    TOrderRows& operator=(const TOrderRows&) = delete;

private:
    TBandReport& report_;
    std::vector<std::unique_ptr<TReportRowSource>> blanks_;
};
