#pragma once
// The class library's exception kinds. Every error carries the system's own message text.

#include <QString>
#include <exception>
#include <functional>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const { return message_; }
    void SetMessage(const QString& message);
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A value that cannot be converted to the wanted type.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A variant read as a type it cannot become.
class EVariantError : public Exception {
public:
    using Exception::Exception;
};

// An index outside a list, a duplicate in a list that refuses them.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// A stream that cannot be read, written or opened.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// An operation the object's state does not allow.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// The dataset layer's error: every refusal of a dataset, field or component of the data layers.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

[[noreturn]] void DatabaseError(const QString& message);

// The silent exception: it ends an operation the user or a handler chose to abandon; the
// application's handler shows nothing for it.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
    using Exception::Exception;
};

[[noreturn]] inline void Abort() { throw EAbort(); }

// A stream of component data that does not hold what the reader expects.
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// Where an exception goes that leaves a callback of the event loop (a timer tick): the
// application installs its handler (message box and so on); until then the message is written
// to the debug output. Nothing thrown inside an event-loop callback is lost silently.
using TExceptionHandler = std::function<void(std::exception_ptr)>;
void SetExceptionHandler(TExceptionHandler handler);
void HandleException(std::exception_ptr error);
