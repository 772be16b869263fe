#include "catalogue/entry.h"

#include "platform/text_case.h"

namespace dorvantile {
namespace {

constexpr std::size_t exhausted = std::string_view::npos;

// The component of `path` from `at`, and where the next one begins (`exhausted` after the
// last). False when there is none.
bool nextComponent(std::string_view path, std::size_t& at, std::string_view& component,
                   bool& last) {
    if (at == exhausted)
        return false;
    std::size_t end = path.find('/', at);
    last = end == std::string_view::npos;
    if (last)
        end = path.size();
    component = path.substr(at, end - at);
    at = last ? exhausted : end + 1;
    return true;
}

} // namespace

namespace {

constexpr std::string_view kindNames[] = {"folder", "file", "link", "dangling"};

} // namespace

const char* kindName(EntryKind kind) {
    return kindNames[static_cast<int>(kind)].data();
}

std::optional<EntryKind> kindNamed(std::string_view name) {
    for (int kind = 0; kind < 4; ++kind) {
        if (name == kindNames[kind])
            return static_cast<EntryKind>(kind);
    }
    return std::nullopt;
}

void SectionSink::entry(const CatalogueEntry& entry) {
    if (entry.kind != EntryKind::Folder) {
        file(entry.folder, entry.name);
        return;
    }
    if (started_)
        endSection();
    heading(entry.folder, !started_);
    started_ = true;
}

void SectionSink::finish(const Totals& totals) {
    if (started_)
        endSection();
    end(totals);
}

int compareCatalogueOrder(EntryKind kindA, std::string_view p, EntryKind kindB,
                          std::string_view q) {
    // At the same path a file comes before a folder (a name that changed kind).
    const auto byKind = [kindA, kindB] {
        const bool folderA = kindA == EntryKind::Folder, folderB = kindB == EntryKind::Folder;
        return folderA == folderB ? 0 : (folderA ? 1 : -1);
    };
    if (p == q)
        return byKind();
    // Components that are equal byte for byte are equal in the order as well: start at the
    // first one in which the paths differ.
    std::size_t same = 0;
    while (same < p.size() && same < q.size() && p[same] == q[same])
        ++same;
    const std::size_t slash = same == 0 ? std::string_view::npos : p.rfind('/', same - 1);
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t i = p.empty() ? exhausted : start;
    std::size_t j = q.empty() ? exhausted : start;
    for (;;) {
        std::string_view x, y;
        bool lastX = false, lastY = false;
        const bool hasX = nextComponent(p, i, x, lastX);
        const bool hasY = nextComponent(q, j, y, lastY);
        if (!hasX || !hasY) {
            if (hasX != hasY) // a folder comes before everything beneath it
                return hasX ? 1 : -1;
            return byKind();
        }
        // In a folder, its files come before its sub-folders.
        const int groupX = lastX && kindA != EntryKind::Folder ? 0 : 1;
        const int groupY = lastY && kindB != EntryKind::Folder ? 0 : 1;
        if (groupX != groupY)
            return groupX < groupY ? -1 : 1;
        if (const int names = compareNames(x, y); names != 0)
            return names;
    }
}

std::string& appendPathBelow(std::string& out, const CatalogueEntry& entry) {
    out.append(entry.below);
    if (entry.kind != EntryKind::Folder) {
        if (!entry.below.empty())
            out.push_back('/');
        out.append(entry.name);
    }
    return out;
}

Totals writeCatalogue(EntryStream& stream, CatalogueSink& sink) {
    CatalogueEntry entry;
    while (stream.next(entry))
        sink.entry(entry);
    const Totals totals = stream.totals();
    if (stream.failure().empty())
        sink.finish(totals);
    return totals;
}

} // namespace dorvantile
