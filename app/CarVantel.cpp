#include "app/CarVantel.h"

#include "app/datamodule/DModule.h"
#include "app/windows/uArticles.h"
#include "app/windows/uArticlesGrouped.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uDeliverySearchResult.h"
#include "app/windows/uErrorDescription.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "app/windows/uSplash.h"
#include "app/windows/uStorage.h"
#include "platform/report/BandReport.h"
#include "platform/toolkit/gui/Application.h"

void CreateReportTemplates(TApplication& application)
{
    // Every template prints on the default page; one that cannot be set up stops them all.
    auto* pageCheck = new TBandReport(&application);
    pageCheck->setObjectName(QStringLiteral("PageCheck"));
    pageCheck->CheckPage();
}

void CreateProgramWindows(TApplication& application)
{
    DM = new TDM(&application);
    application.CreateForm<TfCarVantel>();
    application.CreateForm<TfSetings>();
    application.CreateForm<TfPasswordDlg>();
    application.CreateForm<TfMyMessage>();
    application.CreateForm<TfStorage>();
    application.CreateForm<TfArticles>();
    application.CreateForm<TfDeliverySearchResult>();
    application.CreateForm<TfErrorDescription>();
    application.CreateForm<TfDeliverySearchForm>();
    application.CreateForm<TfArticlesGrouped>();
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
