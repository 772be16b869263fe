// Feedback of a walk that keeps what it hears.
#pragma once

#include "catalogue/walk_feedback.h"

#include <string>
#include <utility>
#include <vector>

namespace dorvantile::fakes {

class FakeFeedback final : public WalkFeedback {
public:
    std::vector<Totals> beats;
    std::vector<std::pair<std::string, std::error_code>> unreadable;
    void working(const Totals& progress) override { beats.push_back(progress); }
    void cannotRead(const std::string& folder, std::error_code reason) override {
        unreadable.emplace_back(folder, reason);
    }
};

} // namespace dorvantile::fakes
