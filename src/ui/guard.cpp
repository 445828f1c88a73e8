#include "ui/guard.h"

#include <exception>

namespace chizro {

bool Guarded(const std::function<void()>& step,
             const std::function<void(const std::string&)>& showError) {
  try {
    step();
    return true;
  } catch (const std::exception& e) {
    showError(e.what());
  } catch (...) {
    showError("予期しないエラーが発生しました");
  }
  return false;
}

}  // namespace chizro
