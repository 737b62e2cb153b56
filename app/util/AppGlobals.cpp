#include "app/util/AppGlobals.h"

namespace app {

QString CurrentSellerId = QStringLiteral("1");
qint32 CurrentFirmId = -1;
QString OperatorPassword;
TDaoErrorRecord LastDaoError;
qint32 CurrentLoginId = 0;
bool MainFormReady = false;
bool OrderDirty = false;
bool PerArticle = false;
QString TemplateCopy;

}  // namespace app
