// The message box answers, its help and relabelled variants, the error description window
// and the about box, each run through the scripted UI host.

#include "app/windows/About.h"
#include "app/windows/uErrorDescription.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uSplash.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

void Touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QTemporaryDir dir;
    TScriptedUiHost host;
    TScopedUiHost installed{host};
    TApplication app;
    TfMyMessage box;
};

struct MessageCase {
    const char* name;
    int helpContext;         // 0: no help topic asked for
    const char* relabel;     // the caller's own label for the second button, or null
    const char* press;       // "OKBtn" or "CancelBtn"
    bool helpFileExists;
    TModalResult answer;
    const char* secondCaptionShown;
    bool helpOpened;
};

TEST_F(MessageBoxTest, EachVariantAnswersAndPutsTheCaptionsBack)
{
    const MessageCase variants[] = {
        {"yes", 0, nullptr, "OKBtn", true, mrYes, "&Отказ", false},
        {"cancel", 0, nullptr, "CancelBtn", true, mrNo, "&Отказ", false},
        {"help", 4, nullptr, "CancelBtn", true, mrNo, "&Помощ", true},
        {"help without a help file", 18, nullptr, "CancelBtn", false, mrNo, "&Помощ", false},
        {"yes with a help topic", 16, nullptr, "OKBtn", true, mrYes, "&Помощ", false},
        {"details", 0, "&Подробности", "CancelBtn", true, mrNo, "&Подробности", false},
    };
    const QString helpFile = dir.filePath(QStringLiteral("CarVantel.HLP"));
    for (const MessageCase& v : variants) {
        SCOPED_TRACE(v.name);
        host.ClearShown();
        QFile::remove(helpFile);
        if (v.helpFileExists)
            Touch(helpFile);
        app.SetHelpFile(helpFile);

        const QString text = QStringLiteral("Текущия склад ще бъде премахнат !\rНаистина ли искате това ?");
        box.Label1->SetCaption(text);
        box.CancelBtn->setVisible(true);
        if (v.relabel)
            box.CancelBtn->SetCaption(QString::fromUtf8(v.relabel));
        if (v.helpContext)
            box.SetHelpContext(v.helpContext);

        QString captionShown;
        qint32 helpShown = -1;
        host.OnForm(QStringLiteral("fMyMessage"), [&](TForm& form) {
            auto& shown = static_cast<TfMyMessage&>(form);
            captionShown = shown.CancelBtn->Caption();
            helpShown = shown.HelpContext();
            form.findChild<TFlatButton*>(QString::fromUtf8(v.press))->Click();
            return mrNone;
        });
        EXPECT_EQ(box.ShowModal(), v.answer);

        EXPECT_EQ(captionShown.toStdString(), v.secondCaptionShown);
        EXPECT_EQ(helpShown, v.helpContext);
        ASSERT_GE(host.Shown().size(), 1u);
        EXPECT_TRUE(host.Shown().front().Text.contains(QStringLiteral("Наистина ли искате това ?")));
        EXPECT_EQ(host.CountOf(TShownRecord::Document), v.helpOpened ? 1 : 0);
        if (v.helpOpened) {
            EXPECT_EQ(host.Shown().back().Text, helpFile);
        }
        // The next question starts plain.
        EXPECT_EQ(box.CancelBtn->Caption(), QStringLiteral("&Отказ"));
        EXPECT_EQ(box.OKBtn->Caption(), QStringLiteral("&Да"));
        EXPECT_EQ(box.HelpContext(), 0);
    }
}

TEST_F(MessageBoxTest, WithoutAHelpFileTheHelpButtonOnlyCloses)
{
    app.SetHelpFile(QString());
    box.SetHelpContext(4);
    host.OnForm(QStringLiteral("fMyMessage"), [](TForm& form) {
        static_cast<TfMyMessage&>(form).CancelBtn->Click();
        return mrNone;
    });
    EXPECT_EQ(box.ShowModal(), mrNo);
    EXPECT_EQ(host.CountOf(TShownRecord::Document), 0);
    EXPECT_EQ(host.CountOf(TShownRecord::Message), 0);
}

TEST_F(MessageBoxTest, ClosedByItsCloseBoxItStillForgetsTheHelpTopic)
{
    box.SetHelpContext(4);
    EXPECT_EQ(box.ShowModal(), mrCancel);  // nobody answers: the close box
    EXPECT_EQ(box.HelpContext(), 0);
    EXPECT_EQ(box.CancelBtn->Caption(), QStringLiteral("&Отказ"));
}

