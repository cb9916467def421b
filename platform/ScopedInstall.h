// The one way a seam is installed for a while. A seam is an interface that a
// lower folder declares and a higher folder (or a test's fake) implements;
// each seam offers an overload
//     Interface* Install(Interface* implementation);
// in its own namespace that installs the implementation (null restores the
// seam's default) and returns the one it replaced. ScopedInstall installs
// for the lifetime of a scope and puts the previous one back, also when the
// scope is left by an exception.
#pragma once

namespace qm {

template <class Interface> class ScopedInstall {
  public:
    // Installs implementation (not owned; it must outlive this object).
    explicit ScopedInstall(Interface* implementation) : previous_(Install(implementation)) {}
    ~ScopedInstall() { Install(previous_); }
    ScopedInstall(const ScopedInstall&) = delete;
    ScopedInstall& operator=(const ScopedInstall&) = delete;

  private:
    Interface* previous_;
};

} // namespace qm
