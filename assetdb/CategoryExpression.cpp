// Category and keyword expression matching over ";"-separated code lists.
#include "assetdb/CategoryExpression.h"

#include "assetdb/AssetRecord.h"


namespace {

// True when the code list holds exactly `code`.
bool CodesHold(std::string_view codes, std::string_view code) { return VLXCategoryClassHas(codes, code); }

bool TermMatches(std::string_view codes, std::string_view term)
{
    bool negated = false;
    while (!term.empty() && term.front() == '-') {
        negated = !negated;
        term.remove_prefix(1);
    }
    const bool held = !term.empty() && CodesHold(codes, term);
    return held != negated;
}

bool AlternativeMatches(std::string_view codes, std::string_view alternative)
{
    size_t start = 0;
    while (start < alternative.size()) {
        size_t end = alternative.find(';', start);
        if (end == std::string_view::npos)
            end = alternative.size();
        if (end > start && !TermMatches(codes, alternative.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

// An alternative without any word matches nothing, like an empty expression.
bool AllWordsOccur(std::string_view text, std::string_view alternative)
{
    if (alternative.find_first_not_of(';') == std::string_view::npos)
        return false;
    size_t start = 0;
    while (start < alternative.size()) {
        size_t end = alternative.find(';', start);
        if (end == std::string_view::npos)
            end = alternative.size();
        if (end > start && text.find(alternative.substr(start, end - start)) == std::string_view::npos)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

bool VLXMatchCategories(std::string_view expression, std::string_view codes)
{
    if (expression.empty())
        return true;
    size_t start = 0;
    for (;;) {
        size_t end = expression.find('|', start);
        if (end == std::string_view::npos)
            end = expression.size();
        if (AlternativeMatches(codes, expression.substr(start, end - start)))
            return true;
        // A trailing "|" closes the last alternative; it does not open an empty one.
        if (end + 1 >= expression.size())
            return false;
        start = end + 1;
    }
}

bool VLXHasCategory(std::string_view codes, std::string_view term)
{
    const size_t end = term.find_first_of(";|");
    term = term.substr(0, end);
    return !term.empty() && CodesHold(codes, term);
}

bool VLXMatchKeywords(std::string_view text, std::string_view expression)
{
    if (expression.empty())
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = expression.find('|', start);
        if (end == std::string_view::npos)
            end = expression.size();
        if (AllWordsOccur(text, expression.substr(start, end - start)))
            return true;
        if (end == expression.size())
            return false;
        start = end + 1;
    }
}

VLXCategoryMatcher::VLXCategoryMatcher(std::string_view expression) : expression_(expression)
{
    const std::string_view text = expression_;
    if (text.empty()) {
        everything_ = true;
        return;
    }
    size_t start = 0;
    for (;;) {
        size_t end = text.find('|', start);
        if (end == std::string_view::npos)
            end = text.size();
        Alternative alternative;
        for (size_t t = start; t < end;) {
            size_t termEnd = text.find(';', t);
            if (termEnd == std::string_view::npos || termEnd > end)
                termEnd = end;
            std::string_view term = text.substr(t, termEnd - t);
            t = termEnd + 1;
            if (term.empty())
                continue;
            bool negated = false;
            while (!term.empty() && term.front() == '-') {
                negated = !negated;
                term.remove_prefix(1);
            }
            if (term.empty()) {
                // An empty code is never held: the term is constant.
                if (!negated)
                    alternative.never = true;
                continue;
            }
            uint32_t index = 0;
            while (index < codes_.size() && codes_[index] != term)
                ++index;
            if (index == codes_.size())
                codes_.push_back(term);
            alternative.terms.push_back({index, negated});
        }
        if (!alternative.never && alternative.terms.empty()) {
            everything_ = true;  // evaluation would stop here for every code list
            alternatives_.clear();
            return;
        }
        if (!alternative.never)
            alternatives_.push_back(std::move(alternative));
        if (end + 1 >= text.size())
            return;
        start = end + 1;
    }
}

bool VLXCategoryMatcher::Matches(std::string_view codes) const
{
    if (everything_)
        return true;
    // One pass over the record's codes notes which of the asked-for codes it holds; the
    // alternatives are then decided from those bits.
    constexpr size_t kMaxCodes = 64;
    uint64_t held = 0;
    const bool fits = codes_.size() <= kMaxCodes;
    if (fits) {
        size_t start = 0;
        while (start < codes.size()) {
            size_t end = codes.find(';', start);
            if (end == std::string_view::npos)
                end = codes.size();
            const std::string_view code = codes.substr(start, end - start);
            for (size_t i = 0; i < codes_.size(); ++i)
                if (codes_[i] == code)
                    held |= uint64_t(1) << i;
            start = end + 1;
        }
    }
    for (const Alternative& alternative : alternatives_) {
        bool all = true;
        for (const Term& term : alternative.terms) {
            const bool isHeld = fits ? ((held >> term.code) & 1) != 0 : CodesHold(codes, codes_[term.code]);
            if (isHeld == term.negated) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}
