#pragma once
// A grid printed as a table with the stock's value under it: at delivery prices and at sale
// prices, as the data module totals them.

#include "app/reports/uUniversalReport.h"

class TReportDBText;

class TfUniversalReportPlus : public TfUniversalReport {
    Q_OBJECT
public:
    explicit TfUniversalReportPlus(QObject* owner = nullptr);
    ~TfUniversalReportPlus() override;

    TReportDBText* total_d = nullptr;
    TReportDBText* total_s = nullptr;
};

extern TfUniversalReportPlus* fUniversalReportPlus;
