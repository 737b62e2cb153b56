#include "platform/os/IniFile.h"

#include "platform/os/CodePage1251.h"
#include "platform/os/Files.h"

#include <QFile>
#include <QSaveFile>

TIniFile::TIniFile(const QString& fileName) : fileName_(ResolveFileNameCase(fileName))
{
    sections_.push_back(Section{});
    Load();
}

TIniFile::~TIniFile()
{
    if (modified_) UpdateFile();
}

void TIniFile::Load()
{
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QString text = DecodeUtf8OrCp1251(file.readAll());
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (i == lines.size() - 1 && line.isEmpty()) break;  // the final line end
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            sections_.push_back(Section{trimmed.mid(1, trimmed.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
        const bool comment = trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
        if (!comment && eq > 0) {
            const QString key = trimmed.left(eq).trimmed();
            if (!key.isEmpty()) {
                sections_.back().lines.push_back(Line{key, trimmed.mid(eq + 1).trimmed(), {}});
                continue;
            }
        }
        sections_.back().lines.push_back(Line{{}, {}, line});
    }
}

const TIniFile::Section* TIniFile::FindSection(const QString& name) const
{
    const QString wanted = name.trimmed();
    for (size_t i = 1; i < sections_.size(); ++i)
        if (sections_[i].name.compare(wanted, Qt::CaseInsensitive) == 0) return &sections_[i];
    return nullptr;
}

TIniFile::Section* TIniFile::FindSection(const QString& name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const TIniFile::Line* TIniFile::FindLine(const QString& section, const QString& ident) const
{
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const QString wanted = ident.trimmed();
    for (const Line& line : s->lines)
        if (!line.key.isEmpty() && line.key.compare(wanted, Qt::CaseInsensitive) == 0) return &line;
    return nullptr;
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
{
    const Line* line = FindLine(section, ident);
    return line ? line->value : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    const QString key = ident.trimmed();
    const QString text = value.trimmed();
    if (key.isEmpty()) return;
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{section.trimmed(), {}});
        s = &sections_.back();
    }
    for (Line& line : s->lines) {
        if (!line.key.isEmpty() && line.key.compare(key, Qt::CaseInsensitive) == 0) {
            if (line.value != text) {
                line.value = text;
                modified_ = true;
            }
            return;
        }
    }
    // A new key goes after the section's last key, ahead of trailing blank lines.
    auto at = s->lines.end();
    while (at != s->lines.begin() && std::prev(at)->key.isEmpty() && std::prev(at)->raw.trimmed().isEmpty()) --at;
    s->lines.insert(at, Line{key, text, {}});
    modified_ = true;
}

int TIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) const
{
    const QString text = ReadString(section, ident, QString());
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1Char('$'))) value = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) value = text.mid(2).toInt(&ok, 16);
    else value = text.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

void TIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

bool TIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) const
{
    const QString text = ReadString(section, ident, QString());
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok) return number != 0;
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0)
        return false;
    return defaultValue;
}

void TIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::SectionExists(const QString& section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(const QString& section, const QString& ident) const
{
    return FindLine(section, ident) != nullptr;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (size_t i = 1; i < sections_.size(); ++i) {
        bool seen = false;
        for (const QString& n : names) seen = seen || n.compare(sections_[i].name, Qt::CaseInsensitive) == 0;
        if (!seen) names.append(sections_[i].name);
    }
    return names;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            if (!line.key.isEmpty()) keys.append(line.key);
    return keys;
}

QStringList TIniFile::ReadSectionValues(const QString& section) const
{
    QStringList lines;
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            if (!line.key.isEmpty()) lines.append(line.key + QLatin1Char('=') + line.value);
    return lines;
}

void TIniFile::EraseSection(const QString& section)
{
    const QString wanted = section.trimmed();
    for (size_t i = sections_.size(); i-- > 1;) {
        if (sections_[i].name.compare(wanted, Qt::CaseInsensitive) == 0) {
            sections_.erase(sections_.begin() + qsizetype(i));
            modified_ = true;
        }
    }
}

void TIniFile::DeleteKey(const QString& section, const QString& ident)
{
    Section* s = FindSection(section);
    if (!s) return;
    const QString wanted = ident.trimmed();
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
        if (!it->key.isEmpty() && it->key.compare(wanted, Qt::CaseInsensitive) == 0) {
            s->lines.erase(it);
            modified_ = true;
            return;
        }
    }
}

QByteArray TIniFile::Serialize() const
{
    QString text;
    const QLatin1String eol("\r\n");
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i > 0) {
            // A section that follows another section without a blank line gets one.
            if (i > 1 && !text.endsWith(QLatin1String("\r\n\r\n"))) text += eol;
            text += QLatin1Char('[') + s.name + QLatin1Char(']') + eol;
        }
        for (const Line& line : s.lines) {
            if (line.key.isEmpty()) text += line.raw + eol;
            else text += line.key + QLatin1Char('=') + line.value + eol;
        }
    }
    return text.toUtf8();
}

bool TIniFile::UpdateFile()
{
    if (!modified_ && QFile::exists(fileName_)) return true;
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = Serialize();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) return false;
    modified_ = false;
    return true;
}
