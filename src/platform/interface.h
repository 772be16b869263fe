// The base of the program's interfaces.
#pragma once

namespace dorvantile {

/// An interface: never copied, and destroyed through itself.
class Interface {
public:
    Interface() = default;
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;
    virtual ~Interface() = default;
};

} // namespace dorvantile
