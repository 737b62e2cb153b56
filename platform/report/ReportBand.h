#pragma once
// A band of the report: a strip as wide as the page's printable area that prints its controls
// at the place the band type gives it. A group header starts a new group whenever its
// expression's value changes from one detail row to the next; its footer band closes the group.

#include "platform/toolkit/Component.h"

#include <QColor>
#include <vector>

class TBandReport;
class TReportPrintable;

enum TBandType {
    rbTitle,         // once, at the top of the first page
    rbPageHeader,    // at the top of every page (the first one only with the report's FirstPageHeader)
    rbColumnHeader,  // below the page header on every page
    rbDetail,        // once for every row of the report's dataset
    rbGroupHeader,   // before the first row of each group
    rbGroupFooter,   // after the last row of each group
    rbSummary,       // once, after the last row
    rbPageFooter     // at the bottom of every page (the last one only with LastPageFooter)
};

class TReportBand : public TComponent {
    Q_OBJECT
public:
    // The report owns its bands; bands of one type print in the order they were created.
    TReportBand(TBandReport* report, TBandType type);

    TBandReport* Report() const;
    TBandType BandType() const { return type_; }
    void SetBandType(TBandType type) { type_ = type; }
    // Report units.
    double Height() const { return height_; }
    void SetHeight(double height) { height_ = height; }
    // A disabled band prints nothing and takes no room.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { enabled_ = v; }
    // Background; an invalid colour leaves the page white.
    QColor Color() const { return color_; }
    void SetColor(const QColor& c) { color_ = c; }
    // The band starts a new page, unless it would stand first on the page anyway.
    bool ForceNewPage() const { return forceNewPage_; }
    void SetForceNewPage(bool v) { forceNewPage_ = v; }

    // Group headers: the grouping expression and the band that closes the group.
    QString Expression() const { return expression_; }
    void SetExpression(const QString& expression) { expression_ = expression; }
    TReportBand* FooterBand() const { return footer_; }
    void SetFooterBand(TReportBand* footer);

    // The band's controls in creation order.
    std::vector<TReportPrintable*> Printables() const;

    void Notification(TComponent* component, TOperation operation) override;

private:
    TBandType type_;
    double height_ = 40.0;
    bool enabled_ = true;
    bool forceNewPage_ = false;
    QColor color_;
    QString expression_;
    TReportBand* footer_ = nullptr;
};
