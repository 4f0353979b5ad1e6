// Reading result variables from the children of a soup container.
#include "app/results/SoupResultVariables.h"

#include "soup/ACSConverter.h"

size_t SoupResultVariables::Count() const { return container_.IsEmpty() ? 0 : container_->GetChildCount(); }

std::string SoupResultVariables::Name(size_t index) const { return container_->GetChildName(index).str(); }

std::string SoupResultVariables::ValueText(size_t index) const
{
    ChunkRef child = container_->GetChildAt(index);
    if (!child || child->GetKind() == ChunkKind::Container)
        return {};
    return std::string(TextOfValue(ConvertValue(child->GetKind(), child->GetValue(), ChunkKind::Text)));
}
