#pragma once
// The question and the failure text every list window's delete shares.

#include <QString>

// Asks "Текущия ред от таблицата ще бъде премахнат !" with Cancel while the settings ask
// questions (`cbMessages`); true for Yes. With questions off the answer is `unasked`: some
// windows then delete at once, others do nothing.
bool ConfirmRowDelete(bool unasked);
// Tells that the row was not deleted.
void ShowDeleteFailed();
