#pragma once
// The application flags the data module's record rules set and clear, and the rest of the
// shared window state, beside the globals of AppGlobals.h (the seller, the firm, the
// main-window-ready and order-dirty flags live there).

#include "platform/toolkit/DataSet.h"

namespace app {

// An order line was added; the lines are renumbered when the cursor leaves it.
extern bool LineAdded;
// The current order line is new and not yet left.
extern bool NewLine;
// The line painting found a line asking for more than the stock.
extern bool MissingStock;
// A delivery or one of its lines has changes whose totals are not re-read yet.
extern bool DeliveryChanged;
// A delivery line was posted since the stores window last looked.
extern bool LinesPosted;
// An employee payment has changes the pay rule has not seen.
extern bool PaymentChanged;
// An employee row is being created.
extern bool NewEmployee;
// The open order may not be edited.
extern bool OrderLocked;
extern bool CarEdited;
extern bool ClientEdited;
// Set while the order lines are renumbered, so their rules do not start it again.
extern bool RenumberingLines;
// Holds `RenumberingLines` for as long as it lives.
class TRenumberingGuard {
public:
    TRenumberingGuard() { RenumberingLines = true; }
    ~TRenumberingGuard() { RenumberingLines = false; }
    TRenumberingGuard(const TRenumberingGuard&) = delete;
    TRenumberingGuard& operator=(const TRenumberingGuard&) = delete;
};
// The cash box shows one day.
extern bool DailyCashBox;
// A position remembered across windows (order list, invoice preview).
extern TBookmark SharedBookmark;
// The dataset the stock window and the stock picking read (per delivery or per article).
extern TDataSet* CurrentStockDataSet;

}  // namespace app
