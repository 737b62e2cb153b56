#include "app/util/AppFlags.h"

namespace app {

bool LineAdded = false;
bool NewLine = false;
bool MissingStock = false;
bool DeliveryChanged = false;
bool LinesPosted = false;
bool PaymentChanged = false;
bool NewEmployee = false;
bool OrderLocked = false;
bool CarEdited = false;
bool ClientEdited = false;
bool RenumberingLines = false;
bool DailyCashBox = false;
TBookmark SharedBookmark;
TDataSet* CurrentStockDataSet = nullptr;

}  // namespace app
