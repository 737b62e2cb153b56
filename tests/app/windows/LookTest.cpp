// How the program's windows look at the font they are shown in: captions that fit and keep
// clear of their boxes, values the boxes show whole, one grey.

#include "ProgramFixture.h"

#include "app/windows/uCasheBox.h"
#include "app/windows/uOrderForm.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/DBControls.h"

#include <QLineEdit>
#include <QStyle>

namespace {

// The captions of `window` whose text comes nearer than 5 pixels to the box to their right on
// the same row, as "name: caption".
QStringList TouchingCaptions(const QWidget* window)
{
    QStringList touching;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->isHidden() || label->wordWrap() || label->text().isEmpty()) continue;
        if (!(label->alignment() & Qt::AlignLeft)) continue;
        QString text = label->text();
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const int textRight = label->x() + label->fontMetrics().horizontalAdvance(text);
        const int middle = label->y() + label->height() / 2;
        for (const QWidget* box : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (box == label || box->isHidden() || qobject_cast<const QLabel*>(box)) continue;
            if (box->x() <= label->x() || box->y() > middle || box->y() + box->height() < middle) continue;
            if (textRight + 5 > box->x()) touching << label->objectName() + QStringLiteral(": ") + text;
        }
    }
    return touching;
}

// The room a line edit gives its text.
int TextRoom(const QLineEdit* edit)
{
    const QMargins margins = edit->textMargins();
    return edit->width() - 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4 - margins.left() -
           margins.right();
}

class LookTest : public ProgramTest {
protected:
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }
};

TEST_F(LookTest, NoWindowCutsACaptionOrRunsOneIntoItsBox)
{
    LoginAsAdministrator();
    for (int i = 0; i < application_->FormCount(); ++i) {
        TForm* window = application_->Forms(i);
        SCOPED_TRACE(window->objectName().toStdString());
        EXPECT_EQ(ClippedCaptions(window), QStringList());
        EXPECT_EQ(TouchingCaptions(window), QStringList());
    }
}

TEST_F(LookTest, TheOrderWindowShowsItsNumbersAndDatesWhole)
{
    LoginAsAdministrator();
    Seed("invoice.sql");
    Restart();
    LoginAsAdministrator();
    fSetings->cbxShowUPayed->SetChecked(true);
    fSetings->cbxOnlythisF->SetChecked(false);
    fCarVantel->Show();
    fCarVantel->ApplySaleFilter();
    ShowOrder(1);
    DM->tblSaleTotalQuery->Requery();

    EXPECT_EQ(fCarVantel->DBE_invoice_num->Text(), QStringLiteral("7"));
    EXPECT_FALSE(fCarVantel->DBE_sale_date->Text().isEmpty());
    // The widest values the boxes show: a date, a total of an order in the thousands.
    const std::pair<TDBEdit*, QString> widest[] = {
        {fCarVantel->DBE_sale_num, QStringLiteral("00.00.0000")},    {fCarVantel->DBE_sale_date, QStringLiteral("00.00.0000")},
        {fCarVantel->DBE_invoice_num, QStringLiteral("00.00.0000")}, {fCarVantel->DBE_invoice_date, QStringLiteral("00.00.0000")},
        {fCarVantel->DBE_Sale_sum, QStringLiteral("99999.99")},      {fCarVantel->DBE_Total, QStringLiteral("99999.99")}};
    for (const auto& [box, value] : widest) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_LE(box->fontMetrics().horizontalAdvance(box->Text()), TextRoom(box));
        EXPECT_LE(box->fontMetrics().horizontalAdvance(value), TextRoom(box));
    }
    // Every box of the panel lies inside it, none over another.
    const QList<QWidget*> boxes = fCarVantel->Panel3->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* box : boxes) {
        if (box->isHidden()) continue;
        EXPECT_TRUE(fCarVantel->Panel3->rect().contains(box->geometry())) << box->objectName().toStdString();
        for (const QWidget* other : boxes) {
            if (other == box || other->isHidden()) continue;
            EXPECT_FALSE(box->geometry().intersects(other->geometry()))
                << box->objectName().toStdString() << " " << other->objectName().toStdString();
        }
    }
}

TEST_F(LookTest, TheOrderWindowIsOneGrey)
{
    LoginAsAdministrator();
    fCarVantel->Show();
    const QImage shot = fCarVantel->grab().toImage();
    const QColor face = ToQColor(clBtnFace);
    const auto at = [&](const QWidget* inside, QPoint point) {
        return shot.pixelColor(inside->mapTo(fCarVantel, point));
    };
    EXPECT_EQ(at(fCarVantel->Panel3, QPoint(fCarVantel->Panel3->width() - 3, fCarVantel->Panel3->height() - 3)), face);
    EXPECT_EQ(at(fCarVantel->gbCar, QPoint(fCarVantel->gbCar->width() - 5, fCarVantel->gbCar->height() - 6)), face);
    EXPECT_EQ(at(fCarVantel->Client, QPoint(fCarVantel->Client->width() / 2, fCarVantel->gbCar->height() + 7)),
              face);
}

TEST_F(LookTest, TheCashJournalShowsEveryValueWholeInItsColumns)
{
    LoginAsAdministrator();
    Seed("cash_period.sql");
    CreateReportTemplates(*application_);
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    fCasheBox->Today = [] { return TDateTime(46174); };
    host_.AnswerForm(QStringLiteral("ReportPreview"), mrOk);
    OpenWindow("fCasheBox", [](TForm&) {
        fCasheBox->bPrintClick(nullptr);
        return mrCancel;
    });
    TDBGrid* grid = fOrderForm->DBGrid1;
    TDataSet* journal = grid->DataSet();
    ASSERT_TRUE(journal && journal->Active());
    int rows = 0;
    for (journal->First(); !journal->Eof(); journal->Next(), ++rows)
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumn* column = grid->Columns()[i];
            const QString text = column->Field() ? column->Field()->DisplayText() : QString();
            EXPECT_LE(grid->fontMetrics().horizontalAdvance(text) + 5, column->Width())
                << column->FieldName().toStdString() << ": " << text.toStdString();
        }
    EXPECT_GE(rows, 9);
}

}  // namespace
