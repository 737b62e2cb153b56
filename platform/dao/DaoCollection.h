#pragma once
// A collection of named engine objects: items by position (0 .. Count - 1) or by name, names
// compared without case; an unknown item raises 3265.

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"

#include <QString>
#include <memory>
#include <vector>

namespace dao {

template <class T>
class Collection {
public:
    virtual ~Collection() = default;
    int Count() const { return int(items_.size()); }
    const std::shared_ptr<T>& Item(int index) const
    {
        if (index < 0 || index >= Count())
            NotFound(QString::number(index));
        return items_[size_t(index)];
    }
    const std::shared_ptr<T>& Item(const QString& name) const
    {
        const int i = IndexOf(name);
        if (i < 0)
            NotFound(name);
        return items_[size_t(i)];
    }
    const std::shared_ptr<T>& operator[](int index) const { return Item(index); }
    const std::shared_ptr<T>& operator[](const QString& name) const { return Item(name); }
    int IndexOf(const QString& name) const
    {
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i]->Name().compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    bool Contains(const QString& name) const { return IndexOf(name) >= 0; }
    typename std::vector<std::shared_ptr<T>>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<std::shared_ptr<T>>::const_iterator end() const { return items_.end(); }

protected:
    [[noreturn]] static void NotFound(const QString& what)
    {
        throw EDaoError(errFieldNotFound, QStringLiteral("Item not found in this collection: '%1'.").arg(what),
                        QStringLiteral("DAO.Collection"));
    }
    std::vector<std::shared_ptr<T>> items_;
};

}  // namespace dao
