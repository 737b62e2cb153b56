// The report over the toolkit's datasets: its own rows, the current row of other datasets of
// the data module found by name, and a dataset that goes away.

#include "platform/report/BandReport.h"
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportError.h"
#include "platform/report/ReportExpr.h"
#include "platform/toolkit/VectorDataSet.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "support/RunTool.h"

#include <gtest/gtest.h>

namespace {

// Persistent fields, as a data module declares them.
void CreateFields(VectorDataSet& dataSet)
{
    for (int i = 0; i < dataSet.FieldDefs().Count(); ++i)
        dataSet.FieldDefs()[i]->CreateField(&dataSet);
}

struct TDataModuleFixture {
    TDataModuleFixture()
    {
        dm.SetName(QStringLiteral("DM"));
        lines = new VectorDataSet(&dm);
        lines->SetName(QStringLiteral("tblSaleDetail"));
        lines->FieldDefs().Add(QStringLiteral("article_name"), ftString, 50);
        lines->FieldDefs().Add(QStringLiteral("service"), ftBoolean);
        CreateFields(*lines);
        lines->AddRow({TVariant("Масло"), TVariant(false)});
        lines->AddRow({TVariant("Смяна на масло"), TVariant(true)});
        lines->AddRow({TVariant("Филтър"), TVariant(false)});
        sale = new VectorDataSet(&dm);
        sale->SetName(QStringLiteral("tblSale"));
        sale->FieldDefs().Add(QStringLiteral("sale_num"), ftInteger);
        CreateFields(*sale);
        sale->AddRow({TVariant(7)});
        sale->AddRow({TVariant(8)});
        lines->Open();
        sale->Open();
        sale->Last();

        report = new TBandReport(&app);
        report->SetName(QStringLiteral("OrderReport"));
        report->SetDataSet(lines);
        auto* number = new TReportExpr(report->CreateBand(rbTitle, 20));
        number->SetName(QStringLiteral("exNumber"));
        number->SetExpression(QStringLiteral("'№ ' + tblSale.sale_num"));
        TReportBand* detail = report->CreateBand(rbDetail, 20);
        auto* name = new TReportDBText(detail);
        name->SetName(QStringLiteral("dbName"));
        name->SetDataField(QStringLiteral("article_name"));
        auto* work = new TReportExpr(detail);
        work->SetName(QStringLiteral("exWork"));
        work->SetExpression(QStringLiteral("IF(tblSaleDetail.service,'V','')"));
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const TPageItem& item : report->Pages().at(0).Items)
            texts << item.Text;
        return texts;
    }

    QObject app;  // the application object: owns the data module and the report templates
    TComponent dm{&app};
    VectorDataSet* lines = nullptr;
    VectorDataSet* sale = nullptr;
    TBandReport* report = nullptr;
};

TEST(ReportDataSet, PrintsItsRowsAndTheCurrentRowOfDatasetsFoundByName)
{
    TDataModuleFixture fixture;
    EXPECT_EQ(fixture.report->DataSet(), fixture.lines);
    fixture.report->Prepare();
    EXPECT_EQ(fixture.Texts().join(QLatin1Char('|')).toStdString(), "№ 8|Масло||Смяна на масло|V|Филтър|");
    EXPECT_FALSE(fixture.lines->ControlsDisabled());
    EXPECT_EQ(fixture.lines->RecNo(), 1) << "back on the row it stood on";
    EXPECT_EQ(fixture.sale->FieldByName(QStringLiteral("sale_num"))->AsInteger(), 8) << "other datasets stay put";
}

TEST(ReportDataSet, TheReportLeavesItsDatasetOnTheRowItStoodOn)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TDataModuleFixture fixture;
    TField* name = fixture.lines->FieldByName(QStringLiteral("article_name"));
    int scrolls = 0;
    fixture.lines->AfterScroll = [&](TDataSet*) { ++scrolls; };
    fixture.lines->Next();
    ASSERT_EQ(name->AsString().toStdString(), "Смяна на масло");
    scrolls = 0;

    fixture.report->Prepare();
    EXPECT_EQ(name->AsString().toStdString(), "Смяна на масло");
    EXPECT_FALSE(fixture.lines->Eof());
    fixture.report->Print();
    EXPECT_EQ(name->AsString().toStdString(), "Смяна на масло") << "printing lays out anew";
    ASSERT_EQ(host.PrintedFiles().size(), 1);
    EXPECT_TRUE(PdfText(host.PrintedFiles().at(0)).contains(QStringLiteral("Филтър")));

    fixture.lines->Last();
    fixture.report->Prepare();
    EXPECT_EQ(name->AsString().toStdString(), "Филтър");
    EXPECT_GT(scrolls, 0) << "the walk moves the dataset as a person's scroll would";
}

TEST(ReportDataSet, AnEmptyDatasetStaysEmptyAndPrintsItsOtherBands)
{
    TDataModuleFixture fixture;
    VectorDataSet none;
    none.SetName(QStringLiteral("tblSaleDetail"));
    none.FieldDefs().Add(QStringLiteral("article_name"), ftString, 50);
    none.FieldDefs().Add(QStringLiteral("service"), ftBoolean);
    CreateFields(none);
    none.Open();
    fixture.report->SetDataSet(&none);
    fixture.report->Prepare();
    EXPECT_TRUE(none.Eof());
    EXPECT_TRUE(none.Bof());
    EXPECT_EQ(fixture.Texts().join(QLatin1Char('|')).toStdString(), "№ 8");
}

TEST(ReportDataSet, AClosedOrMissingDatasetIsAnErrorAndADeletedOneIsForgotten)
{
    TDataModuleFixture fixture;
    fixture.sale->Close();
    try {
        fixture.report->Prepare();
        FAIL() << "no error";
    } catch (const EReportError& e) {
        EXPECT_EQ(e.Message().toStdString(), "exNumber: Dataset 'tblSale' is not open");
    }
    fixture.sale->Open();
    delete fixture.sale;
    EXPECT_THROW(fixture.report->Prepare(), EReportError);
    delete fixture.lines;
    EXPECT_EQ(fixture.report->DataSet(), nullptr);
    EXPECT_EQ(fixture.report->RowSource(), nullptr);
}

TEST(ReportDataSet, ADataTextBoundToADatasetOutsideTheDataModuleMakesItVisible)
{
    TDataModuleFixture fixture;
    VectorDataSet firm;
    firm.SetName(QStringLiteral("tblMyFirm"));
    firm.FieldDefs().Add(QStringLiteral("myfirm_name"), ftString, 40);
    CreateFields(firm);
    firm.AddRow({TVariant("Автосервиз ООД")});
    firm.Open();
    auto* name = new TReportDBText(fixture.report->BandsOfType(rbTitle).at(0));
    name->SetName(QStringLiteral("dbFirm"));
    name->SetDataSet(&firm);
    name->SetDataField(QStringLiteral("myfirm_name"));
    EXPECT_EQ(fixture.report->FindPrintable(QStringLiteral("DBFIRM")), name);
    fixture.report->Prepare();
    EXPECT_EQ(fixture.Texts().at(1).toStdString(), "Автосервиз ООД");
}

}  // namespace
