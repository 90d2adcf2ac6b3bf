// The installable services of the core: dialogs, file system and launcher. They are
// globals on purpose: the seam where the window, the console scan or a test puts in its
// own implementation without the core knowing which one runs.
#pragma once

namespace kelvane {

// The installed T, or, while none is installed, a Default made on first use and kept.
template <class T, class Default>
class Service {
 public:
  static T& Get() {
    static Default fallback;
    return installed_ ? *installed_ : fallback;
  }
  // Installs t (not owned); nullptr goes back to the default.
  static void Set(T* t) { installed_ = t; }

 private:
  static inline T* installed_ = nullptr;
};

}  // namespace kelvane
