#pragma once
// The program-wide state the windows share: who is logged in, the firm new orders belong to, the
// operator password, the engine's last error, and the flags the windows and the data module's
// rules read.

#include "dataaccess/DaoDataBase.h"

#include <QString>

namespace app {

// `seller.id` of the operator logged in; "1" until the first login.
extern QString CurrentSellerId;
// `myfirm.id` of the own firm; -1 until the settings are read.
extern qint32 CurrentFirmId;
// The operator password, in clear.
extern QString OperatorPassword;
// The engine's error of the last refused connection.
extern TDaoErrorRecord LastDaoError;
// `logs.id` of this run's login row; 0 before the first login.
extern qint32 CurrentLoginId;
// The main window has been shown once.
extern bool MainFormReady;
// The open order has changes not saved yet.
extern bool OrderDirty;
// Stock is picked per article (first delivered first) rather than per delivery line.
extern bool PerArticle;
// The database file this run made from the empty template; empty when none was made.
extern QString TemplateCopy;

}  // namespace app
