#include "platform/toolkit/Exceptions.h"

Exception::Exception(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}

void Exception::SetMessage(const QString& message)
{
    message_ = message;
    utf8_ = message_.toStdString();
}

void DatabaseError(const QString& message)
{
    throw EDatabaseError(message);
}
