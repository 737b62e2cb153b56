#include "platform/toolkit/Strings.h"

#include "platform/os/CodePage1251.h"
#include "platform/toolkit/Exceptions.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

void TStrings::Put(int index, const QString& text)
{
    void* object = GetObject(index);
    BeginUpdate();
    Delete(index);
    InsertObject(index, text, object);
    EndUpdate();
}

void* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, void*) {}

int TStrings::IndexOf(const QString& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get(i).compare(text, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int TStrings::Add(const QString& text)
{
    const int index = Count();
    Insert(index, text);
    return index;
}

int TStrings::AddObject(const QString& text, void* object)
{
    const int index = Add(text);
    PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const QString& text, void* object)
{
    Insert(index, text);
    PutObject(index, object);
}

void TStrings::AddStrings(const TStrings& other)
{
    BeginUpdate();
    for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
    EndUpdate();
}

void TStrings::AddStrings(const QStringList& lines)
{
    BeginUpdate();
    for (const QString& line : lines) Add(line);
    EndUpdate();
}

void TStrings::Assign(const TStrings& other)
{
    if (&other == this) return;
    BeginUpdate();
    Clear();
    AddStrings(other);
    EndUpdate();
}

void TStrings::Exchange(int a, int b)
{
    BeginUpdate();
    const QString ta = Get(a);
    void* oa = GetObject(a);
    Put(a, Get(b));
    PutObject(a, GetObject(b));
    Put(b, ta);
    PutObject(b, oa);
    EndUpdate();
}

void TStrings::Move(int from, int to)
{
    if (from == to) return;
    BeginUpdate();
    const QString text = Get(from);
    void* object = GetObject(from);
    Delete(from);
    InsertObject(to, text, object);
    EndUpdate();
}

bool TStrings::Equals(const TStrings& other) const
{
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

int TStrings::IndexOfObject(const void* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

QString TStrings::Text() const
{
    QString out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += QLatin1String("\r\n");
    }
    return out;
}

void TStrings::SetText(const QString& text)
{
    BeginUpdate();
    Clear();
    if (!text.isEmpty()) {
        static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
        QStringList lines = text.split(breaks);
        // A final line break ends the last line; it does not start an empty one.
        if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
        for (const QString& line : lines) Add(line);
    }
    EndUpdate();
}

QStringList TStrings::ToStringList() const
{
    QStringList out;
    out.reserve(Count());
    for (int i = 0; i < Count(); ++i) out << Get(i);
    return out;
}

QString TStrings::DelimitedText() const
{
    QString out;
    for (int i = 0; i < Count(); ++i) {
        QString s = Get(i);
        const bool quote = s.isEmpty() ? false
                           : std::any_of(s.begin(), s.end(), [this](QChar c) {
                                 return c <= QLatin1Char(' ') || c == QLatin1Char('"') || c == delimiter_;
                             });
        if (i > 0) out += delimiter_;
        if (quote)
            out += QLatin1Char('"') + s.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
        else
            out += s;
    }
    if (Count() == 1 && Get(0).isEmpty()) return QStringLiteral("\"\"");
    return out;
}

void TStrings::SetDelimitedText(const QString& text)
{
    BeginUpdate();
    Clear();
    int i = 0;
    const int n = int(text.size());
    auto skipBlanks = [&] {
        while (i < n && text[i] <= QLatin1Char(' ') && text[i] != delimiter_) ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && text[i] > QLatin1Char(' ') && text[i] != delimiter_) item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < n && text[i] == delimiter_) {
            ++i;
            skipBlanks();
            if (i >= n) Add(QString());
        }
    }
    EndUpdate();
}

QString TStrings::CommaText() const
{
    auto* self = const_cast<TStrings*>(this);
    const QChar saved = delimiter_;
    self->delimiter_ = QLatin1Char(',');
    QString out = DelimitedText();
    self->delimiter_ = saved;
    return out;
}

void TStrings::SetCommaText(const QString& text)
{
    const QChar saved = delimiter_;
    delimiter_ = QLatin1Char(',');
    SetDelimitedText(text);
    delimiter_ = saved;
}

QString TStrings::Names(int index) const
{
    const QString s = Get(index);
    const int eq = s.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : s.left(eq);
}

QString TStrings::ValueFromIndex(int index) const
{
    const QString s = Get(index);
    const int eq = s.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : s.mid(eq + 1);
}

int TStrings::IndexOfName(const QString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        const QString s = Get(i);
        const int eq = s.indexOf(QLatin1Char('='));
        if (eq >= 0 && s.left(eq).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString TStrings::Values(const QString& name) const
{
    const int i = IndexOfName(name);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TStrings::SetValue(const QString& name, const QString& value)
{
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0) Delete(i);
        return;
    }
    if (i < 0)
        Add(name + QLatin1Char('=') + value);
    else
        Put(i, name + QLatin1Char('=') + value);
}

void TStrings::LoadFromFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) throw EStreamError(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    SetText(DecodeUtf8OrCp1251(f.readAll()));
}

void TStrings::SaveToFile(const QString& fileName) const
{
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EStreamError(QStringLiteral("Cannot create file \"%1\"").arg(fileName));
    const QByteArray bytes = Text().toUtf8();
    if (f.write(bytes) != bytes.size()) throw EStreamError(QStringLiteral("Stream write error"));
}

void TStrings::BeginUpdate()
{
    if (updateCount_++ == 0 && OnChanging) OnChanging(this);
}

void TStrings::EndUpdate()
{
    if (--updateCount_ == 0 && OnChange) OnChange(this);
}

void TStrings::Changing()
{
    if (updateCount_ == 0 && OnChanging) OnChanging(this);
}

void TStrings::Changed()
{
    if (updateCount_ == 0 && OnChange) OnChange(this);
}

// --- TStringList

TStringList::TStringList(const TStringList& other) : TStrings() { TStringList::Assign(other); }

TStringList& TStringList::operator=(const TStringList& other)
{
    if (this != &other) {
        sorted_ = other.sorted_;
        caseSensitive_ = other.caseSensitive_;
        duplicates_ = other.duplicates_;
        Assign(other);
    }
    return *this;
}

TStringList::TStringList(const QStringList& lines) { AddStrings(lines); }

void TStringList::CheckIndex(int index, bool allowEnd) const
{
    if (index < 0 || index > Count() || (!allowEnd && index == Count()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

int TStringList::Compare(const QString& a, const QString& b) const
{
    return a.compare(b, caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

QString TStringList::Get(int index) const
{
    CheckIndex(index);
    return items_[size_t(index)].text;
}

void TStringList::Put(int index, const QString& text)
{
    if (sorted_) throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index);
    Changing();
    items_[size_t(index)].text = text;
    Changed();
}

void* TStringList::GetObject(int index) const
{
    CheckIndex(index);
    return items_[size_t(index)].object;
}

void TStringList::PutObject(int index, void* object)
{
    CheckIndex(index);
    Changing();
    items_[size_t(index)].object = object;
    Changed();
}

void TStringList::InsertItem(int index, const QString& text, void* object)
{
    Changing();
    items_.insert(items_.begin() + index, Item{text, object});
    Changed();
}

void TStringList::Insert(int index, const QString& text)
{
    if (sorted_) throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index, true);
    InsertItem(index, text, nullptr);
}

int TStringList::Add(const QString& text)
{
    if (!sorted_) {
        InsertItem(Count(), text, nullptr);
        return Count() - 1;
    }
    int index;
    if (Find(text, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EListError(QStringLiteral("String list does not allow duplicates"));
    }
    InsertItem(index, text, nullptr);
    return index;
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear()
{
    if (items_.empty()) return;
    Changing();
    items_.clear();
    Changed();
}

int TStringList::IndexOf(const QString& text) const
{
    if (sorted_) {
        int index;
        return Find(text, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[size_t(i)].text, text) == 0) return i;
    return -1;
}

void TStringList::SetText(const QString& text) { TStrings::SetText(text); }

void TStringList::Assign(const TStrings& other) { TStrings::Assign(other); }

void TStringList::SetSorted(bool sorted)
{
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool c)
{
    if (c == caseSensitive_) return;
    caseSensitive_ = c;
    if (sorted_) Sort();
}

bool TStringList::Find(const QString& text, int& index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = Compare(items_[size_t(mid)].text, text);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort()
{
    if (Count() < 2) return;
    Changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
    Changed();
}
