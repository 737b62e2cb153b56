#pragma once
// The component filer: typed values written to and read from a stream in the class library's
// binary streaming format, the form signature, components with the properties they declare
// through DefineProperties, and the 80-bit extended real in its little-endian byte form.
//
// Value encoding (one value-type byte, then the data, integers little-endian):
//   list begin 1 ... list end 0; integers in the smallest of int8 (2), int16 (3), int32 (4) or
//   int64 (19); false 8, true 9; float 5 + 10-byte extended; string 6 + length byte + bytes when
//   shorter than 256 bytes, else 12 + 4-byte length + bytes (code page 1251 text; text that
//   code page cannot hold goes as 18 + 4-byte count + UTF-16LE); ident 7 + length byte + name;
//   binary 10 + 4-byte size + bytes; collection 14, its items as lists, then 0.

#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class TComponent;
class TReader;
class TStream;
class TWriter;

enum TValueType : quint8 {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
};

using TExtended = std::array<quint8, 10>;

// Exact where the double allows: every double becomes the extended of the same value (NaN
// stays NaN, -0 keeps its sign). Back, the 64-bit mantissa is rounded to nearest-even; values
// beyond the double's range become infinities, tiny ones subnormals or zero.
TExtended DoubleToExtended(double value);
double ExtendedToDouble(const TExtended& bytes);

class TFiler {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    using TStreamProc = std::function<void(TStream&)>;

    // The buffer size is accepted for the callers' sake; values go straight to the stream.
    explicit TFiler(TStream& stream, int bufferSize = 4096);
    virtual ~TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    TStream& Stream() const { return stream_; }
    // The component being streamed, and its ancestor when a form inherits one (none here unless
    // a caller sets it): a property is written only when it differs from the ancestor's.
    TComponent* Root() const { return root_; }
    void SetRoot(TComponent* root) { root_ = root; }
    TComponent* Ancestor() const { return ancestor_; }
    void SetAncestor(TComponent* ancestor) { ancestor_ = ancestor; }

    // A property the component streams itself. The writer writes it (name, then what
    // writeData writes) only when hasData; the reader calls readData when the stream holds it.
    virtual void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                                bool hasData) = 0;
    // The same for a property held as raw bytes (written as one binary value).
    virtual void DefineBinaryProperty(const QString& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

protected:
    TStream& stream_;

private:
    TComponent* root_ = nullptr;
    TComponent* ancestor_ = nullptr;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void WriteSignature();  // "TPF0"
    void WriteValue(TValueType type);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WriteInteger(qint64 value);  // smallest fitting integer code
    void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
    void WriteFloat(double value);     // extended
    void WriteSingle(float value);
    void WriteCurrency(double value);  // 64-bit count of ten-thousandths
    void WriteDate(double dayNumber);  // 64-bit double
    void WriteString(const QString& value);
    void WriteStringBytes(const QByteArray& bytes);  // raw bytes as a string value
    // "False", "True", "nil" and "Null" go as their own codes, other names as idents.
    void WriteIdent(const QString& ident);
    void WriteBinary(const QByteArray& bytes);
    void WriteSet(const QStringList& members);
    // The name of a property: a length byte and the name, without a value code.
    void WritePropName(const QString& name);
    // A variant: Empty as nil, Null as the null code, arrays as lists, bytes as binary.
    void WriteVariant(const TVariant& value);
    // A collection of `count` items; writeItem writes item i's properties (WritePropName, value).
    void WriteCollection(int count, const std::function<void(TWriter&, int)>& writeItem);

    // Class name, component name, the properties its DefineProperties declares, end of
    // properties, end of (no) children.
    void WriteComponent(TComponent& component);
    void WriteRootComponent(TComponent& component);  // signature, then the component

    void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

private:
    void WriteRaw(const void* data, qint64 count);
    void WriteShortBytes(const QByteArray& bytes);
};

// Every read that meets another value than it expects raises EReadError "Invalid property
// value"; a stream that ends early raises EStreamError "Stream read error".
class TReader : public TFiler {
public:
    using TFiler::TFiler;

    void ReadSignature();         // EFilerError "Invalid stream format" unless "TPF0"
    TValueType NextValue();       // the next value's code, not consumed
    TValueType ReadValue();       // the next value's code, consumed
    bool EndOfList() { return NextValue() == vaNull; }
    void ReadListBegin() { CheckValue(vaList); }
    void ReadListEnd() { CheckValue(vaNull); }
    void CheckValue(TValueType expected);
    qint32 ReadInteger();
    qint64 ReadInt64();
    bool ReadBoolean();
    double ReadFloat();  // extended, single, currency, date or any integer
    float ReadSingle();
    double ReadCurrency();
    double ReadDate();
    QString ReadString();
    QByteArray ReadStringBytes();  // the raw bytes of a string value
    QString ReadIdent();
    QByteArray ReadBinary();
    QStringList ReadSet();
    QString ReadPropName();
    TVariant ReadVariant();
    // Reads a collection (its value code too, when not yet consumed); readItem reads item i's
    // properties and must consume them up to, not including, the item's list end.
    void ReadCollection(const std::function<void(TReader&, int)>& readItem);
    // Skips one value of any kind, lists and collections included.
    void SkipValue();

    // Reads what WriteComponent wrote into an existing component: its name (when the stream
    // has one), its declared properties between BeginLoading and Loaded. A property the
    // component does not declare raises EReadError "Error reading <name>.<prop>: Property
    // <prop> does not exist". A read that fails leaves the component in its loading state
    // (Loaded is not called on half-read properties).
    void ReadComponent(TComponent& component);
    void ReadRootComponent(TComponent& component);

    // While ReadComponent reads a property: the property's name.
    QString PropName() const { return propName_; }

    void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

private:
    QString propName_;
    bool propHandled_ = false;

    void ReadRaw(void* data, qint64 count);
    quint8 ReadByte();
    qint32 ReadInt32Raw();
    QByteArray ReadShortBytes();
    qint64 CheckedLength(qint64 length, int unitSize);
    [[noreturn]] void InvalidValue();
};
