// Print runs through the scripted host: a PDF file a run, a record of each, and a missing
// printer on request.

#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "support/RunTool.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Writes `text` at the top left of one page.
TPrintJob PageWith(const QString& text)
{
    return [text](QPrinter& printer) {
        QPainter painter;
        ASSERT_TRUE(painter.begin(&printer));
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        painter.drawText(QRectF(0, 0, printer.width(), printer.height() / 4), Qt::AlignLeft | Qt::AlignTop, text);
        painter.end();
    };
}

TEST(ScriptedUiHostPrint, EachRunIsAPdfFileOfItsOwnThatReadsBackAsText)
{
    QTemporaryDir folder;
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    host.SetPrintFolder(folder.path());

    EXPECT_TRUE(UiHost().PrintDocument(QStringLiteral("Фактура"), PageWith(QStringLiteral("Фактура № 1042"))));
    EXPECT_TRUE(UiHost().PrintDocument(QStringLiteral("Поръчка"), PageWith(QStringLiteral("Поръчка № 7"))));

    const QStringList files = host.PrintedFiles();
    ASSERT_EQ(files.size(), 2);
    EXPECT_NE(files.at(0), files.at(1));
    EXPECT_EQ(QFileInfo(files.at(0)).absolutePath(), QDir(folder.path()).absolutePath());
    EXPECT_TRUE(PdfText(files.at(0)).contains(QStringLiteral("Фактура № 1042"))) << PdfText(files.at(0)).toStdString();
    EXPECT_TRUE(PdfText(files.at(1)).contains(QStringLiteral("Поръчка № 7")));
    EXPECT_FALSE(PdfText(files.at(1)).contains(QStringLiteral("1042"))) << "a run does not add to the one before";

    ASSERT_EQ(host.CountOf(TShownRecord::Print), 2);
    const TShownRecord& first = host.Shown().at(0);
    EXPECT_EQ(first.Kind, TShownRecord::Print);
    EXPECT_EQ(first.Name, QStringLiteral("Фактура"));
    EXPECT_EQ(first.FileName, files.at(0));
    EXPECT_EQ(first.Result, mrOk);
}

TEST(ScriptedUiHostPrint, WithoutAFolderRunsGoToATemporaryOneThatLeavesWithTheHost)
{
    QString folder;
    {
        TScriptedUiHost host;
        ASSERT_TRUE(host.PrintDocument(QStringLiteral("Каса"), PageWith(QStringLiteral("Каса"))));
        folder = host.PrintFolder();
        ASSERT_EQ(host.PrintedFiles().size(), 1);
        EXPECT_TRUE(host.PrintedFiles().at(0).startsWith(folder));
        EXPECT_TRUE(QFileInfo::exists(host.PrintedFiles().at(0)));
    }
    EXPECT_FALSE(QDir(folder).exists());
}

TEST(ScriptedUiHostPrint, WithoutAPrinterTheRunIsRefusedAndNothingIsPainted)
{
    TScriptedUiHost host;
    host.SetPrinterAvailable(false);
    bool painted = false;
    EXPECT_FALSE(host.PrintDocument(QStringLiteral("Фактура"), [&](QPrinter&) { painted = true; }));
    EXPECT_FALSE(painted);
    EXPECT_TRUE(host.PrintedFiles().isEmpty());
    ASSERT_EQ(host.CountOf(TShownRecord::Print), 1);
    EXPECT_EQ(host.Shown().at(0).Result, mrCancel);
    EXPECT_TRUE(host.Shown().at(0).FileName.isEmpty());
}

TEST(ScriptedUiHostPrint, WhatThePaintingRaisesPassesOnAndTheRunIsNotListed)
{
    TScriptedUiHost host;
    EXPECT_THROW(host.PrintDocument(QStringLiteral("Фактура"), [](QPrinter&) { throw std::runtime_error("paper jam"); }),
                 std::runtime_error);
    EXPECT_TRUE(host.PrintedFiles().isEmpty());
    ASSERT_EQ(host.CountOf(TShownRecord::Print), 1);
    EXPECT_EQ(host.Shown().at(0).Result, mrCancel);
}

}  // namespace