TEST_F(MessageBoxTest, TheBoxIsAsWideAsItsLongestLineWithItsButtonsCentredUnderIt)
{
    const QString tooWide = QStringLiteral("дълъг ред ").repeated(60);
    const struct {
        const char* name;
        QString text;
        bool withCancel;
        bool wraps;  // a line wider than the screen may wrap, and only that one
    } cases[] = {
        {"a short question", QStringLiteral("Искате ли да добавите нов служител ?"), true, false},
        {"two lines", QStringLiteral("Трябва да създадете нов склад за доставки !\rИскате ли да го направите сега ?"), true,
         false},
        {"the engine's long line",
         QStringLiteral("Процесът е прекратен поради грешка \r3197\rЗаписът е променен от друг потребител, откакто "
                        "започнахте да го редактирате."),
         false, false},
        {"wider than the screen", QStringLiteral("Внимание !\r") + tooWide, true, true},
        {"short again", QStringLiteral("Поръчката бе приключена !"), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // What the event loop of the box shown before would have taken in: the window system's
        // word on the size that box had, which must not undo the next one's.
        QCoreApplication::processEvents();
        host.OnForm(QStringLiteral("fMyMessage"), [&](TForm& form) {
            const auto& shown = static_cast<TfMyMessage&>(form);
            EXPECT_TRUE(LinesBrokenByWidth(&form).isEmpty()) << LinesBrokenByWidth(&form).join('|').toStdString();
            const QRect text = shown.Label1->geometry();
            const QFontMetrics metrics(shown.Label1->font());
            int longest = 0;
            for (const QString& line : c.text.split(QLatin1Char('\r')))
                longest = std::max(longest, metrics.horizontalAdvance(line));
            EXPECT_LE(form.width(), WidestWindowWidth(&form));
            if (!c.wraps) {
                EXPECT_GE(text.width(), longest);
                EXPECT_LE(text.width(), std::max(348, longest + 8)) << "no wider than the line";
            }
            EXPECT_GE(text.left(), 0);
            EXPECT_LE(text.right(), form.width());
            EXPECT_GE(text.height(), shown.Label1->heightForWidth(text.width()));

            QRect buttons;
            for (const TFlatButton* button : {shown.OKBtn, shown.CancelBtn})
                if (button->isVisibleTo(&form)) buttons |= button->geometry();
            EXPECT_EQ(buttons.width(), c.withCancel ? 2 * 88 + 12 : 88);
            EXPECT_LE(std::abs(buttons.center().x() - form.width() / 2), 1) << "centred";
            EXPECT_GT(buttons.top(), text.bottom());
            EXPECT_LE(buttons.bottom(), form.height());
            return mrYes;
        });
        EXPECT_TRUE(ShowWarning(c.text, c.withCancel));
    }
}

TEST(ErrorDescriptionTest, HelpShowsTheConnectionTopicAndCloses)
{
    QTemporaryDir dir;
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TApplication app;
    const QString helpFile = dir.filePath(QStringLiteral("CarVantel.HLP"));
    Touch(helpFile);
    app.SetHelpFile(helpFile);
    TfErrorDescription window;
    EXPECT_EQ(window.Caption(), QStringLiteral("Разяснение"));
    window.edtDescription->Lines().Add(QStringLiteral("Грешка при свързване № 3024"));
    QString shownText;
    host.OnForm(QStringLiteral("fErrorDescription"), [&](TForm& form) {
        shownText = static_cast<TfErrorDescription&>(form).edtDescription->Lines().Text();
        static_cast<TfErrorDescription&>(form).bHelp->Click();
        return mrNone;
    });
    window.ShowModal();
    EXPECT_TRUE(shownText.contains(QStringLiteral("3024")));
    ASSERT_EQ(host.CountOf(TShownRecord::Document), 1);
    EXPECT_EQ(host.Shown().back().Text, helpFile);
    EXPECT_FALSE(window.Visible());
}

TEST(AboutBoxTest, ShowsNameAndVersionAndOpensTheFirstHelpFound)
{
    QTemporaryDir dir;
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    const QString program = dir.filePath(QStringLiteral("CarVantel"));
    struct Case {
        bool hlp, readme;
        QString opened;
    } cases[] = {
        {true, true, dir.filePath(QStringLiteral("CarVantel.hlp"))},
        {false, true, dir.filePath(QStringLiteral("Readme.txt"))},
        {false, false, QString()},
    };
    for (const Case& c : cases) {
        QFile::remove(dir.filePath(QStringLiteral("CarVantel.hlp")));
        QFile::remove(dir.filePath(QStringLiteral("Readme.txt")));
        if (c.hlp)
            Touch(dir.filePath(QStringLiteral("CarVantel.hlp")));
        if (c.readme)
            Touch(dir.filePath(QStringLiteral("Readme.txt")));
        host.ClearShown();
        auto* about = new TAboutBox;
        about->SetProgramFile(program);
        about->AppName->SetCaption(QStringLiteral("design caption"));
        QString nameShown;
        host.OnForm(QStringLiteral("AboutBox"), [&](TForm& form) {
            nameShown = static_cast<TAboutBox&>(form).AppName->Caption();
            static_cast<TAboutBox&>(form).bHelp->Click();
            static_cast<TAboutBox&>(form).bOk->Click();
            return mrNone;
        });
        EXPECT_EQ(about->ShowModal(), mrOk);
        delete about;
        EXPECT_EQ(nameShown, QStringLiteral("Car Vantel™  version 4.04"));
        EXPECT_EQ(host.CountOf(TShownRecord::Document), c.opened.isEmpty() ? 0 : 1);
        if (!c.opened.isEmpty()) {
            EXPECT_EQ(host.Shown().back().Text, c.opened);
        }
    }
}

TEST(AboutBoxTest, ShowsTheProgramsPictureAsTheSplashDoes)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TAboutBox about;
    QImage shown;
    host.OnForm(QStringLiteral("AboutBox"), [&](TForm&) {
        shown = about.ProgramIcon->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return mrOk;
    });
    about.ShowModal();
    ASSERT_FALSE(about.ProgramIcon->Picture().Empty());
    ASSERT_FALSE(shown.isNull());
    // What is on screen is the splash's picture at the box's size, whole.
    const QImage splash = TfSplashForm::Picture(shown.width(), shown.height());
    EXPECT_EQ(shown, splash.convertToFormat(QImage::Format_RGB32));
    const double ratio = double(shown.width()) / shown.height();
    EXPECT_NEAR(ratio, 583.0 / 215.0, 0.05);
    // Below it, the name is read whole.
    EXPECT_GE(about.AppName->y(), about.ProgramIcon->geometry().bottom());
    EXPECT_LE(about.AppName->fontMetrics().horizontalAdvance(TAboutBox::NameAndVersion()), about.AppName->width());
}

}  // namespace
