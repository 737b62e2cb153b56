// The window kit: declared menus and columns, bound queries with hostile values, literal Like
// patterns, failures that raise, the grid that follows its window, sorting by title and the
// stock colours, and a printout through the print flow.

#include "ProgramFixture.h"

#include "app/reports/PrintFlow.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "controls/FlatLook.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/Fields.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QProcess>

namespace {

const QString kAdmin = QStringLiteral("Администратор");

class TKitWindow : public TForm {
public:
    TKitWindow();
    void OpenClick(QObject*) { ++opened; }
    void CloseQuery(QObject*, bool& canClose) { canClose = false; }

    static const TMenuSpec<TKitWindow> kMenu[];
    TMainMenu* Menu1 = nullptr;
    TMenuItem* File1 = nullptr;
    TMenuItem* Open1 = nullptr;
    int opened = 0;
};

const TMenuSpec<TKitWindow> TKitWindow::kMenu[] = {
    {"", "File1", "&Файл", "", nullptr, &TKitWindow::File1},
    {"File1", "Open1", "&Отвори", "Ctrl+O", &TKitWindow::OpenClick, &TKitWindow::Open1},
    {"File1", "N1", "-"},
    {"File1", "Quit1", "&Изход", "F10"},
};

TKitWindow::TKitWindow()
{
    setObjectName(QStringLiteral("fKit"));
    Menu1 = new TMainMenu(this);
    DeclareMenu(this, Menu1, kMenu);
}

TEST(WindowKit, ADeclaredMenuHasItsItemsShortCutsAndHandlers)
{
    TKitWindow window;
    TMenuItem* root = window.Menu1->Items();
    ASSERT_EQ(root->Count(), 1);
    EXPECT_EQ(root->Items(0), window.File1);
    ASSERT_EQ(window.File1->Count(), 3);
    EXPECT_EQ(window.File1->Items(0), window.Open1);
    EXPECT_EQ(window.Open1->objectName(), QStringLiteral("Open1"));
    EXPECT_EQ(window.Open1->Caption(), QStringLiteral("&Отвори"));
    EXPECT_EQ(window.Open1->ShortCut(), TextToShortCut(QStringLiteral("Ctrl+O")));
    EXPECT_TRUE(window.File1->Items(1)->IsLine());
    EXPECT_EQ(window.File1->Items(2)->ShortCut(), TextToShortCut(QStringLiteral("F10")));

    window.Open1->Click();
    EXPECT_EQ(window.opened, 1);
    EXPECT_TRUE(window.Menu1->IsShortCut(Qt::Key_O, Qt::ControlModifier));
    EXPECT_EQ(window.opened, 2);
}

TEST(WindowKit, BindPassesTheEventsArguments)
{
    TKitWindow window;
    window.OnCloseQuery = Bind(&window, &TKitWindow::CloseQuery);
    bool canClose = true;
    window.OnCloseQuery(&window, canClose);
    EXPECT_FALSE(canClose);
}

TEST(WindowKit, DeclaredColumnsAreTheGridsColumnsInTheirOrder)
{
    TForm form;
    TDBGrid* grid = PlaceGrid(&form, "DBGrid1", nullptr, 0, 0, 300, 200);
    SetColumns(grid, {{"article_code", "Код", 60, TColumnAlign::Center, true},
                      {"dimention", "Мярка", 40, TColumnAlign::Auto, false, {"бр.", "л"}},
                      {"article_name", "Наименование", 0, TColumnAlign::Auto, false, {}, true}});
    ASSERT_EQ(grid->Columns().Count(), 3);
    const TColumn* code = grid->Columns()[0];
    EXPECT_EQ(code->FieldName(), QStringLiteral("article_code"));
    EXPECT_EQ(code->Title().Caption(), QStringLiteral("Код"));
    EXPECT_EQ(code->Width(), 60);
    EXPECT_EQ(code->Alignment(), Qt::AlignHCenter);
    EXPECT_TRUE(code->ReadOnly());
    EXPECT_EQ(grid->Columns()[1]->PickList().Count(), 2);
    EXPECT_FALSE(grid->Columns()[1]->ReadOnly());
    EXPECT_EQ(grid->Columns()[2]->ButtonStyle(), cbsEllipsis);
    EXPECT_EQ(grid->Columns().State(), csCustomized);
}

TEST(WindowKit, AnAnchoredGridFollowsItsWindow)
{
    TForm form;
    form.resize(400, 300);
    auto* grid = Place<TDBGrid>(&form, "DBGrid1", 10, 20, 370, 250);
    auto* button = Place<QWidget>(&form, "bOK", 300, 275, 80, 20);
    Anchor(grid, akLeft | akTop | akRight | akBottom);
    Anchor(button, akRight | akBottom);
    form.show();
    form.resize(600, 500);
    EXPECT_EQ(grid->geometry(), QRect(10, 20, 570, 450));
    EXPECT_EQ(button->geometry(), QRect(500, 475, 80, 20));
}

TEST(WindowKit, GridKeysRunTheirActionsAndAreTakenOthersPass)
{
    const struct {
        QChar key;
        const char* ran;
        bool taken;
    } cases[] = {{QLatin1Char('\x1b'), "escape", true},
                 {QLatin1Char('\r'), "enter", true},
                 {QLatin1Char('\t'), "tab", true},
                 {QLatin1Char('a'), "", false},
                 {QLatin1Char(' '), "", false}};
    for (const auto& c : cases) {
        QString ran;
        QChar key = c.key;
        HandleGridKeys(key, {[&] { ran = QStringLiteral("escape"); }, [&] { ran = QStringLiteral("enter"); },
                             [&] { ran = QStringLiteral("tab"); }});
        EXPECT_EQ(ran, QString::fromLatin1(c.ran));
        EXPECT_EQ(key.isNull(), c.taken);
    }
    // A key without an action is still taken: the grid must not act on it itself.
    QChar tab = QLatin1Char('\t');
    HandleGridKeys(tab, {});
    EXPECT_TRUE(tab.isNull());
}

TEST(WindowKit, LikeLiteralBracketsEveryWildcard)
{
    EXPECT_EQ(LikeLiteral(QStringLiteral("a*b?c#d[e]")), QStringLiteral("a[*]b[?]c[#]d[[]e]"));
    EXPECT_EQ(LikeLiteral(QStringLiteral("Масло 5W30")), QStringLiteral("Масло 5W30"));
    EXPECT_EQ(QuotedSqlText(QStringLiteral("O'Neil")), QStringLiteral("'O''Neil'"));
    EXPECT_EQ(SqlDate(46000), QStringLiteral("Datevalue('09/12/2025')"));
}

// Names that read as SQL or as patterns; each must find its own row and nothing else.
const char* const kHostileNames[] = {
    "O'Neil", "say \"hi\"", "a*b", "[x]", "#1", "x -- y", "a; DELETE FROM client", "100%", "?",
};

// The names above and one holding the character NUL, which SQLite's statement text cannot.
QStringList HostileNames()
{
    QStringList names;
    for (const char* name : kHostileNames) names << QString::fromUtf8(name);
    return names << QStringLiteral("nul") + QChar(0) + QStringLiteral("name");
}

class KitQueryTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        for (const char* name : kHostileNames)
            Execute(QStringLiteral("INSERT INTO client (name) VALUES (%1)").arg(QuotedSqlText(QString::fromUtf8(name))));
        Execute(QStringLiteral("INSERT INTO client (name) VALUES ('nul' || char(0) || 'name')"));
        Execute(QStringLiteral("INSERT INTO client (name) VALUES ('a1b'), ('x--y'), ('a#1'), ('O''Neil''s')"));
        clients_ = Scalar(QStringLiteral("SELECT count(*) FROM client"));
    }
    // The names `query` stands on, in id order.
    static QStringList NamesOf(TDaoTable* query)
    {
        QStringList names;
        for (query->First(); !query->Eof(); query->Next())
            names << query->FieldByName(QStringLiteral("name"))->AsString();
        return names;
    }
    qint64 clients_ = 0;
};

