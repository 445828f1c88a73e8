// The guard of every window action: an error becomes a message for the user
// and the program goes on.
#pragma once

#include <functional>
#include <string>

namespace chizro {

// Runs `step`; an exception becomes a message (UTF-8) for `showError`: its
// text, or a general one for an exception that is no std::exception. True
// when the step ran through.
bool Guarded(const std::function<void()>& step,
             const std::function<void(const std::string&)>& showError);

}  // namespace chizro
