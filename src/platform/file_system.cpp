#include "platform/file_system.h"

namespace dorvantile {
namespace {

class ContentCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "content"; }
    std::string message(int fault) const override {
        switch (static_cast<ContentFault>(fault)) {
        case ContentFault::Changed:
            return "changed while it was read";
        case ContentFault::NotAFile:
            return "not a regular file";
        }
        return "unknown fault";
    }
};

} // namespace

std::error_code make_error_code(ContentFault fault) {
    static const ContentCategory category;
    return {static_cast<int>(fault), category};
}

} // namespace dorvantile
