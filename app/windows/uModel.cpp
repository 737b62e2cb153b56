#include "app/windows/uModel.h"

#include "app/datamodule/DModule.h"
#include "app/windows/RowDelete.h"
#include "app/windows/WindowKit.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QScopeGuard>

TfModel* fModel = nullptr;

namespace {

TDaoTable* Models()
{
    return DM->tblModel;
}

bool Editing(TDataSet* dataSet)
{
    return dataSet->State() == dsEdit || dataSet->State() == dsInsert;
}

}  // namespace

TfModel::TfModel(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fModel"));
    SetCaption(QStringLiteral("Марки и модели"));
    SetBorderStyle(bsDialog);
    SetHelpContext(1000);
    SetPosition(poScreenCenter);
    resize(380, 420);

    dbcbMark = Place<TComboBox>(this, "dbcbMark", 8, 8, 250, 24);
    dbcbMark->SetText(TDM::AllMakes());
    dbcbMark->OnDropDown = Bind(this, &TfModel::dbcbMarkDropDown);
    dbcbMark->OnChange = Bind(this, &TfModel::dbcbMarkChange);
    dbcbMark->OnKeyPress = Bind(this, &TfModel::dbcbMarkKeyPress);

    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcModel, 8, 40, 250, height() - 48);
    SetColumns(DBGrid1, {{"model_name", "Модел", 216}});
    DBGrid1->SetOptions(DBGrid1->Options() & ~dgTitles);
    DBGrid1->OnKeyDown = Bind(this, &TfModel::DBGrid1KeyDown);

    const struct {
        TFlatButton* TfModel::*Member;
        const char* Name;
        const char* Caption;
        void (TfModel::*Handler)(QObject*);
    } buttons[] = {
        {&TfModel::bYes, "bYes", "&Добави", &TfModel::bYesClick},
        {&TfModel::FlatButton1, "FlatButton1", "&Запис", &TfModel::FlatButton1Click},
        {&TfModel::bDel, "bDel", "&Премахни", &TfModel::bDelClick},
        {&TfModel::bCancel, "bCancel", "&Изход", &TfModel::bCancelClick},
    };
    int top = 40;
    for (const auto& b : buttons) {
        auto* button = Place<TFlatButton>(this, b.Name, QString::fromUtf8(b.Caption), 268, top, 100, 28);
        button->OnClick = Bind(this, b.Handler);
        this->*b.Member = button;
        top += 36;
    }
    bCancel->SetCancel(true);

    OnActivate = Bind(this, &TfModel::FormActivate);
    OnClose = Bind(this, &TfModel::FormClose);
    DM->WindowHooks.ModelMakeText = [this] { return dbcbMark->Text(); };
    if (!fModel) fModel = this;
    PlaceFlatLook(this);
}

TfModel::~TfModel()
{
    if (DM) DM->WindowHooks.ModelMakeText = nullptr;
    if (fModel == this) fModel = nullptr;
}

QString TfModel::MakeFilter(const QString& make)
{
    return QStringLiteral("[mark_name]=\"") + QString(make).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

void TfModel::FillMarks()
{
    const QString text = dbcbMark->Text();
    dbcbMark->Items().Clear();
    DM->tblMark->Requery();
    dbcbMark->Items().Add(TDM::AllMakes());
    for (DM->tblMark->First(); !DM->tblMark->Eof(); DM->tblMark->Next())
        dbcbMark->Items().Add(DM->tblMark->FieldByName(QStringLiteral("mark_name"))->AsString());
    dbcbMark->SetText(text);
}

void TfModel::FormActivate(QObject*)
{
    dbcbMarkChange(dbcbMark);
}

void TfModel::dbcbMarkDropDown(QObject*)
{
    FillMarks();
}

void TfModel::dbcbMarkChange(QObject*)
{
    Models()->SetFiltered(false);
    const QString make = dbcbMark->Text();
    if (make == TDM::AllMakes() || make.isEmpty()) return;
    Models()->SetFilter(MakeFilter(make));
    Models()->SetFiltered(true);
}

void TfModel::dbcbMarkKeyPress(QObject*, QChar& key)
{
    if (key == QLatin1Char('\r')) dbcbMarkChange(dbcbMark);
    // The list of every make takes no typing: a new make is typed after "&Добави".
    if (dbcbMark->Text() == TDM::AllMakes() && key != QLatin1Char('\x1b')) key = QChar();
}

void TfModel::bYesClick(QObject*)
{
    dbcbMark->SetText(QString());
    dbcbMark->SetFocus();
    dbcbMark->SetDroppedDown(true);
}

void TfModel::FlatButton1Click(QObject*)
{
    if (!Models()->Active()) return;
    Models()->Edit();
    DBGrid1->CommitEditor();
}

void TfModel::bDelClick(QObject*)
{
    if (!Models()->Active() || Models()->IsEmpty()) return;
    const TField* id = Models()->FieldByName(QStringLiteral("id"));
    if (id->IsNull() || !ConfirmRowDelete(false)) return;
    try {
        DM->ExecuteSql(QStringLiteral("DELETE * FROM model WHERE id=:id"), {{QStringLiteral("id"), id->AsInteger()}});
        Models()->SetFiltered(false);
        Models()->RequeryIfRestartable();
        dbcbMarkChange(dbcbMark);
    } catch (const std::exception&) {
        ShowDeleteFailed();
    }
}

void TfModel::bCancelClick(QObject*)
{
    SetModalResult(mrCancel);
}

void TfModel::SavePendingModel()
{
    DBGrid1->CommitEditor();
    if (!Editing(Models())) return;
    if (Models()->FieldByName(QStringLiteral("model_name"))->AsString().trimmed().isEmpty())
        Models()->Cancel();
    else
        Models()->Post();
}

void TfModel::FormClose(QObject*, TCloseAction&)
{
    const auto unfiltered = qScopeGuard([] {
        Models()->SetFiltered(false);
        Models()->SetFilter(QString());
    });
    if (Models()->Active()) SavePendingModel();
}

void TfModel::DBGrid1KeyDown(QObject*, int& key, TShiftState shift)
{
    if (key == Qt::Key_Delete && (shift & Qt::ControlModifier)) {
        key = 0;
        bDelClick(DBGrid1);
    } else if (key == Qt::Key_Tab && !shift) {
        key = 0;
        bCancel->SetFocus();
    }
}
