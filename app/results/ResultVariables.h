// The named text values that fill the placeholders of a result message.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Read-only view of an ordered list of (name, value as text) pairs. Soup containers are adapted to
// it, so the results log does not care where the variables come from.
class ResultVariables {
public:
    virtual ~ResultVariables() = default;
    virtual size_t Count() const = 0;
    virtual std::string Name(size_t index) const = 0;
    virtual std::string ValueText(size_t index) const = 0;
};

// The plain form: a list built in code.
class ResultVariableList final : public ResultVariables {
public:
    ResultVariableList() = default;
    ResultVariableList(std::initializer_list<std::pair<std::string, std::string>> items) : items_(items) {}

    ResultVariableList& Add(std::string name, std::string value)
    {
        items_.emplace_back(std::move(name), std::move(value));
        return *this;
    }

    size_t Count() const override { return items_.size(); }
    std::string Name(size_t index) const override { return items_[index].first; }
    std::string ValueText(size_t index) const override { return items_[index].second; }

private:
    std::vector<std::pair<std::string, std::string>> items_;
};
