#pragma once
// A named, owned part of a window's design (a connection, a query, a timer). Errors raised on its
// behalf carry its name.

#include <string>

namespace tarrow {

class TComponent {
public:
    explicit TComponent(std::string name = {}) : name_(std::move(name)) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent() = default;

    const std::string& Name() const noexcept { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

private:
    std::string name_;
};

}  // namespace tarrow
