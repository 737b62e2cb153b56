// Every window comes to rest once it is shown: nothing it paints asks for another paint, so an
// idle window costs no processor time, with a message box over it as well.

#include "ProgramFixture.h"

#include "app/windows/WindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <string>

namespace {

// Counts the paint events of every widget while it lives, as "window/widget".
class TPaintCounter : public QObject {
public:
    TPaintCounter() { qApp->installEventFilter(this); }
    ~TPaintCounter() override { qApp->removeEventFilter(this); }
    // "widget x count" for each widget painted, in the order first painted.
    std::string Painted() const
    {
        QStringList counted;
        QStringList seen;
        for (const QString& name : painted_)
            if (!seen.contains(name)) seen << name;
        for (const QString& name : seen) counted << name + QStringLiteral(" x") + QString::number(painted_.count(name));
        return counted.join(QStringLiteral(", ")).toStdString();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            painted_ << widget->window()->objectName() + QLatin1Char('/') + widget->objectName() + QLatin1Char('(') +
                            QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(')');
        }
        return false;
    }

private:
    QStringList painted_;
};

// Lets everything shown settle, then tells what was painted over one idle second.
std::string PaintedWhileIdle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
    TPaintCounter counter;
    clock.restart();
    while (clock.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return counter.Painted();
}

// Each window in turn, over the small shop the window tests share.
class RestTest : public ProgramTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        // A blinking caret repaints its edit by design.
        flashTime_ = QApplication::cursorFlashTime();
        QApplication::setCursorFlashTime(0);
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
        QApplication::setCursorFlashTime(flashTime_);
    }
    // Nothing is painted while the window stands idle, nor while a message box stands over it.
    void ExpectRest()
    {
        EXPECT_EQ(PaintedWhileIdle(), "");
        host_.OnForm(QStringLiteral("fMyMessage"), [](TForm&) {
            EXPECT_EQ(PaintedWhileIdle(), "") << "under the message box";
            return mrOk;
        });
        ShowWarning(QStringLiteral("Проба"), false);
    }
    int flashTime_ = 0;
};

TEST_P(RestTest, TheWindowGoesIdleOnceShownAndUnderAMessageBox)
{
    LoginAsAdministrator();
    Seed("shop_basic.sql");
    Restart();
    LoginAsAdministrator();
    app::MainFormReady = true;
    fCarVantel->Show();
    if (QLatin1String(GetParam()) == QLatin1String("fCarVantel")) {
        ExpectRest();
        return;
    }
    OpenWindow(GetParam(), [this](TForm&) {
        ExpectRest();
        return mrCancel;
    });
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, RestTest,
                         ::testing::Values("fCarVantel", "fSetings", "fSearch", "fPasswordDlg", "fFirmSet", "fCars",
                                           "fClients", "fModel", "fErrorDescription", "fCasheBox", "fOrderForm",
                                           "fCashFinish", "fDebit", "fEmployee", "fArticlesWork", "fStorage",
                                           "fArticles", "fDeliverySearchResult", "fSearchForm", "fSearchResult",
                                           "fDeliverySearchForm", "fArticlesGrouped"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
