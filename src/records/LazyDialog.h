#pragma once

#include <functional>
#include <memory>

// The dialog in slot, made the first time it is asked for and then kept for the run: a
// window need not pay at start for dialogs the user may never open. The arguments are
// copied for the constructor.
template <class T, class... Args>
std::function<T&()> OnFirstUse(std::unique_ptr<T>& slot, Args... args)
{
    return [&slot, args...]() -> T& {
        if (!slot)
            slot = std::make_unique<T>(args...);
        return *slot;
    };
}
