#pragma once
// The class library's exception kinds. Every error carries the system's own message text.

#include <QString>
#include <exception>
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
