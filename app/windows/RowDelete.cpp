#include "app/windows/RowDelete.h"

#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "platform/toolkit/gui/StandardControls.h"

bool ConfirmRowDelete(bool unasked)
{
    if (!fSetings || !fSetings->cbMessages->Checked()) return unasked;
    return ShowWarning(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !\rНаистина ли искате това ?"), true);
}

void ShowDeleteFailed()
{
    ShowWarning(QStringLiteral("Поради възникнала грешка, записът не бе премахнат !"), false);
}
