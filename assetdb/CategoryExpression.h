// Category expressions ("CMP;MESH|BD;-ACTV|VE") over code lists, and keyword expressions over texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Codes are a list separated by ";" ("TR;TV;LOCO"). An expression is a list of alternatives
// separated by "|"; an alternative is a list of terms separated by ";" (runs of ";" count as one).
// A term matches when it equals one code exactly (with case); a term "-X" matches when X does not.
// The expression matches when any alternative matches all its terms, evaluated left to right. An
// empty expression and an empty alternative (a leading "|" or "||") match everything; a trailing
// "|" adds no alternative, so "XX|" matches only XX.
bool VLXMatchCategories(std::string_view expression, std::string_view codes);

// True when `codes` holds the term that starts `term` and runs to the next ";", "|" or the end.
// An empty term, or one that starts with "|", is never held.
bool VLXHasCategory(std::string_view codes, std::string_view term);

// Keyword search: `expression` is split at "|" into alternatives and each at ";" into words; an
// alternative matches when it has at least one word and every non-empty word occurs in `text`
// (case matters). An empty expression matches nothing.
bool VLXMatchKeywords(std::string_view text, std::string_view expression);

// A category expression parsed once, for matching many code lists (the same rules as
// VLXMatchCategories). The matcher keeps a copy of the expression.
class VLXCategoryMatcher {
public:
    explicit VLXCategoryMatcher(std::string_view expression);
    bool Matches(std::string_view codes) const;
    // True when every code list matches (an empty expression, or an empty alternative).
    bool MatchesEverything() const { return everything_; }

private:
    struct Term {
        uint32_t code;  // index into codes_
        bool negated;
    };
    struct Alternative {
        std::vector<Term> terms;
        bool never = false;  // holds a term that can never match (such as "-" negated twice)
    };
    std::string expression_;
    std::vector<std::string_view> codes_;  // the distinct codes the terms ask for, never empty
    std::vector<Alternative> alternatives_;
    bool everything_ = false;
};
