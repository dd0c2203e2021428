#pragma once

#include <memory>
#include <utility>

// The one guard for callbacks that may come after their owner is gone: queued events, delayed
// steps, replies of a device or of the bus. The owner keeps a Lifetime; what `guard` wraps does
// nothing once the owner has ended it (`end`, first thing in its destructor) or destroyed it.
class Lifetime {
  public:
    Lifetime() = default;
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    template <typename Callback>
    auto guard(Callback callback) const {
        return [alive = std::weak_ptr<const char>(token_),
                callback = std::move(callback)](auto&&... arguments) mutable {
            if (!alive.expired()) callback(std::forward<decltype(arguments)>(arguments)...);
        };
    }
    // From now on nothing guarded runs, even while the owner's members are still being destroyed.
    void end() { token_.reset(); }

  private:
    std::shared_ptr<const char> token_ = std::make_shared<const char>();
};
