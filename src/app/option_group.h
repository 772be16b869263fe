// `Keuze`: the output choice as the run reads it.
#pragma once

#include "platform/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>

namespace dorvantile::app {

/// The exclusive group of option buttons with the indexes 1, 2 and 3.
class OptionGroup final : public OutputChoice {
public:
    explicit OptionGroup(const QButtonGroup& group) : group_(group) {}

    bool isSelected(int index) const override {
        const QAbstractButton* button = group_.button(index);
        return button != nullptr && button->isChecked();
    }

private:
    const QButtonGroup& group_;
};

} // namespace dorvantile::app
