// Puts a value into a variable (a GLEW entry point, say) for one scope and
// restores the old one afterwards.
#pragma once

template <class T>
class ScopedOverride {
  public:
    ScopedOverride(T& slot, T value) : slot_(slot), saved_(slot) { slot_ = value; }
    ~ScopedOverride() { slot_ = saved_; }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

    const T& saved() const { return saved_; }

  private:
    T& slot_;
    T saved_;
};
