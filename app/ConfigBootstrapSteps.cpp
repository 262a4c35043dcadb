#include "app/ConfigBootstrapSteps.h"

#include "app/MainWindowMessages.h"
#include "ui/window/WindowApi.h"

// Only this process's window: while ours does not exist yet, a lookup across
// processes would hand a worker the running instance's window.
bool PostToOwnMainWindow(unsigned message) {
  const HWND window = FindWindowInProcess(nullptr, kProductTitle);
  return window && PostMessage(window, message, 0, 0);
}

std::unique_ptr<ConfigBootstrap> MakeMainWindowBootstrap() {
  return std::make_unique<ConfigBootstrap>(DeploymentHosts::FromEnvironment(), &PostToOwnMainWindow);
}
