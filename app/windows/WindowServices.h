#pragma once
// The routines every window calls: the program's warning and question box, the connection test
// with its offer to reconnect, the record test, the empty-date test, and the two ways a user's
// text may enter SQL (a quoted literal, a Like pattern that matches only itself).

#include "platform/toolkit/Variant.h"

#include <QString>
#include <exception>

// The message in the program's own box; Cancel shown only with `withCancel`. True for Yes.
bool ShowWarning(const QString& text, bool withCancel);
// True when the database answers; else offers to reconnect through the login dialog.
bool CheckConnection();
// Shows the login dialog, for another try at connecting.
void OfferLogin();
// Writes the settings file (SettingsStore.h) under the hourglass; tells when it could not.
void SaveSettingsOrTell();
// True when `table` has a row whose `field` equals `value` (bound, never pasted). A table or
// field that is no plain name is refused with an error.
bool RecordExists(const QString& table, const QString& field, const TVariant& value);
// True for an empty date mask with '.', '/' or '-' as separator.
bool IsEmptyDate(const QString& text);
// `text` as a Jet text literal: in single quotes, inner quotes doubled.
QString QuotedSqlText(const QString& text);
// `text` as the body of a Like pattern that matches exactly that text: Jet's wildcards '*', '?',
// '#' and the bracket '[' are put in brackets. Append "*" for a prefix search.
QString LikeLiteral(const QString& text);
// A day as SQL text reads it: Datevalue('dd/mm/yyyy').
QString SqlDate(double day);
// What a command that failed half way shows: "Процесът е прекратен поради грешка ", then
// `separator`, then the engine's number and text when the failure is the engine's, the failure's
// own text otherwise.
QString ProcessStoppedText(const std::exception& error, const QString& separator = QString());

class TDaoDatabase;

// What other windows ask of the main window, so that none of them includes it. The main window
// registers itself when it is made; MainWindow() is null before that and after it is gone.
class TMainWindowServices {
public:
    // Connects `database` to `fileName` with the shop's password; false on failure, with the
    // engine's error in the last-DAO-error global.
    virtual bool ConnectDatabase(const QString& fileName, TDaoDatabase* database) = 0;
    // Opens the data module's datasets in their order and records the operator and the login;
    // false when a step failed, with every dataset closed again and `failure` saying why.
    virtual bool OpenDatasets(QString* failure = nullptr) = 0;
    // Puts `tblSeller` on the operator's row, appending it when there is none.
    virtual void FindOrAddSeller(const QString& name, const QString& password) = 0;
    // The order list's filter text from the settings.
    virtual void BuildSaleFilter(QString& filter) = 0;
    virtual void ShowCurrentSale() = 0;
    // The cash box label over the button column.
    virtual void ShowCashBoxNumber(const QString& number) = 0;
    virtual void ShowLanguageMenu(bool shown) = 0;
    virtual bool EnglishLanguage() const = 0;
    virtual void SetEnglishLanguage(bool english) = 0;
    // Whether the order's paid box may be changed.
    virtual void SetPaidBoxEnabled(bool enabled) = 0;
    virtual void ShowToolBar() = 0;
    virtual void HideToolBar() = 0;
    // The cash period [from, to) of `box` (texts "dd/mm/yyyy"): the cash box window's last
    // closing and old balance shown, the twelve cash datasets opened. False, with the datasets
    // closed, when it could not be opened.
    virtual bool OpenCashPeriod(const QString& box, const QString& from, const QString& to) = 0;
    // The takings and payments of the period, filtered; raises when the filter is refused.
    virtual void FilterCashMoves(const QString& box, const QString& from, const QString& to) = 0;
    // Closes `tblCashBox` and the twelve cash datasets.
    virtual void CloseCashDatasets() = 0;

protected:
    ~TMainWindowServices() = default;
};

TMainWindowServices* MainWindow();
// Registers `window` (null unregisters).
void SetMainWindow(TMainWindowServices* window);
