#pragma once
// The class library's string lists: each line a text with an optional object pointer, the text
// joined by CR LF, Name=Value lines, comma text, and change events.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TStrings {
public:
    using TNotifyEvent = std::function<void(TStrings*)>;

    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual QString Get(int index) const = 0;
    virtual void Put(int index, const QString& text);
    virtual void* GetObject(int index) const;
    virtual void PutObject(int index, void* object);
    virtual void Insert(int index, const QString& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int IndexOf(const QString& text) const;
    virtual int Add(const QString& text);

    QString operator[](int index) const { return Get(index); }
    QString Strings(int index) const { return Get(index); }
    int AddObject(const QString& text, void* object);
    void InsertObject(int index, const QString& text, void* object);
    void Append(const QString& text) { Add(text); }
    void AddStrings(const TStrings& other);
    void AddStrings(const QStringList& lines);
    virtual void Assign(const TStrings& other);
    void Exchange(int a, int b);
    void Move(int from, int to);
    bool Equals(const TStrings& other) const;
    int IndexOfObject(const void* object) const;

    // Lines joined with CR LF after each; setting splits on CR LF, LF or CR.
    QString Text() const;
    virtual void SetText(const QString& text);
    QStringList ToStringList() const;
    // Comma text: lines joined by the delimiter, quoted with '"' when they hold blanks,
    // delimiters or quotes (quotes doubled).
    QString CommaText() const;
    void SetCommaText(const QString& text);
    QChar Delimiter() const { return delimiter_; }
    void SetDelimiter(QChar c) { delimiter_ = c; }
    QString DelimitedText() const;
    void SetDelimitedText(const QString& text);

    // Name=Value lines; names compare without case.
    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    QString Values(const QString& name) const;
    void SetValue(const QString& name, const QString& value);
    int IndexOfName(const QString& name) const;

    // Reads UTF-8, or code page 1251 when the bytes are not UTF-8 (files of older installations).
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Descendants call these around every change; the events fire outside BeginUpdate/EndUpdate.
    void Changing();
    void Changed();

private:
    int updateCount_ = 0;
    QChar delimiter_ = QLatin1Char(',');
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(const TStringList& other);
    TStringList& operator=(const TStringList& other);
    explicit TStringList(const QStringList& lines);

    int Count() const override { return int(items_.size()); }
    QString Get(int index) const override;
    void Put(int index, const QString& text) override;
    void* GetObject(int index) const override;
    void PutObject(int index, void* object) override;
    void Insert(int index, const QString& text) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(const QString& text) const override;
    int Add(const QString& text) override;
    void SetText(const QString& text) override;
    void Assign(const TStrings& other) override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool c);
    // Binary search of a sorted list: true when found; index is where it is or would go.
    bool Find(const QString& text, int& index) const;
    void Sort();

private:
    struct Item {
        QString text;
        void* object = nullptr;
    };
    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;

    int Compare(const QString& a, const QString& b) const;
    void CheckIndex(int index, bool allowEnd = false) const;
    void InsertItem(int index, const QString& text, void* object);
};
