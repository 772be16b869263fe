// What a search pattern matches: the rule of the explorer page's search box, for the
// library's searches. A pattern matches any part of a name (or of a path below the chosen
// folder), letters of any case; `*` stands for any run of characters and `?` for one, never
// for a "/". A pattern with a "/" matches no name, only paths. A pattern of nothing but `*`
// (or nothing) matches everything.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dorvantile {

class SearchPattern {
public:
    explicit SearchPattern(std::string_view pattern);

    /// Whether it matches every text.
    bool everything() const { return pieces_.empty(); }
    /// Whether it holds a "/", and so matches paths only.
    bool spansFolders() const { return slash_; }
    /// The first run of its letters, no `?` among them: any text it matches holds it.
    std::string_view anchor() const { return anchor_; }

    /// Whether it matches `folded` (a name or path in the case `fold` gives).
    bool matches(std::string_view folded) const;

    /// Appends `text` folded to the one case that searches compare.
    static void fold(std::string& out, std::string_view text);

private:
    /// Where `piece` matches `text` at `at`: the end of the match, or npos.
    static std::size_t matchAt(std::string_view text, std::size_t at, std::string_view piece);
    bool restFrom(std::string_view text, std::size_t end) const;

    std::vector<std::string> pieces_; // the pattern folded, split at each run of `*`
    std::string anchor_;
    bool slash_ = false;
};

} // namespace dorvantile
