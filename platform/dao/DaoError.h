#pragma once
// The engine's error: number, source and description, as the engine's error collection keeps
// them. Raised by every failing engine call.

#include "platform/toolkit/Exceptions.h"

#include <QString>

class EDaoError : public Exception {
public:
    EDaoError(int number, QString description, QString source = QStringLiteral("DAO.Database"),
              QString helpFile = QString(), int helpContext = 0);
    int Number() const { return number_; }
    const QString& Source() const { return source_; }
    const QString& Description() const { return description_; }
    const QString& HelpFile() const { return helpFile_; }
    int HelpContext() const { return helpContext_; }

private:
    int number_;
    QString source_;
    QString description_;
    QString helpFile_;
    int helpContext_;
};
