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

// A dialog handed to the wiring either as it stands or as a maker (OnFirstUse): used like a
// pointer, it makes a lazy dialog at its first use.
template <class T> class DialogRef
{
public:
    DialogRef() = default;
    DialogRef(T* dialog)
    {
        if (dialog)
            m_get = [dialog]() -> T& { return *dialog; };
    }
    DialogRef(std::function<T&()> maker) : m_get(std::move(maker)) {}

    explicit operator bool() const { return bool(m_get); }
    T* operator->() const { return &m_get(); }
    T& operator*() const { return m_get(); }
    T* get() const { return m_get ? &m_get() : nullptr; }

private:
    std::function<T&()> m_get;
};
