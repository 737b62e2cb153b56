#pragma once
// What the main window's files share: the settings it reads, the order's fields and the
// lines' batch work.

#include "app/datamodule/DModule.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uSetings.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QString>
#include <utility>

namespace main_window {

using M = TfCarVantel;

template <class TBox>
bool SettingOn(TBox* TfSetings::*box)
{
    return fSetings && (fSetings->*box)->Checked();
}

inline TField* FieldOf(TDataSet* dataset, const char* name)
{
    return dataset->FieldByName(QString::fromLatin1(name));
}

// Runs the box's change without its click handler.
inline void SetCheckedQuietly(TCheckBox* box, bool checked)
{
    TNotifyEvent handler = std::exchange(box->OnClick, nullptr);
    try {
        box->SetChecked(checked);
    } catch (...) {
        box->OnClick = std::move(handler);
        throw;
    }
    box->OnClick = std::move(handler);
}

inline bool IsSaleRow()
{
    return DM->tblSale->Active() && !DM->tblSale->IsEmpty();
}

// The highest number `sql` reads through the scratch query: 0 when there is none yet, -1 when
// it cannot be read. The scratch query is closed after.
inline int HighestNumber(const QString& sql, const TSqlParams& params = {})
{
    int highest = -1;
    try {
        const TField* found = DM->OpenQuery(sql, params)->Fields().Fields(0);
        highest = found->IsNull() ? 0 : found->AsInteger();
    } catch (const std::exception&) {
        highest = -1;
    }
    try {
        DM->tblMyPersonalQuery->Close();
    } catch (const std::exception&) {
        // Closing the scratch query cannot change the number read.
    }
    return highest;
}

}  // namespace main_window

template <class F>
void TfCarVantel::WithLinesDisabled(F&& requery)
{
    TDaoTable* lines = DM->tblSaleDetail;
    const TControlsOff linesOff(lines);
    requery(lines);
}

template <class F>
void TfCarVantel::InLinesBatch(F&& work)
{
    TDaoTable* lines = DM->tblSaleDetail;
    const auto leaveBatch = [lines] {
        lines->SetBatchMode(false);
        lines->Refresh();
    };
    const TControlsOff linesOff(lines);
    try {
        lines->SetBatchMode(true);
        lines->Refresh();
        work(lines);
    } catch (...) {
        try {
            // The line whose post failed is not posted again on the way out.
            if (lines->State() != dsBrowse) lines->Cancel();
        } catch (const std::exception&) {
        }
        try {
            leaveBatch();
        } catch (const std::exception&) {
        }
        throw;
    }
    leaveBatch();
}
