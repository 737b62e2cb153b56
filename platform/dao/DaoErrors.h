#pragma once
// The engine's error collection: the errors of the last failing engine call, most detailed
// first. Every engine error raised in this thread replaces its contents.

#include <QString>
#include <vector>

class EDaoError;

namespace dao {

class ErrorItem {
public:
    ErrorItem() = default;
    ErrorItem(int number, QString source, QString description, QString helpFile, int helpContext)
        : number_(number), source_(std::move(source)), description_(std::move(description)),
          helpFile_(std::move(helpFile)), helpContext_(helpContext) {}
    int Number() const { return number_; }
    const QString& Source() const { return source_; }
    const QString& Description() const { return description_; }
    const QString& HelpFile() const { return helpFile_; }
    int HelpContext() const { return helpContext_; }

private:
    int number_ = 0;
    QString source_;
    QString description_;
    QString helpFile_;
    int helpContext_ = 0;
};

class Errors {
public:
    int Count() const { return int(items_.size()); }
    // Raises the collection's own 3265 for an index outside 0 .. Count - 1.
    const ErrorItem& Item(int index) const;
    // Kept for callers that refresh every collection; the contents are always current.
    void Refresh() {}
    void Clear() { items_.clear(); }
    void Replace(ErrorItem item);

private:
    std::vector<ErrorItem> items_;
};

// The errors of the calling thread.
Errors& ThreadErrors();

// Called by every engine error as it is made.
void RecordError(const EDaoError& error);

}  // namespace dao
