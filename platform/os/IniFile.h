#pragma once
// Ini files: "[section]" headers and "key=value" lines. Sections and keys match without letter
// case, values are trimmed, the first of two equal keys wins. The file is read once when the
// object is made (UTF-8 when valid, otherwise code page 1251) and written back as UTF-8 with
// CR LF line ends by UpdateFile, and by the destructor when changes are still pending. Comment
// and blank lines survive a rewrite.

#include <QString>
#include <QStringList>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(const QString& fileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    QString FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    // Decimal, or hexadecimal after "$" or "0x"; the default when missing or not a number.
    int ReadInteger(const QString& section, const QString& ident, int defaultValue) const;
    void WriteInteger(const QString& section, const QString& ident, int value);
    // "0" and "False"/"No" are false, other numbers and "True"/"Yes" true; else the default.
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;
    void WriteBool(const QString& section, const QString& ident, bool value);  // "1" or "0"

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const;        // the keys, in file order
    QStringList ReadSectionValues(const QString& section) const;  // "key=value" lines
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);

    // Writes the file when something changed; false when it cannot be written.
    bool UpdateFile();
    bool Modified() const { return modified_; }

private:
    struct Line {
        QString key;   // empty for a comment or blank line
        QString value;
        QString raw;   // the line as read, for comments and blanks
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
    };

    QString fileName_;
    std::vector<Section> sections_;  // the first holds the lines before any header
    bool modified_ = false;

    void Load();
    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    const Line* FindLine(const QString& section, const QString& ident) const;
    QByteArray Serialize() const;
};
