#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace ondrel {

// A growable list of records held by value, indexed from 1; index 0 is never
// a record.
template <typename Record>
class OneBasedList {
public:
    int count() const { return static_cast<int>(records_.size()); }
    bool empty() const { return records_.empty(); }

    const Record& operator[](int index) const { return records_.at(checked(index)); }
    Record& operator[](int index) { return records_.at(checked(index)); }

    void append(Record record) { records_.push_back(std::move(record)); }
    // Inserts before index (1..count + 1), shifting the following records up.
    void insert(int index, Record record) {
        if (index < 1 || index > count() + 1)
            throw std::out_of_range(outOfRange(index));
        records_.insert(records_.begin() + (index - 1), std::move(record));
    }
    void remove(int index) { records_.erase(records_.begin() + checked(index)); }
    void clear() { records_.clear(); }

    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }
    bool operator==(const OneBasedList&) const = default;

private:
    std::size_t checked(int index) const {
        if (index < 1 || index > count())
            throw std::out_of_range(outOfRange(index));
        return static_cast<std::size_t>(index - 1);
    }
    static std::string outOfRange(int index) {
        return "List index out of bounds (" + std::to_string(index) + ")";
    }

    std::vector<Record> records_;
};

}  // namespace ondrel
