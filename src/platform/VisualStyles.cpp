#include "platform/VisualStyles.h"

#include "res/resource.h"

namespace {

// The activation context of the program's second manifest, made on first use; without it (an
// older system, a missing resource) windows simply keep the classic look.
HANDLE ThemedContext() {
  static const HANDLE context = [] {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    ACTCTXA request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    request.lpSource = path;
    request.hModule = GetModuleHandleA(nullptr);
    request.lpResourceName = MAKEINTRESOURCEA(IDR_VISUAL_STYLES);
    return CreateActCtxA(&request);
  }();
  return context;
}

}  // namespace

VisualStyles::VisualStyles() {
  const HANDLE context = ThemedContext();
  active_ = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie_);
}

VisualStyles::~VisualStyles() {
  if (active_) DeactivateActCtx(0, cookie_);
}
