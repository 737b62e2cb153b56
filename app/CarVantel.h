#pragma once
// The program's start: the splash while the data module and every window are made, the report
// templates (refused printers end the start), the login, then the main window's message loop.

#include <functional>

class TApplication;

struct TStartUpSteps {
    // Makes the printed-report templates; raises when the printer cannot serve them.
    std::function<void(TApplication& application)> CreateReportTemplates;
};

// The report templates the program prints with, each owned by the application.
void CreateReportTemplates(TApplication& application);

// The data module and every window, in their order, owned by the application.
void CreateProgramWindows(TApplication& application);

// Runs the program on `application` and gives the exit code.
int RunCarVantel(TApplication& application, const TStartUpSteps& steps = {CreateReportTemplates});