TEST_F(KitQueryTest, ABoundValueFindsExactlyItsRowAndChangesNothing)
{
    for (const QString& name : HostileNames()) {
        const std::string raw = QString(name).replace(QChar(0), QStringLiteral("<NUL>")).toStdString();
        TDaoTable* query = DM->OpenQuery(QStringLiteral("SELECT id, name FROM client WHERE name=:name ORDER BY id"),
                                         {{QStringLiteral("name"), name}});
        // A string field's text ends at a NUL, as the toolkit's fields keep it.
        EXPECT_EQ(NamesOf(query), QStringList{name.section(QChar(0), 0, 0)}) << raw;
        EXPECT_TRUE(DM->AnyRow(QStringLiteral("SELECT id FROM client WHERE name=:name"), {{QStringLiteral("name"), name}}))
            << raw;
        EXPECT_TRUE(RecordExists(QStringLiteral("client"), QStringLiteral("name"), name)) << raw;
    }
    EXPECT_FALSE(RecordExists(QStringLiteral("client"), QStringLiteral("name"), QStringLiteral("' OR 1=1 OR '")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM client")), clients_);
}

TEST_F(KitQueryTest, ALiteralLikePatternMatchesTheTypedTextOnly)
{
    const struct {
        const char* typed;
        QStringList found;
    } cases[] = {
        {"a*", {"a*b"}},
        {"[x", {"[x]"}},
        {"#", {"#1"}},
        {"a#", {"a#1"}},
        {"x -", {"x -- y"}},
        {"?", {"?"}},
        {"O'Neil", {"O'Neil", "O'Neil's"}},
    };
    for (const auto& c : cases) {
        TDaoTable* query = DM->OpenQuery(QStringLiteral("SELECT id, name FROM client WHERE name LIKE :pattern ORDER BY id"),
                                         {{QStringLiteral("pattern"), LikeLiteral(QString::fromUtf8(c.typed)) + "*"}});
        EXPECT_EQ(NamesOf(query), c.found) << c.typed;
    }
}

TEST_F(KitQueryTest, AFailedStatementRaisesAndIsNeverNoRows)
{
    EXPECT_THROW(DM->OpenQuery(QStringLiteral("SELECT nothing FROM nowhere")), std::exception);
    EXPECT_THROW(DM->AnyRow(QStringLiteral("SELECT id FROM nowhere")), std::exception);
    // A parameter left without its value, or a value for no parameter.
    EXPECT_THROW(DM->AnyRow(QStringLiteral("SELECT id FROM client WHERE name=:name")), std::exception);
    EXPECT_THROW(DM->AnyRow(QStringLiteral("SELECT id FROM client"), {{QStringLiteral("name"), 1}}), std::exception);
    EXPECT_THROW(RecordExists(QStringLiteral("client; DROP"), QStringLiteral("id"), 1), std::exception);
}

TEST_F(KitQueryTest, AnActionStatementTakesItsValuesBound)
{
    EXPECT_EQ(DM->ExecuteSql(QStringLiteral("UPDATE client SET phone=:phone WHERE name=:name"),
                             {{QStringLiteral("phone"), QStringLiteral("'; DROP TABLE client; --")},
                              {QStringLiteral("name"), QStringLiteral("O'Neil")}}),
              1);
    EXPECT_EQ(Rows(QStringLiteral("SELECT phone FROM client WHERE name='O''Neil'")),
              (TRows{{QStringLiteral("'; DROP TABLE client; --")}}));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM client")), clients_);
}

TEST_F(KitQueryTest, ATitleClickSortsByThatColumn)
{
    TForm form;
    TDBGrid* grid = PlaceGrid(&form, "DBGrid1", DM->srcClient, 0, 0, 400, 300);
    SetColumns(grid, {{"id", "№"}, {"name", "Име"}});
    DM->tblClient->Close();
    DM->tblClient->Open();
    SortOnTitleClick(grid, DM->tblClient);
    grid->OnTitleClick(grid, grid->Columns()[1]);
    EXPECT_EQ(DM->tblClient->SortedBy().Text().trimmed(), QStringLiteral("[name] ASC"));
    QStringList names;
    for (DM->tblClient->First(); !DM->tblClient->Eof(); DM->tblClient->Next())
        names << DM->tblClient->FieldByName(QStringLiteral("name"))->AsString();
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(names, sorted);
    EXPECT_TRUE(SearchKey(DM->tblClient, QStringLiteral("name"), QStringLiteral("x -")));
    EXPECT_EQ(DM->tblClient->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("x -- y"));
}

// Every window the start makes, as a person first sees it: no caption cut at the default font.
// With CARVANTEL_SCREENSHOTS naming a folder, each window's picture is left there to look at.
TEST_F(ProgramTest, NoWindowCutsACaption)
{
    const QString pictures = qEnvironmentVariable("CARVANTEL_SCREENSHOTS");
    for (int i = 0; i < application_->FormCount(); ++i) {
        TForm* window = application_->Forms(i);
        EXPECT_EQ(ClippedCaptions(window), QStringList()) << window->objectName().toStdString();
        if (!pictures.isEmpty()) window->grab().save(pictures + QLatin1Char('/') + window->objectName() + QStringLiteral(".png"));
    }
}

// Every window the start makes wears the flat look at once; only the main window shades its
// icon column, and the message-like windows keep plain menus.
TEST_F(ProgramTest, EveryWindowWearsTheFlatLook)
{
    const QStringList plainMenus = {QStringLiteral("fMyMessage"), QStringLiteral("fErrorDescription")};
    for (int i = 0; i < application_->FormCount(); ++i) {
        TForm* window = application_->Forms(i);
        const std::string name = window->objectName().toStdString();
        const auto* look = window->findChild<TFlatLook*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(look, nullptr) << name;
        EXPECT_TRUE(look->Active()) << name;
        EXPECT_EQ(look->Gradient(), window == fCarVantel) << name;
        EXPECT_EQ(look->FlatMenu(), !plainMenus.contains(window->objectName())) << name;
        // Edits straight on a form, panel or group box are flat; a notebook page is no container.
        for (auto* edit : window->findChildren<TEdit*>())
            if (FlatContainerKind(FlatContainerOf(edit))) {
                EXPECT_NE(look->HookOf(edit), nullptr) << name << " " << edit->objectName().toStdString();
            }
    }
}

// A window that cannot be widened shows every column of its grids whole, on a shop with rows.
TEST_F(ProgramTest, NoFixedWindowCutsAColumn)
{
    Seed("shop_lists.sql");
    LoginAsAdministrator();
    for (int i = 0; i < application_->FormCount(); ++i) {
        TForm* window = application_->Forms(i);
        if (window == fCarVantel || window->BorderStyle() == bsSizeable || window->findChildren<TDBGrid*>().isEmpty())
            continue;
        const QByteArray name = window->objectName().toUtf8();
        OpenWindow(name.constData(), [&](TForm&) {
            QCoreApplication::processEvents();  // lays the grids out
            for (const TDBGrid* grid : window->findChildren<TDBGrid*>())
                if (grid->isVisible()) {
                    // An empty grid has not yet made room for its row indicator, 15 pixels once rows show.
                    const QHeaderView* indicator = grid->verticalHeader();
                    const int unplaced = indicator->isVisible() && indicator->count() == 0 ? 15 : 0;
                    EXPECT_LE(grid->horizontalHeader()->length(), grid->viewport()->width() - unplaced)
                        << name.constData() << " " << grid->objectName().toStdString();
                }
            return mrCancel;
        });
    }
}

// A window that can be widened and lengthened gives the room to its grids and keeps its
// buttons in sight.
TEST_F(ProgramTest, EveryGridFollowsItsSizableWindow)
{
    LoginAsAdministrator();
    for (int i = 0; i < application_->FormCount(); ++i) {
        TForm* window = application_->Forms(i);
        if (window->BorderStyle() != bsSizeable || window->findChildren<TDBGrid*>().isEmpty()) continue;
        const QByteArray name = window->objectName().toUtf8();
        OpenWindow(name.constData(), [&](TForm&) {
            QCoreApplication::processEvents();
            std::vector<std::pair<TDBGrid*, QSize>> grids;
            for (TDBGrid* grid : window->findChildren<TDBGrid*>())
                if (grid->isVisible()) grids.emplace_back(grid, grid->size());
            window->resize(window->size() + QSize(120, 90));
            QCoreApplication::processEvents();
            for (const auto& [grid, before] : grids) {
                const QSize grown = grid->size() - before;
                EXPECT_TRUE(grown.width() == 120 || grown.height() == 90)
                    << name.constData() << " " << grid->objectName().toStdString();
            }
            for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
                if (button->isVisible()) {
                    const QRect place(button->mapTo(window, QPoint(0, 0)), button->size());
                    EXPECT_TRUE(window->rect().contains(place)) << name.constData() << " " << button->objectName().toStdString();
                }
            window->resize(window->size() - QSize(120, 90));
            return mrCancel;
        });
    }
}

TEST_F(ProgramTest, StockRowsTakeTheStockColours)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    Seed("shop_basic.sql");
    TDaoTable* stock = DM->OpenQuery(QStringLiteral(
        "SELECT article_name, delivery_quantity AS total_quty, service FROM delivery_detail ORDER BY id"));
    const struct {
        const char* name;
        TColor colour;
    } rows[] = {{"Маслен филтър", clDefault}, {"Накладки предни", kNoStockColor}, {"Смяна на масло", kServiceColor}};
    for (const auto& row : rows) {
        ASSERT_TRUE(stock->Locate(QStringLiteral("article_name"), QString::fromUtf8(row.name), {})) << row.name;
        EXPECT_EQ(StockColour(stock, QStringLiteral("total_quty"), QStringLiteral("service")), row.colour) << row.name;
    }
}

TEST_F(ProgramTest, APrintoutSavedAsPdfHoldsItsText)
{
    TBandReport report;
    TReportBand* title = report.CreateBand(rbTitle, 40);
    auto* label = new TReportLabel(title);
    label->SetCaption(QStringLiteral("Фактура № 0000000042"));
    label->SetBounds(10, 10, 400, 24);
    RunReport(report, TPrintMode::Pdf, Path("invoice.pdf"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {Path("invoice.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Фактура № 0000000042")));
    EXPECT_THROW(RunReport(report, TPrintMode::Pdf), std::exception);
}

}  // namespace
