#include "app/CarVantel.h"
#include "app/util/QtTranslation.h"
#include "platform/toolkit/gui/Application.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

// With CARVANTEL_SCREENSHOT=<prefix> every shown window is pictured once a second into
// "<prefix><window name>.png", to see the program as its user does on a machine without a
// screen.
void PictureWindowsInto(const QString& prefix)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [prefix] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && !window->objectName().isEmpty())
                window->grab().save(prefix + window->objectName() + QStringLiteral(".png"));
    });
    timer->start(1000);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication qt(argc, argv);
    InstallQtTranslation(qt);
    InstallProgramTranslation(qt, QCoreApplication::applicationDirPath());
    const QString pictures = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
    if (!pictures.isEmpty()) PictureWindowsInto(pictures);
    TApplication application;
    return RunCarVantel(application);
}
