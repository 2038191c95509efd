// Reports the library's load and unload to the module frame, as the Windows
// loader reports process attach and detach to DllMain.
#include "foundation/module.h"
#include "platform/platform.h"

namespace Quor {
namespace platform {

namespace {

class LoadNotifier {
 public:
  LoadNotifier() : module_(moduleContaining(reinterpret_cast<const void*>(&moduleContaining))) {
    detail::moduleEntry(module_, detail::kProcessAttach, nullptr);
  }
  ~LoadNotifier() { detail::moduleEntry(module_, detail::kProcessDetach, nullptr); }

 private:
  HINSTANCE module_;
};

LoadNotifier loadNotifier;

}  // namespace

}  // namespace platform
}  // namespace Quor
