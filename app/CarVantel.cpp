#include "app/CarVantel.h"

#include "app/datamodule/DModule.h"
#include "app/reports/URep.h"
#include "app/reports/uInvoiceReport.h"
#include "app/reports/uOrderReport.h"
#include "app/reports/uUniversalReport.h"
#include "app/reports/uUniversalReportPlus.h"
#include "app/windows/uArticles.h"
#include "app/windows/uArticlesGrouped.h"
#include "app/windows/uArticlesWork.h"
#include "app/windows/uCars.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uCashFinish.h"
#include "app/windows/uDebit.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uClients.h"
#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uDeliverySearchResult.h"
#include "app/windows/uEmployee.h"
#include "app/windows/uErrorDescription.h"
#include "app/windows/uFirmSet.h"
#include "app/windows/uModel.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uOrderForm.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSearch.h"
#include "app/windows/uSearchForm.h"
#include "app/windows/uSearchResult.h"
#include "app/windows/uSetings.h"
#include "app/windows/uSplash.h"
#include "app/windows/uStorage.h"
#include "platform/report/BandReport.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"

void CreateReportTemplates(TApplication& application)
{
    // Every template checks its page; one that cannot be set up stops them all.
    (new TOrderReport(&application))->CheckPage();
    (new TInvoiceReport(&application))->CheckPage();
    (new TReport(&application))->CheckPage();
    (new TfUniversalReport(&application))->Report1->CheckPage();
}

void CreateProgramWindows(TApplication& application)
{
    DM = new TDM(&application);
    application.CreateForm<TfCarVantel>();
    application.CreateForm<TfSetings>();
    DM->WindowHooks.CashBoxNumberText = [] { return fSetings ? fSetings->cbxCashBoxNum->Text() : QString(); };
    application.CreateForm<TfSearch>();
    application.CreateForm<TfPasswordDlg>();
    application.CreateForm<TfMyMessage>();
    application.CreateForm<TfFirmSet>();
    application.CreateForm<TfCars>();
    application.CreateForm<TfClients>();
    application.CreateForm<TfModel>();
    application.CreateForm<TfErrorDescription>();
    application.CreateForm<TfCasheBox>();
    application.CreateForm<TfOrderForm>();
    application.CreateForm<TfCashFinish>();
    application.CreateForm<TfDebit>();
    application.CreateForm<TfEmployee>();
    application.CreateForm<TfArticlesWork>();
    application.CreateForm<TfStorage>();
    application.CreateForm<TfArticles>();
    application.CreateForm<TfDeliverySearchResult>();
    application.CreateForm<TfSearchForm>();
    application.CreateForm<TfSearchResult>();
    application.CreateForm<TfDeliverySearchForm>();
    application.CreateForm<TfArticlesGrouped>();
    new TfUniversalReportPlus(&application);
}

int RunCarVantel(TApplication& application, const TStartUpSteps& steps)
{
    auto* splash = new TfSplashForm;
    splash->Show();
    splash->repaint();
    TApplication::ProcessMessages();

    application.SetHelpFile(QStringLiteral("CarVantel.HLP"));
    CreateProgramWindows(application);

    bool terminate = false;
    try {
        if (steps.CreateReportTemplates) steps.CreateReportTemplates(application);
    } catch (const std::exception&) {
        fCarVantel->ShowWarning(QStringLiteral("Драйвера на принтера не поддържа този режим!"), false);
        terminate = true;
    }

    TApplication::ProcessMessages();
    splash->Hide();
    delete splash;

    if (terminate) return 0;
    if (fPasswordDlg->ShowModal() != mrOk) {
        UiHost().ExitProcess(0);
        return 0;
    }
    application.Run();
    return 0;
}
