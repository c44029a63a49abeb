#pragma once
// A reference to a caller's function object, for a call made while that
// object lives: unlike std::function, nothing is copied onto the heap (a
// single-row INSERT paid an allocation for it).
#include <memory>
#include <type_traits>

namespace quodlin::engine {

class Callback {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Callback>>>
    Callback(F &&f) // NOLINT: converts like std::function
        : m_object(const_cast<void *>(static_cast<const void *>(std::addressof(f)))),
          m_call([](void *o) { (*static_cast<std::remove_reference_t<F> *>(o))(); })
    {
    }
    void operator()() const { m_call(m_object); }

private:
    void *m_object;
    void (*m_call)(void *);
};

} // namespace quodlin::engine
