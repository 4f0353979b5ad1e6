// Result variables read from a soup container: each child's name and its value as text.
#pragma once

#include "app/results/ResultVariables.h"
#include "soup/SoupRef.h"

class SoupResultVariables final : public ResultVariables {
public:
    // `container` may be empty (no variables). The soup is shared, not copied.
    explicit SoupResultVariables(SoupRef container) : container_(std::move(container)) {}

    size_t Count() const override;
    std::string Name(size_t index) const override;
    // The child's value converted to text; empty for containers and values without a text form.
    std::string ValueText(size_t index) const override;

private:
    SoupRef container_;
};
