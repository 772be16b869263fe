#include "library/name_pattern_search.h"

#include "platform/text_case.h"
#include "platform/utf8.h"

namespace dorvantile {

SearchPattern::SearchPattern(std::string_view pattern) {
    std::string folded;
    fold(folded, pattern);
    std::string piece;
    for (char c : folded) {
        if (c == '*') {
            if (!piece.empty())
                pieces_.push_back(std::move(piece));
            piece.clear();
        } else {
            slash_ = slash_ || c == '/';
            piece.push_back(c);
        }
    }
    if (!piece.empty())
        pieces_.push_back(std::move(piece));
    if (pieces_.empty())
        return;
    // The anchor: the first piece's longest run without `?`.
    std::string_view first = pieces_.front();
    for (std::size_t start = 0; start <= first.size();) {
        std::size_t end = first.find('?', start);
        if (end == std::string_view::npos)
            end = first.size();
        if (end - start > anchor_.size())
            anchor_ = first.substr(start, end - start);
        start = end + 1;
    }
}

void SearchPattern::fold(std::string& out, std::string_view text) {
    appendLower(out, text);
}

std::size_t SearchPattern::matchAt(std::string_view text, std::size_t at, std::string_view piece) {
    for (char c : piece) {
        if (at >= text.size())
            return std::string_view::npos;
        if (c == '?') {
            if (text[at] == '/')
                return std::string_view::npos;
            at += decodeUtf8(text, at).length;
        } else if (text[at++] != c) {
            return std::string_view::npos;
        }
    }
    return at;
}

bool SearchPattern::restFrom(std::string_view text, std::size_t end) const {
    for (std::size_t i = 1; i < pieces_.size(); ++i) {
        std::size_t found = std::string_view::npos;
        // `*` never crosses a "/": the next piece starts before the next one.
        const std::size_t slash = text.find('/', end);
        const std::size_t limit = slash == std::string_view::npos ? text.size() : slash;
        for (std::size_t at = end; at <= limit; ++at) {
            if ((found = matchAt(text, at, pieces_[i])) != std::string_view::npos)
                break;
        }
        if (found == std::string_view::npos)
            return false;
        end = found;
    }
    return true;
}

bool SearchPattern::matches(std::string_view text) const {
    if (pieces_.empty())
        return true;
    if (pieces_.front().find('?') == std::string::npos) {
        // Each place the first piece stands, then the rest after it.
        for (std::size_t at = text.find(pieces_.front()); at != std::string_view::npos;
             at = text.find(pieces_.front(), at + 1)) {
            if (restFrom(text, at + pieces_.front().size()))
                return true;
        }
        return false;
    }
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t end = matchAt(text, at, pieces_.front());
        if (end != std::string_view::npos && restFrom(text, end))
            return true;
    }
    return false;
}

} // namespace dorvantile
